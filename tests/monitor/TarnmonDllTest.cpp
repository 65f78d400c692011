// tarnmon.dll as the spooler sees it: loaded with LoadLibrary, driven through its MONITOR2 table.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsplp.h>

#include <vector>

#include "monitor/MonitorTestSupport.h"
#include "support/TestSupport.h"

namespace {

using InitFn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);
constexpr DWORD kPoison = 0xdeadbeef;

class TarnmonDll : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh load per test: the library's port list lives as long as the library.
        m_module = ::LoadLibraryW(L"tarnmon.dll");
        ASSERT_NE(m_module, nullptr) << "LoadLibrary failed: " << ::GetLastError();
        auto init = reinterpret_cast<InitFn>(::GetProcAddress(m_module, "InitializePrintMonitor2"));
        ASSERT_NE(init, nullptr);
        m_name = twtest::UniqueName(L"TwTestMonitor");
        m_key = std::make_unique<twtest::ScopedMonitorKey>(m_name);
        HANDLE hMonitor = reinterpret_cast<HANDLE>(1);
        m_table = init(m_key->Registry().MonitorInit(), &hMonitor);
        ASSERT_NE(m_table, nullptr);
        EXPECT_EQ(hMonitor, nullptr);
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
        m_key.reset();
    }

    BOOL Enum(DWORD level, std::vector<BYTE>& buf, DWORD cb, DWORD& needed, DWORD& returned, LPWSTR server = nullptr) {
        needed = returned = kPoison;
        ::SetLastError(kPoison);
        return m_table->pfnEnumPorts(nullptr, server, level, buf.empty() ? nullptr : buf.data(), cb, &needed,
                                     &returned);
    }
    DWORD Xcv(const wchar_t* dataName, const std::wstring& input, const wchar_t* object = L",XcvMonitor Tarnwell") {
        HANDLE hXcv = nullptr;
        EXPECT_TRUE(m_table->pfnXcvOpenPort(nullptr, object, SERVER_ACCESS_ADMINISTER, &hXcv));
        DWORD needed = kPoison;
        DWORD rc = m_table->pfnXcvDataPort(hXcv, dataName, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(input.c_str())),
                                           static_cast<DWORD>((input.size() + 1) * 2), nullptr, 0, &needed);
        m_table->pfnXcvClosePort(hXcv);
        return rc;
    }

    HMODULE m_module = nullptr;
    std::wstring m_name;
    std::unique_ptr<twtest::ScopedMonitorKey> m_key;
    LPMONITOR2 m_table = nullptr;
};

