#pragma once
// A printer of its own for each job-environment test (record, registry keys, "%s\EnvVars"
// values), a recording stand-in for the network lookups, and process-wide user variables that
// are removed again when the test ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "notify/NetworkLookup.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "support/TestSupport.h"

namespace twtest {

// Answers from tables and records every call as "Function argument".
class RecordingNetworkLookup final : public tw::INetworkLookup {
public:
    tw::HostEntry HostByName(const std::wstring& hostName) override {
        calls.push_back(L"HostByName " + hostName);
        auto it = hosts.find(hostName);
        return it == hosts.end() ? tw::HostEntry{} : it->second;
    }
    std::wstring HostByAddr(const std::wstring& address) override {
        calls.push_back(L"HostByAddr " + address);
        auto it = addresses.find(address);
        return it == addresses.end() ? std::wstring() : it->second;
    }
    std::wstring LocalHostName() override {
        calls.push_back(L"LocalHostName");
        return localHostName;
    }
    std::wstring WorkstationDomain(const std::wstring& computerName) override {
        calls.push_back(L"WorkstationDomain " + computerName);
        auto it = domains.find(computerName);
        return it == domains.end() ? std::wstring() : it->second;
    }

    std::map<std::wstring, tw::HostEntry> hosts;
    std::map<std::wstring, std::wstring> addresses;
    std::map<std::wstring, std::wstring> domains;
    std::wstring localHostName;
    std::vector<std::wstring> calls;
};

class EnvironmentFixture : public ::testing::Test {
protected:
    void SetUp() override {
        printerName = UniqueName(L"EnvPrn");
        dm.Clear();
        dm.SetText(tw::dmtext::dmDeviceName, printerName);
        static std::atomic<DWORD> counter{0};
        // Ids far from any a real printer gets, distinct per process and test.
        printerId = 0xB0000000u | ((::GetCurrentProcessId() & 0xFFFF) << 12) | (counter++ & 0xFFF);
        dm.Write<DWORD>(tw::dmoff::PrinterId, printerId);
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, PrinterKey().c_str());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, IdKey().c_str());
        HKEY env = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, KEY_SET_VALUE, &env) == ERROR_SUCCESS) {
            for (const auto& name : userVariables) ::RegDeleteValueW(env, name.c_str());
            ::RegCloseKey(env);
        }
        for (const auto& name : userVariables) ::SetEnvironmentVariableW(name.c_str(), nullptr);
    }

    std::wstring PrinterKey() const { return std::wstring(tw::settings::kRoot) + L"\\" + printerName; }
    std::wstring IdKey() const {
        return tw::FormatW(L"%s\\%s\\%lu", tw::settings::kRoot, tw::settings::kPrinterIds, printerId);
    }

    static void WriteText(const std::wstring& path, const wchar_t* value, const std::wstring& text) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    // A value of this printer's "%s\EnvVars" group.
    void SetEnvVar(const wchar_t* name, const std::wstring& value) {
        WriteText(PrinterKey() + L"\\EnvVars", name, value);
    }
    // A variable of the user running the tests, where both the process environment and the user's
    // profile environment show it (implementations of the per-user expansion read one or the other).
    void SetUserVariable(const std::wstring& name, const std::wstring& value) {
        userVariables.push_back(name);
        WriteText(L"Environment", name.c_str(), value);
        ASSERT_TRUE(::SetEnvironmentVariableW(name.c_str(), value.c_str()));
    }
    // A name no environment and no registry holds.
    static std::wstring UnknownName() { return UniqueName(L"TwNoSuchVar"); }

    std::wstring printerName;
    DWORD printerId = 0;
    tw::TarnwellDEVMODE dm;
    std::vector<std::wstring> userVariables;
};

}  // namespace twtest
