// tarnmon.dll under a spooler that hands MONITORINIT over on its stack, whose MONITORREG
// functions all answer ERROR_CALL_NOT_IMPLEMENTED and whose root key is closed once
// InitializePrintMonitor2 returns (Wine's spooler does all three).
#include <gtest/gtest.h>
#include <windows.h>
#include <winsplp.h>

#include <cstring>
#include <memory>
#include <vector>

#include "base/Registry.h"
#include "monitor/MonitorTestSupport.h"
#include "support/TestSupport.h"

namespace {

using InitFn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);

LONG WINAPI NoCreateKey(HANDLE, LPCWSTR, DWORD, REGSAM, PSECURITY_ATTRIBUTES, PHANDLE, PDWORD, HANDLE) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}
LONG WINAPI NoOpenKey(HANDLE, LPCWSTR, REGSAM, PHANDLE, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }
LONG WINAPI NoCloseKey(HANDLE, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }
LONG WINAPI NoDeleteKey(HANDLE, LPCWSTR, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }
LONG WINAPI NoEnumKey(HANDLE, DWORD, LPWSTR, PDWORD, PFILETIME, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }
LONG WINAPI NoQueryInfoKey(HANDLE, PDWORD, PDWORD, PDWORD, PDWORD, PDWORD, PDWORD, PFILETIME, HANDLE) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}
LONG WINAPI NoSetValue(HANDLE, LPCWSTR, DWORD, const BYTE*, DWORD, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }
LONG WINAPI NoDeleteValue(HANDLE, LPCWSTR, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }
LONG WINAPI NoEnumValue(HANDLE, DWORD, LPWSTR, PDWORD, PDWORD, PBYTE, PDWORD, HANDLE) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}
LONG WINAPI NoQueryValue(HANDLE, LPCWSTR, PDWORD, PBYTE, PDWORD, HANDLE) { return ERROR_CALL_NOT_IMPLEMENTED; }

const MONITORREG kNotImplemented = {sizeof(MONITORREG), NoCreateKey,  NoOpenKey,     NoCloseKey,
                                    NoDeleteKey,        NoEnumKey,    NoQueryInfoKey, NoSetValue,
                                    NoDeleteValue,      NoEnumValue,  NoQueryValue};

// What Wine's loader does: the block lives in this frame, the root key is closed afterwards
// and the frame is scribbled over, so a monitor that kept either pointer or key fails.
__attribute__((noinline)) LPMONITOR2 InitLikeWine(InitFn init, const std::wstring& monitorName) {
    tw::UniqueHKey root = tw::CreateKey(HKEY_LOCAL_MACHINE, twhost::MonitorRegistry::MonitorKeyPath(monitorName));
    MONITORINIT block{};
    block.cbSize = sizeof(block);
    block.hckRegistryRoot = root.get();
    block.pMonitorReg = const_cast<MONITORREG*>(&kNotImplemented);
    block.bLocal = TRUE;
    HANDLE hMonitor = nullptr;
    LPMONITOR2 table = init(&block, &hMonitor);
    std::memset(&block, 0xCC, sizeof(block));
    return table;
}

class SpoolerWithoutRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        m_name = twtest::UniqueName(L"TwWineMonitor");
        m_key = std::make_unique<twtest::ScopedMonitorKey>(m_name);
        m_module = ::LoadLibraryW(L"tarnmon.dll");
        ASSERT_NE(m_module, nullptr);
        auto init = reinterpret_cast<InitFn>(::GetProcAddress(m_module, "InitializePrintMonitor2"));
        ASSERT_NE(init, nullptr);
        m_table = InitLikeWine(init, m_name);
        ASSERT_NE(m_table, nullptr);
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
        m_key.reset();
    }

    std::vector<twtest::PortInfo2> Ports() {
        std::vector<BYTE> buf(8192);
        DWORD needed = 0, returned = 0;
        EXPECT_TRUE(m_table->pfnEnumPorts(nullptr, nullptr, 2, buf.data(), static_cast<DWORD>(buf.size()), &needed,
                                          &returned));
        return twtest::ReadPorts2(buf.data(), returned);
    }
    DWORD Xcv(const wchar_t* dataName, const void* input, DWORD cbInput) {
        HANDLE hXcv = nullptr;
        EXPECT_TRUE(m_table->pfnXcvOpenPort(nullptr, m_name.c_str(), SERVER_ACCESS_ADMINISTER, &hXcv));
        DWORD needed = 0;
        DWORD rc = m_table->pfnXcvDataPort(hXcv, dataName, static_cast<PBYTE>(const_cast<void*>(input)), cbInput,
                                           nullptr, 0, &needed);
        m_table->pfnXcvClosePort(hXcv);
        return rc;
    }
    DWORD XcvName(const wchar_t* dataName, const std::wstring& name) {
        return Xcv(dataName, name.c_str(), static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    }

    HMODULE m_module = nullptr;
    std::wstring m_name;
    std::unique_ptr<twtest::ScopedMonitorKey> m_key;
    LPMONITOR2 m_table = nullptr;
};

TEST_F(SpoolerWithoutRegistry, PortsLiveUnderTheMonitorsOwnKey) {
    m_key->AddPortValue(L"TWOLD:");
    auto ports = Ports();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].port, L"TWOLD:");
    // The monitor found its own name although the spooler could not write the probe value.
    EXPECT_EQ(ports[0].monitor, m_name);

    {
        twtest::ScopedPortIni ini(L"TWWINE:");
        EXPECT_EQ(XcvName(L"AddPort", L"TWWINE:"), 0u);
    }
    auto values = m_key->PortValues();
    EXPECT_EQ(values.size(), 2u);
    ports = Ports();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].port, L"TWWINE:");

    EXPECT_EQ(XcvName(L"DeletePort", L"TWWINE:"), 0u);
    values = m_key->PortValues();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0], L"TWOLD:");
    EXPECT_EQ(Ports().size(), 1u);
}

TEST_F(SpoolerWithoutRegistry, XcvReadsThePortNameOnlyWithinTheSizeGiven) {
    m_key->AddPortValue(L"TWKEEP:");
    ASSERT_EQ(Ports().size(), 1u);
    // A name without its terminator, right at the end of a committed page: reading one
    // character past the size given would fault.
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    BYTE* pages = static_cast<BYTE*>(::VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(pages, nullptr);
    ASSERT_NE(::VirtualAlloc(pages, si.dwPageSize, MEM_COMMIT, PAGE_READWRITE), nullptr);
    const wchar_t name[] = {L'T', L'W', L'K', L'E', L'E', L'P', L':'};
    BYTE* at = pages + si.dwPageSize - sizeof(name);
    std::memcpy(at, name, sizeof(name));

    EXPECT_EQ(Xcv(L"DeletePort", at, sizeof(name)), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Xcv(L"DeletePort", at, sizeof(name) - 1), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Xcv(L"DeletePort", at, 0), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Xcv(L"DeletePort", nullptr, 16), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Xcv(L"AddPort", at, sizeof(name)), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Xcv(L"AddPort", nullptr, 0), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // Nothing was deleted by the refused calls.
    EXPECT_EQ(Ports().size(), 1u);

    // A terminator inside the size given ends the name there, whatever follows it.
    const wchar_t padded[] = {L'T', L'W', L'K', L'E', L'E', L'P', L':', 0, L'X', L'Y'};
    BYTE* at2 = pages + si.dwPageSize - sizeof(padded);
    std::memcpy(at2, padded, sizeof(padded));
    EXPECT_EQ(Xcv(L"DeletePort", at2, sizeof(padded)), 0u);
    EXPECT_TRUE(Ports().empty());
    // MonitorUI reads no input at all.
    EXPECT_EQ(Xcv(L"MonitorUI", nullptr, 0), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ::VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace
