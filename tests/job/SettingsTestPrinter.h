#pragma once
// A printer of its own for each settings test: a record naming it, and helpers that write its
// values straight into the registry. Everything written is removed when the test ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "support/TestSupport.h"

namespace twtest {

class SettingsPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        name = UniqueName(L"SetPrn");
        dm.Clear();
        dm.SetText(tw::dmtext::dmDeviceName, name);
        static std::atomic<DWORD> counter{0};
        // Ids far from any a real printer gets, distinct per process and test.
        printerId = 0xC0000000u | ((::GetCurrentProcessId() & 0xFFFF) << 12) | (counter++ & 0xFFF);
        dm.Write<DWORD>(tw::dmoff::PrinterId, printerId);
    }
    void TearDown() override {
        for (const auto& [hive, path] : cleanup) ::RegDeleteTreeW(hive, path.c_str());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, PrinterKey().c_str());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, IdKey().c_str());
    }

    std::wstring PrinterKey() const { return std::wstring(tw::settings::kRoot) + L"\\" + name; }
    std::wstring IdKey() const {
        return tw::FormatW(L"%s\\%s\\%lu", tw::settings::kRoot, tw::settings::kPrinterIds, printerId);
    }
    // Full path of a group of this printer ("%s\Page Settings" ...).
    std::wstring Group(const std::wstring& groupFormat, const wchar_t* root = tw::settings::kRoot) const {
        std::wstring g = groupFormat;
        g.replace(g.find(L"%s"), 2, name);
        return std::wstring(root) + L"\\" + g;
    }

    void SetRaw(const std::wstring& path, const wchar_t* value, DWORD type, const void* data, DWORD cb,
                HKEY hive = HKEY_CURRENT_USER) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key, value, 0, type, static_cast<const BYTE*>(data), cb), ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    void SetDword(const std::wstring& path, const wchar_t* value, DWORD data, HKEY hive = HKEY_CURRENT_USER) {
        SetRaw(path, value, REG_DWORD, &data, sizeof(data), hive);
    }
    // With its terminator, as the configuration programs store texts.
    void SetText(const std::wstring& path, const wchar_t* value, const std::wstring& text) {
        SetRaw(path, value, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void RemoveAfterwards(HKEY hive, const std::wstring& path) { cleanup.emplace_back(hive, path); }

    bool Exists(const std::wstring& path, HKEY hive = HKEY_CURRENT_USER) const {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        ::RegCloseKey(key);
        return true;
    }
    // Type and raw bytes of a value; type REG_NONE when it is missing.
    std::pair<DWORD, std::vector<BYTE>> Raw(const std::wstring& path, const wchar_t* value) const {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return {REG_NONE, {}};
        DWORD type = REG_NONE, cb = 0;
        std::vector<BYTE> data;
        if (::RegQueryValueExW(key, value, nullptr, &type, nullptr, &cb) == ERROR_SUCCESS) {
            data.resize(cb);
            ::RegQueryValueExW(key, value, nullptr, &type, data.data(), &cb);
        } else {
            type = REG_NONE;
        }
        ::RegCloseKey(key);
        return {type, data};
    }

    std::wstring name;
    DWORD printerId = 0;
    tw::TarnwellDEVMODE dm;
    std::vector<std::pair<HKEY, std::wstring>> cleanup;
};

}  // namespace twtest