TEST_F(TarnmonDll, ExportsTheEntryPointsAndTheTable) {
    EXPECT_NE(::GetProcAddress(m_module, "CallDLL"), nullptr);
    EXPECT_NE(::GetProcAddress(m_module, "DllEntryPoint"), nullptr);
    auto callDll = reinterpret_cast<DWORD(WINAPI*)(DWORD, PDEVMODEW)>(::GetProcAddress(m_module, "CallDLL"));
    EXPECT_EQ(callDll(0, nullptr), 0u);

    EXPECT_EQ(m_table->cbSize, 160u);
    EXPECT_NE(m_table->pfnEnumPorts, nullptr);
    EXPECT_NE(m_table->pfnOpenPort, nullptr);
    EXPECT_NE(m_table->pfnOpenPortEx, nullptr);
    EXPECT_NE(m_table->pfnStartDocPort, nullptr);
    EXPECT_NE(m_table->pfnWritePort, nullptr);
    EXPECT_NE(m_table->pfnReadPort, nullptr);
    EXPECT_NE(m_table->pfnEndDocPort, nullptr);
    EXPECT_NE(m_table->pfnClosePort, nullptr);
    EXPECT_EQ(m_table->pfnAddPort, nullptr);
    EXPECT_EQ(m_table->pfnAddPortEx, nullptr);
    EXPECT_EQ(m_table->pfnConfigurePort, nullptr);
    EXPECT_EQ(m_table->pfnDeletePort, nullptr);
    EXPECT_EQ(m_table->pfnGetPrinterDataFromPort, nullptr);
    EXPECT_EQ(m_table->pfnSetPortTimeOuts, nullptr);
    EXPECT_NE(m_table->pfnXcvOpenPort, nullptr);
    EXPECT_NE(m_table->pfnXcvDataPort, nullptr);
    EXPECT_NE(m_table->pfnXcvClosePort, nullptr);
    EXPECT_NE(m_table->pfnShutdown, nullptr);
    EXPECT_EQ(m_table->pfnSendRecvBidiDataFromPort, nullptr);
    // The probe value used to find the monitor's own name is gone again.
    EXPECT_NE(::RegQueryValueExW(m_key->Registry().Root(), L"MonitorTest", nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}

TEST_F(TarnmonDll, EnumeratesAnEmptyListAndRefusesOtherLevels) {
    std::vector<BYTE> none;
    DWORD needed, returned;
    EXPECT_TRUE(Enum(1, none, 0, needed, returned));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);

    m_key->AddPortValue(L"TWA:");
    std::vector<BYTE> buf(4096);
    EXPECT_TRUE(Enum(2, buf, 4096, needed, returned, const_cast<LPWSTR>(L"\\\\server")));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);

    EXPECT_FALSE(Enum(3, buf, 4096, needed, returned));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);
}

TEST_F(TarnmonDll, EnumeratesExactSizesAndFailsOneByteShort) {
    m_key->AddPortValue(L"TWA:");
    m_key->AddPortValue(L"TWLONGER:");
    std::vector<BYTE> none;
    DWORD needed, returned;

    // Level 1: 8 bytes per port plus its name with terminator.
    EXPECT_FALSE(Enum(1, none, 0, needed, returned));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 8u + 10u + 8u + 20u);
    EXPECT_EQ(returned, 0u);

    // Level 2: 32 bytes per port plus name, monitor name and description.
    EXPECT_FALSE(Enum(2, none, 0, needed, returned));
    DWORD monitorBytes = static_cast<DWORD>((m_name.size() + 1) * 2);
    DWORD descBytes = sizeof(L"Tarnwell Port");
    EXPECT_EQ(needed, 32u + 10u + monitorBytes + descBytes + 32u + 20u + monitorBytes + descBytes);

    DWORD exact = needed;
    std::vector<BYTE> buf(exact);
    EXPECT_FALSE(Enum(2, buf, exact - 1, needed, returned));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, exact);
    EXPECT_EQ(returned, 0u);

    ASSERT_TRUE(Enum(2, buf, exact, needed, returned));
    ASSERT_EQ(returned, 2u);
    auto ports = twtest::ReadPorts2(buf.data(), returned);
    // Newest loaded first; the monitor found its own name in the registry.
    EXPECT_EQ(ports[0].port, L"TWLONGER:");
    EXPECT_EQ(ports[1].port, L"TWA:");
    for (const auto& p : ports) {
        EXPECT_EQ(p.monitor, m_name);
        EXPECT_EQ(p.description, L"Tarnwell Port");
        EXPECT_EQ(p.type, static_cast<DWORD>(PORT_TYPE_WRITE));
    }
    // Strings are packed at the end of the buffer, below one another.
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buf.data());
    EXPECT_EQ(reinterpret_cast<const BYTE*>(info[0].pDescription) + descBytes, buf.data() + exact);
}

