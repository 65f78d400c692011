// The buffer protocol of the simulated spooler's Get* calls: exact sizes, short and null buffers,
// and records whose pointers lead to readable strings and DEVMODEs inside the caller's buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/SimSpooler.h"

namespace {

constexpr wchar_t kPrinter[] = L"TW Records Printer";
constexpr size_t kProductDevModeSize = 6879;

using GetCall = std::function<BOOL(LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded)>;

DWORD Bytes(const std::wstring& s) { return static_cast<DWORD>((s.size() + 1) * sizeof(wchar_t)); }

std::vector<BYTE> PatternBytes(size_t size) {
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * 7 + 3);
    return bytes;
}

// Strings that follow a DEVMODE of odd size start on the next even byte.
DWORD Even(size_t n) { return static_cast<DWORD>((n + 1) & ~size_t{1}); }

// Runs a Get* call as callers do and checks every step of the protocol on the way; returns the
// filled buffer (exactly the size needed), or nothing when the last call failed.
std::vector<BYTE> Fetch(const GetCall& call, DWORD expectedNeeded) {
    DWORD needed = 0xdeadbeef;
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(call(nullptr, 0, &needed));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, expectedNeeded);

    // A null buffer is too small whatever size the caller claims for it.
    needed = 0;
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(call(nullptr, expectedNeeded + 64, &needed));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, expectedNeeded);

    constexpr size_t kGuard = 32;
    std::vector<BYTE> buf(expectedNeeded + kGuard, 0xCC);
    needed = 0;
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(call(buf.data(), expectedNeeded - 1, &needed));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, expectedNeeded);
    EXPECT_EQ(std::count(buf.begin(), buf.end(), 0xCC), static_cast<ptrdiff_t>(buf.size()))
        << "a refused call wrote into the buffer";

    needed = 0;
    if (!call(buf.data(), expectedNeeded, &needed)) {
        ADD_FAILURE() << "the call failed with the size it asked for, error " << ::GetLastError();
        return {};
    }
    EXPECT_EQ(needed, expectedNeeded);
    EXPECT_EQ(std::count(buf.begin() + expectedNeeded, buf.end(), 0xCC), static_cast<ptrdiff_t>(kGuard))
        << "wrote past the size needed";
    buf.resize(expectedNeeded);
    return buf;
}

bool Inside(const void* p, const std::vector<BYTE>& buf) {
    auto b = static_cast<const BYTE*>(p);
    return b >= buf.data() && b < buf.data() + buf.size();
}

bool Aligned8(const void* p) { return reinterpret_cast<ULONG_PTR>(p) % 8 == 0; }

class SimSpoolerRecords : public ::testing::Test {
protected:
    void SetUp() override {
        SimPrinterForTest();
        ASSERT_TRUE(m_spooler.AddPrinter(m_printer));
        m_job.document = L"Quarterly report.docx";
        m_job.user = L"alice";
        m_job.machine = L"\\\\WORKSTATION7";
        m_job.totalPages = 3;
        m_job.submitted = SYSTEMTIME{2024, 2, 4, 29, 23, 59, 58, 999};
        m_jobId = m_spooler.AddJob(kPrinter, m_job);
        ASSERT_NE(m_jobId, 0u);
        ASSERT_TRUE(m_spooler.OpenPrinter(kPrinter, &m_h, nullptr));
    }
    void TearDown() override { m_spooler.ClosePrinter(m_h); }

    void SimPrinterForTest() {
        m_printer.name = kPrinter;
        m_printer.portName = L"TWPORT1:";
        m_printer.driverName = L"TW Driver";
        m_printer.driverPath = L"C:\\drivers\\twdrv.dll";
        m_printer.dataFile = L"C:\\drivers\\twdrv.ini";
        m_printer.configFile = L"C:\\drivers\\twui.dll";
        m_printer.comment = L"front office";
        m_printer.shared = true;
        m_printer.devMode = PatternBytes(kProductDevModeSize);
    }

    twhost::SimSpooler m_spooler;
    twhost::SimPrinter m_printer;
    twhost::SimJob m_job;
    DWORD m_jobId = 0;
    HANDLE m_h = nullptr;
};

TEST_F(SimSpoolerRecords, JobLevel1) {
    DWORD expected = sizeof(JOB_INFO_1W) + Bytes(kPrinter) + Bytes(m_job.machine) + Bytes(m_job.user) +
                     Bytes(m_job.document) + Bytes(m_job.datatype);
    auto buf = Fetch([&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetJob(m_h, m_jobId, 1, b, cb, n); },
                     expected);
    ASSERT_FALSE(buf.empty());
    auto info = reinterpret_cast<const JOB_INFO_1W*>(buf.data());
    EXPECT_EQ(info->JobId, m_jobId);
    ASSERT_TRUE(Inside(info->pDocument, buf));
    EXPECT_STREQ(info->pDocument, L"Quarterly report.docx");
    EXPECT_STREQ(info->pPrinterName, kPrinter);
    EXPECT_STREQ(info->pMachineName, L"\\\\WORKSTATION7");
    EXPECT_STREQ(info->pUserName, L"alice");
    EXPECT_STREQ(info->pDatatype, L"NT EMF 1.008");
    EXPECT_EQ(info->Status, static_cast<DWORD>(JOB_STATUS_PRINTING));
    EXPECT_EQ(info->Position, 1u);
    EXPECT_EQ(info->TotalPages, 3u);
    EXPECT_EQ(info->Submitted.wYear, 2024);
    EXPECT_EQ(info->Submitted.wMilliseconds, 999);
}

TEST_F(SimSpoolerRecords, JobLevel2CarriesTheJobDevModeOrThePrinterDefault) {
    DWORD strings = Bytes(kPrinter) + Bytes(m_job.machine) + 2 * Bytes(m_job.user) + Bytes(m_job.document) +
                    Bytes(m_job.datatype) + Bytes(L"winprint") + Bytes(L"") + Bytes(m_printer.driverName);
    auto buf = Fetch([&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetJob(m_h, m_jobId, 2, b, cb, n); },
                     Even(sizeof(JOB_INFO_2W) + kProductDevModeSize) + strings);
    ASSERT_FALSE(buf.empty());
    auto info = reinterpret_cast<const JOB_INFO_2W*>(buf.data());
    ASSERT_TRUE(Inside(info->pDevMode, buf));
    EXPECT_TRUE(Aligned8(info->pDevMode));
    EXPECT_EQ(std::memcmp(info->pDevMode, m_printer.devMode.data(), kProductDevModeSize), 0);
    EXPECT_STREQ(info->pMachineName, L"\\\\WORKSTATION7");
    EXPECT_STREQ(info->pDriverName, L"TW Driver");

    twhost::SimJob own = m_job;
    own.devMode = PatternBytes(301);  // odd sizes are handed out as they are
    DWORD ownId = m_spooler.AddJob(kPrinter, own);
    auto buf2 = Fetch([&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetJob(m_h, ownId, 2, b, cb, n); },
                      Even(sizeof(JOB_INFO_2W) + 301) + strings);
    ASSERT_FALSE(buf2.empty());
    auto info2 = reinterpret_cast<const JOB_INFO_2W*>(buf2.data());
    EXPECT_EQ(std::memcmp(info2->pDevMode, own.devMode.data(), 301), 0);
    EXPECT_EQ(info2->Position, 2u);
}

