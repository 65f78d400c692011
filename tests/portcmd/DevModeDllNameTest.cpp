#include <gtest/gtest.h>

#include <string>

#include "monitor/SpoolerSeam.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "support/TestSupport.h"

namespace {

// Answers only the driver directory question, with a directory of the test's choosing.
class DriverDirectorySpooler final : public tw::ISpooler {
public:
    std::wstring directory;
    bool fail = false;
    int calls = 0;

    BOOL GetPrinterDriverDirectory(LPCWSTR server, LPCWSTR environment, DWORD level, LPBYTE buf, DWORD cbBuf,
                                   LPDWORD pcbNeeded) override {
        ++calls;
        DWORD needed = static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t));
        if (pcbNeeded) *pcbNeeded = needed;
        if (fail || server || environment || level != 1) return Refuse();
        if (cbBuf < needed) return Refuse(ERROR_INSUFFICIENT_BUFFER);
        memcpy(buf, directory.c_str(), needed);
        return TRUE;
    }

    BOOL OpenPrinter(LPCWSTR, HANDLE*, PRINTER_DEFAULTSW*) override { return Refuse(); }
    BOOL ClosePrinter(HANDLE) override { return Refuse(); }
    BOOL GetJob(HANDLE, DWORD, DWORD, LPBYTE, DWORD, LPDWORD) override { return Refuse(); }
    BOOL SetJob(HANDLE, DWORD, DWORD, LPBYTE, DWORD) override { return Refuse(); }
    BOOL GetPrinter(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD) override { return Refuse(); }
    DWORD GetPrinterData(HANDLE, LPCWSTR, LPDWORD, LPBYTE, DWORD, LPDWORD) override { return ERROR_NOT_SUPPORTED; }
    BOOL GetPrinterDriver(HANDLE, LPCWSTR, DWORD, LPBYTE, DWORD, LPDWORD) override { return Refuse(); }
    HANDLE RevertToPrinterSelf() override { return nullptr; }
    BOOL ImpersonatePrinterClient(HANDLE) override { return Refuse(); }
    HDC CreatePrinterDC(LPCWSTR, const DEVMODEW*) override { return nullptr; }

private:
    static BOOL Refuse(DWORD error = ERROR_NOT_SUPPORTED) {
        ::SetLastError(error);
        return FALSE;
    }
};

class GetCorrectDllNameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = &tw::Spooler();
        tw::SetSpooler(&spooler);
        root = twtest::MakeTempDir(L"DllName");
        spooler.directory = root + L"\\drivers";
        ::CreateDirectoryW(spooler.directory.c_str(), nullptr);
        ::CreateDirectoryW((spooler.directory + L"\\3").c_str(), nullptr);
    }
    void TearDown() override {
        tw::SetSpooler(m_previous);
        twtest::RemoveTree(root);
    }
    static void Touch(const std::wstring& path) { twtest::WriteFileBytes(path, "MZ"); }

    DriverDirectorySpooler spooler;
    std::wstring root;

private:
    tw::ISpooler* m_previous = nullptr;
};

}  // namespace

TEST_F(GetCorrectDllNameTest, ExistingPathIsUsedAsItIs) {
    std::wstring path = root + L"\\TwTiff.dll";
    Touch(path);
    std::wstring out;
    ASSERT_TRUE(tw::GetCorrectDllName(path, out));
    EXPECT_EQ(out, path);
    EXPECT_EQ(spooler.calls, 0);
}

TEST_F(GetCorrectDllNameTest, FallsBackToTheDriverDirectoryThenItsVersionSubdirectory) {
    std::wstring out;
    Touch(spooler.directory + L"\\3\\TwJpeg.dll");
    ASSERT_TRUE(tw::GetCorrectDllName(root + L"\\missing\\TwJpeg.dll", out));
    EXPECT_EQ(out, spooler.directory + L"\\3\\TwJpeg.dll");

    Touch(spooler.directory + L"\\TwJpeg.dll");  // the directory itself comes first
    ASSERT_TRUE(tw::GetCorrectDllName(L"C:\\nowhere\\TwJpeg.dll", out));
    EXPECT_EQ(out, spooler.directory + L"\\TwJpeg.dll");

    ASSERT_TRUE(tw::GetCorrectDllName(L"TwJpeg.dll", out));  // a bare name is looked up too
    EXPECT_EQ(out, spooler.directory + L"\\TwJpeg.dll");
}

TEST_F(GetCorrectDllNameTest, UnknownLibraryIsLeftToTheLibrarySearch) {
    std::wstring out;
    ASSERT_TRUE(tw::GetCorrectDllName(L"C:\\nowhere\\NotThere.dll", out));
    EXPECT_EQ(out, L"NotThere.dll");
    EXPECT_EQ(spooler.calls, 1);
}

TEST_F(GetCorrectDllNameTest, FailsWithoutDriverDirectoryOrFileName) {
    std::wstring out = L"unchanged";
    spooler.fail = true;
    EXPECT_FALSE(tw::GetCorrectDllName(L"C:\\nowhere\\NotThere.dll", out));
    EXPECT_EQ(out, L"unchanged");
    spooler.fail = false;
    EXPECT_FALSE(tw::GetCorrectDllName(L"", out));
    EXPECT_FALSE(tw::GetCorrectDllName(root + L"\\", out));  // a directory names no library
    EXPECT_EQ(out, L"unchanged");
}