TEST_F(TarnmonDll, XcvDataAnswers) {
    EXPECT_EQ(Xcv(L"MonitorUI", L""), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Xcv(L"monitorui", L""), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Xcv(L"SomethingElse", L""), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DWORD needed = 0;
    EXPECT_EQ(m_table->pfnXcvDataPort(nullptr, L"MonitorUI", nullptr, 0, nullptr, 0, &needed),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    HANDLE hXcv = nullptr;
    EXPECT_FALSE(m_table->pfnXcvOpenPort(nullptr, L"", SERVER_ACCESS_ADMINISTER, &hXcv));
    EXPECT_FALSE(m_table->pfnXcvClosePort(nullptr));
}

TEST_F(TarnmonDll, AddsAndDeletesPortsThroughXcv) {
    {
        twtest::ScopedPortIni ini(L"TWNEW:");
        EXPECT_EQ(Xcv(L"AddPort", L"ignored"), 0u);
        // The same name in another case is refused, yet AddPort still answers 0.
        twtest::ScopedPortIni ini2(L"twnew:");
        EXPECT_EQ(Xcv(L"AddPort", L"ignored"), 0u);
    }
    auto values = m_key->PortValues();
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0], L"TWNEW:");
    DWORD needed, returned;
    std::vector<BYTE> buf(4096);
    ASSERT_TRUE(Enum(1, buf, 4096, needed, returned));
    EXPECT_EQ(returned, 1u);

    EXPECT_EQ(Xcv(L"DeletePort", L"TWNEW:"), 0u);
    EXPECT_TRUE(m_key->PortValues().empty());
    ASSERT_TRUE(Enum(1, buf, 4096, needed, returned));
    EXPECT_EQ(returned, 0u);
    // Deleting a port that is not there still answers 0.
    EXPECT_EQ(Xcv(L"DeletePort", L"TWNEW:"), 0u);
}

TEST_F(TarnmonDll, DrivesADocumentThroughAPort) {
    m_key->AddPortValue(L"TWDOC:");
    std::vector<BYTE> buf(4096);
    DWORD needed, returned;
    ASSERT_TRUE(Enum(1, buf, 4096, needed, returned));

    HANDLE hPort = nullptr;
    ASSERT_TRUE(m_table->pfnOpenPort(nullptr, const_cast<LPWSTR>(L"twdoc:"), &hPort));
    ASSERT_NE(hPort, nullptr);
    HANDLE hNone = nullptr;
    EXPECT_FALSE(m_table->pfnOpenPort(nullptr, const_cast<LPWSTR>(L"TWNONE:"), &hNone));

    BYTE byte = 0;
    DWORD written = kPoison;
    // No document yet: there is no job to take the bytes.
    EXPECT_FALSE(m_table->pfnWritePort(hPort, &byte, 1, &written));

    DOC_INFO_1W doc{const_cast<LPWSTR>(L"Test document"), nullptr, nullptr};
    // Wine has no printers: OpenPrinter fails and the document still proceeds.
    EXPECT_TRUE(m_table->pfnStartDocPort(hPort, const_cast<LPWSTR>(L"No Such Printer"), 7, 1,
                                         reinterpret_cast<BYTE*>(&doc)));
    EXPECT_TRUE(m_table->pfnStartDocPort(hPort, const_cast<LPWSTR>(L"No Such Printer"), 7, 1,
                                         reinterpret_cast<BYTE*>(&doc)));
    written = kPoison;
    EXPECT_TRUE(m_table->pfnWritePort(hPort, &byte, 0, &written));
    EXPECT_EQ(written, 0u);
    DWORD read = kPoison;
    EXPECT_TRUE(m_table->pfnReadPort(hPort, buf.data(), 16, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(m_table->pfnEndDocPort(hPort));
    EXPECT_TRUE(m_table->pfnClosePort(hPort));

    ::SetLastError(kPoison);
    EXPECT_FALSE(m_table->pfnStartDocPort(nullptr, nullptr, 1, 1, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ::SetLastError(kPoison);
    EXPECT_FALSE(m_table->pfnWritePort(nullptr, &byte, 1, &written));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ::SetLastError(kPoison);
    EXPECT_FALSE(m_table->pfnEndDocPort(nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ::SetLastError(kPoison);
    EXPECT_FALSE(m_table->pfnClosePort(nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