TEST_F(SimSpoolerRecords, PrinterLevel2) {
    DWORD strings = Bytes(kPrinter) + Bytes(kPrinter) /* share name */ + Bytes(m_printer.portName) +
                    Bytes(m_printer.driverName) + Bytes(m_printer.comment) + Bytes(L"") /* location */ +
                    Bytes(L"") /* separator */ + Bytes(L"winprint") + Bytes(L"RAW") + Bytes(L"") /* parameters */;
    auto buf = Fetch([&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetPrinter(m_h, 2, b, cb, n); },
                     Even(sizeof(PRINTER_INFO_2W) + kProductDevModeSize) + strings);
    ASSERT_FALSE(buf.empty());
    auto info = reinterpret_cast<const PRINTER_INFO_2W*>(buf.data());
    EXPECT_TRUE(info->Attributes & PRINTER_ATTRIBUTE_SHARED);
    EXPECT_STREQ(info->pPortName, L"TWPORT1:");
    EXPECT_STREQ(info->pShareName, kPrinter);
    EXPECT_EQ(info->pServerName, nullptr);
    EXPECT_EQ(info->cJobs, 1u);
    EXPECT_TRUE(Aligned8(info->pDevMode));
}

TEST_F(SimSpoolerRecords, PrinterLevels8And9CarryGlobalAndPerUserDevModes) {
    auto global = Fetch([&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetPrinter(m_h, 8, b, cb, n); },
                        sizeof(PRINTER_INFO_8W) + kProductDevModeSize);
    ASSERT_FALSE(global.empty());
    auto info8 = reinterpret_cast<const PRINTER_INFO_8W*>(global.data());
    ASSERT_TRUE(Inside(info8->pDevMode, global));
    EXPECT_TRUE(Aligned8(info8->pDevMode));
    EXPECT_EQ(std::memcmp(info8->pDevMode, m_printer.devMode.data(), kProductDevModeSize), 0);

    // A user who never set a default gets the structure with a null DEVMODE.
    auto none = Fetch([&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetPrinter(m_h, 9, b, cb, n); },
                      sizeof(PRINTER_INFO_9W));
    ASSERT_FALSE(none.empty());
    EXPECT_EQ(reinterpret_cast<const PRINTER_INFO_9W*>(none.data())->pDevMode, nullptr);

    m_printer.userDevMode = PatternBytes(kProductDevModeSize);
    (*m_printer.userDevMode)[100] = 0x5A;
    ASSERT_TRUE(m_spooler.UpdatePrinter(m_printer));
    auto user = Fetch([&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetPrinter(m_h, 9, b, cb, n); },
                      sizeof(PRINTER_INFO_9W) + kProductDevModeSize);
    ASSERT_FALSE(user.empty());
    auto info9 = reinterpret_cast<const PRINTER_INFO_9W*>(user.data());
    ASSERT_TRUE(Inside(info9->pDevMode, user));
    EXPECT_EQ(reinterpret_cast<const BYTE*>(info9->pDevMode)[100], 0x5A);
}

TEST_F(SimSpoolerRecords, DriverLevel2AndDriverDirectory) {
    DWORD expected = sizeof(DRIVER_INFO_2W) + Bytes(m_printer.driverName) + Bytes(L"Windows x64") +
                     Bytes(m_printer.driverPath) + Bytes(m_printer.dataFile) + Bytes(m_printer.configFile);
    auto buf = Fetch(
        [&](LPBYTE b, DWORD cb, LPDWORD n) { return m_spooler.GetPrinterDriver(m_h, nullptr, 2, b, cb, n); }, expected);
    ASSERT_FALSE(buf.empty());
    auto info = reinterpret_cast<const DRIVER_INFO_2W*>(buf.data());
    ASSERT_TRUE(Inside(info->pDataFile, buf));
    EXPECT_STREQ(info->pDataFile, L"C:\\drivers\\twdrv.ini");
    EXPECT_STREQ(info->pName, L"TW Driver");

    m_spooler.SetDriverDirectory(L"C:\\spool\\drivers\\x64");
    auto dir = Fetch(
        [&](LPBYTE b, DWORD cb, LPDWORD n) {
            return m_spooler.GetPrinterDriverDirectory(nullptr, L"Windows x64", 1, b, cb, n);
        },
        Bytes(L"C:\\spool\\drivers\\x64"));
    ASSERT_FALSE(dir.empty());
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(dir.data()), L"C:\\spool\\drivers\\x64");
}

// Every refusal sets its error and leaves the size needed at 0.
TEST_F(SimSpoolerRecords, RefusedCalls) {
    twhost::SimPrinter other;
    other.name = L"TW Other Printer";
    ASSERT_TRUE(m_spooler.AddPrinter(other));
    HANDLE hOther = nullptr;
    ASSERT_TRUE(m_spooler.OpenPrinter(L"tw other printer", &hOther, nullptr));
    HANDLE bogus = reinterpret_cast<HANDLE>(0x1234);
    BYTE b[4096];
    DWORD n = 0xdeadbeef;
    struct Case {
        const char* what;
        std::function<BOOL()> call;
        DWORD error;
    } cases[] = {
        {"GetJob level 3", [&] { return m_spooler.GetJob(m_h, m_jobId, 3, b, sizeof(b), &n); }, ERROR_INVALID_LEVEL},
        {"GetPrinter level 1", [&] { return m_spooler.GetPrinter(m_h, 1, b, sizeof(b), &n); }, ERROR_INVALID_LEVEL},
        {"GetPrinterDriver level 3", [&] { return m_spooler.GetPrinterDriver(m_h, nullptr, 3, b, sizeof(b), &n); },
         ERROR_INVALID_LEVEL},
        {"GetPrinterDriverDirectory level 2",
         [&] { return m_spooler.GetPrinterDriverDirectory(nullptr, nullptr, 2, b, sizeof(b), &n); },
         ERROR_INVALID_LEVEL},
        {"GetJob bad handle", [&] { return m_spooler.GetJob(bogus, m_jobId, 1, b, sizeof(b), &n); },
         ERROR_INVALID_HANDLE},
        {"GetPrinter bad handle", [&] { return m_spooler.GetPrinter(bogus, 2, b, sizeof(b), &n); },
         ERROR_INVALID_HANDLE},
        {"GetPrinterDriver bad handle",
         [&] { return m_spooler.GetPrinterDriver(bogus, nullptr, 2, b, sizeof(b), &n); }, ERROR_INVALID_HANDLE},
        {"GetJob unknown job", [&] { return m_spooler.GetJob(m_h, m_jobId + 1000, 1, b, sizeof(b), &n); },
         ERROR_INVALID_PARAMETER},
        // A job is found only through a handle on its own printer.
        {"GetJob other printer", [&] { return m_spooler.GetJob(hOther, m_jobId, 1, b, sizeof(b), &n); },
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        n = 0xdeadbeef;
        ::SetLastError(0xdeadbeef);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(::GetLastError(), c.error) << c.what;
        EXPECT_EQ(n, 0u) << c.what;
    }
    EXPECT_EQ(m_spooler.GetPrinterData(bogus, L"HWND", nullptr, b, sizeof(b), &n),
              static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(m_spooler.ClosePrinter(hOther));
}

TEST_F(SimSpoolerRecords, PrinterData) {
    const BYTE hwnd[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(m_spooler.SetPrinterData(kPrinter, L"HWND", REG_BINARY, hwnd, sizeof(hwnd)));

    BYTE out[16] = {};
    DWORD type = 0, needed = 0;
    EXPECT_EQ(m_spooler.GetPrinterData(m_h, L"Missing", &type, out, sizeof(out), &needed),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_EQ(m_spooler.GetPrinterData(m_h, L"HWND", &type, out, 7, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, 8u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(out[0], 0) << "a refused call wrote data";
    EXPECT_EQ(m_spooler.GetPrinterData(m_h, L"HWND", &type, nullptr, 64, &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));

    // Value names compare without case, as registry names do.
    needed = 0;
    EXPECT_EQ(m_spooler.GetPrinterData(m_h, L"hwnd", nullptr, out, 8, &needed), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(needed, 8u);
    EXPECT_EQ(std::memcmp(out, hwnd, 8), 0);
}

}  // namespace
