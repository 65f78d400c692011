// The printer forwarding records, read back value by value, and the forwarding log check.
#include <gtest/gtest.h>

#include <cstring>

#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/SettingsTestPrinter.h"
#include "base/UniqueHandle.h"
#include "notify/ForwardingFile.h"
#include "notify/ForwardingLog.h"
#include "notify/ForwardingRecords.h"
#include "portcmd/DevModeLayout.h"

namespace {

namespace fw = tw::forwarding;

class ForwardingRecords : public twtest::SettingsPrinter {
protected:
    std::wstring Record(DWORD id, DWORD sequence) const {
        return Group(tw::FormatW(L"%%s\\Forwarding\\%lu_%lu", id, sequence));
    }
    std::wstring Text(const std::wstring& path, const wchar_t* value) const {
        auto [type, data] = Raw(path, value);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << tw::ToUtf8(value);
        std::wstring t(data.size() / 2, L'\0');
        if (!t.empty()) std::memcpy(t.data(), data.data(), t.size() * 2);
        while (!t.empty() && t.back() == L'\0') t.pop_back();
        return t;
    }
    DWORD Dword(const std::wstring& path, const wchar_t* value) const {
        auto [type, data] = Raw(path, value);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << tw::ToUtf8(value);
        DWORD v = 0;
        if (data.size() == 4) std::memcpy(&v, data.data(), 4);
        return v;
    }
    fw::ForwardingJob Job(DWORD id) {
        fw::ForwardingJob job;
        job.dm = &dm;
        job.jobId = 12;
        job.postPrintId = id;
        job.printerName = name;
        job.documentName = std::wstring(200, L'd');
        job.iniFile = L"C:\\drivers\\tw.ini";
        job.outputDirectory = L"C:\\out\\";
        return job;
    }
};

TEST_F(ForwardingRecords, ThreePagesOfTwoCopiesReadBackKeyByKey) {
    dm.Write<short>(tw::dmoff::dmCopies, 2);
    dm.Write<short>(tw::dmoff::dmCollate, DMCOLLATE_TRUE);
    const fw::ForwardingJob job = Job(9);
    ASSERT_TRUE(fw::WriteStartDocForPrinterForwardingToRegistry(job));
    const std::wstring jobRecord = Record(9, 0);
    EXPECT_EQ(Text(jobRecord, fw::kRegistryPath), name + L"\\Redirect Printing Settings");
    // Fixed fields of 260 bytes: a long document name keeps its first 130 characters (Wine's
    // registry adds a terminator to a text that fills its field).
    EXPECT_GE(Raw(jobRecord, fw::kDocumentName).second.size(), 260u);
    EXPECT_LE(Raw(jobRecord, fw::kDocumentName).second.size(), 262u);
    EXPECT_EQ(Raw(jobRecord, fw::kIniFileName).second.size(), 260u);
    EXPECT_EQ(Text(jobRecord, fw::kDocumentName), std::wstring(130, L'd'));
    EXPECT_EQ(Text(jobRecord, fw::kIniFileName), L"C:\\drivers\\tw.ini");
    EXPECT_EQ(Text(jobRecord, fw::kOutputDirName), L"C:\\out\\");
    EXPECT_EQ(Raw(jobRecord, fw::kBatesStart).first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(Text(jobRecord, fw::kReady), L"No");

    for (DWORD page = 1; page <= 3; ++page) {
        const std::wstring file = tw::FormatW(L"C:\\tmp\\~tw%lu.tmp", page);
        ASSERT_TRUE(fw::WritePrinterForwardingDataToRegistry(job, page, file, 1000 + page, L"",
                                                             {file + L".a0", file + L".a1"}));
        const std::wstring rec = Record(9, page);
        EXPECT_EQ(Text(rec, fw::kPageFile), file);
        EXPECT_EQ(Text(rec, fw::kUnderFile), L"");
        EXPECT_EQ(Text(rec, L"Forwarding Above 0"), file + L".a0");
        EXPECT_EQ(Text(rec, L"Forwarding Above 1"), file + L".a1");
        EXPECT_EQ(Raw(rec, L"Forwarding Above 2").first, static_cast<DWORD>(REG_NONE));
        auto [type, devmode] = Raw(rec, fw::kDevMode);
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
        ASSERT_EQ(devmode.size(), tw::kDevModeSize);
        EXPECT_EQ(std::memcmp(devmode.data(), dm.Bytes(), tw::kDevModeSize), 0);
        EXPECT_EQ(Dword(rec, fw::kDevModeSizeValue), 6879u);
        EXPECT_EQ(Dword(rec, fw::kSize), 1000 + page);
        EXPECT_EQ(Text(rec, fw::kReady), L"YES");
        EXPECT_EQ(Text(jobRecord, fw::kReady), L"Printing");
    }
    EXPECT_EQ(Dword(jobRecord, fw::kNumberOfCopies), 2u);
    EXPECT_EQ(Dword(jobRecord, fw::kCollate), 1u);
    EXPECT_EQ(Dword(jobRecord, fw::kPrintAsBitmap), 0u);
    ASSERT_TRUE(fw::WriteEndDocForPrinterForwardingToRegistry(job, 3));
    EXPECT_EQ(Dword(jobRecord, fw::kPageNumber), 3u);
    EXPECT_EQ(Text(jobRecord, fw::kReady), L"YES");
}

TEST_F(ForwardingRecords, SettingsCopiesReplaceTheRecordsOnlyFromTwoOn) {
    dm.Write<short>(tw::dmoff::dmCopies, 3);
    dm.Write<short>(tw::dmoff::dmCollate, DMCOLLATE_FALSE);
    const std::wstring group = Group(tw::settings::kRedirectPrintingSettings);
    SetText(group, L"Use number of copies", L"yes");
    SetDword(group, L"Number of copies", 1);
    fw::ForwardingCopies c = fw::ResolveCopies(&dm, 12);
    EXPECT_EQ(c.copies, 3u);
    EXPECT_EQ(c.collate, 0u);
    SetDword(group, L"Number of copies", 4);
    SetText(group, L"Print as Bitmap", L"YES");
    c = fw::ResolveCopies(&dm, 12);
    EXPECT_EQ(c.copies, 4u);
    EXPECT_EQ(c.collate, 1u);  // "Collate pages" counts as yes when missing
    EXPECT_EQ(c.printAsBitmap, 1u);
    dm.Write<short>(tw::dmoff::dmCopies, 0);
    SetText(group, L"Use number of copies", L"no");
    EXPECT_EQ(fw::ResolveCopies(&dm, 12).copies, 1u);
}

TEST_F(ForwardingRecords, RecordsThatReadAbortAreLeftAloneAndNoRedirectIsSaid) {
    const std::wstring abort = L"Abort";
    SetRaw(Record(4, 2), fw::kReady, REG_SZ, abort.c_str(), static_cast<DWORD>(abort.size() * 2));
    const fw::ForwardingJob job = Job(4);
    EXPECT_FALSE(fw::WritePrinterForwardingDataToRegistry(job, 2, L"C:\\p.emf", 10, L"", {L""}));
    EXPECT_EQ(Raw(Record(4, 2), fw::kPageFile).first, static_cast<DWORD>(REG_NONE));
    // The job record is not told of a page that was not handed on.
    EXPECT_FALSE(Exists(Record(4, 0)));
    ASSERT_TRUE(fw::WriteNoRedirectMsgForPrinterForwardingToRegistry(job));
    EXPECT_EQ(Text(Record(4, 0), fw::kReady), L"No Redirect");
}

TEST_F(ForwardingRecords, PerJobOptionsNameTheirOwnGroup) {
    fw::ForwardingJob job = Job(5);
    job.perJobOptions = true;
    ASSERT_TRUE(fw::WriteStartDocForPrinterForwardingToRegistry(job));
    EXPECT_EQ(Text(Record(5, 0), fw::kRegistryPath), name + L"\\Save As Option Settings\\12");
}

// A page metafile stays only when it was handed on: a page whose record could not be written
// leaves no temporary file behind.
TEST(ForwardingFile, KeptFilesStayOthersGo) {
    HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    ::Rectangle(dc, 10, 10, 200, 100);
    tw::UniqueEnhMetaFile emf(::CloseEnhMetaFile(dc));
    ASSERT_TRUE(emf);
    const UINT bytes = ::GetEnhMetaFileBits(emf.get(), 0, nullptr);
    std::wstring dropped, kept;
    {
        tw::CForwardingFile a, b;
        ASSERT_TRUE(a.Save(emf.get(), fw::kPagePrefix));
        ASSERT_TRUE(b.Save(emf.get(), fw::kAbovePrefix));
        EXPECT_EQ(a.SizeOnDisk(), bytes);
        dropped = a.Path();
        kept = b.Path();
        EXPECT_NE(dropped, kept);
        EXPECT_EQ(dropped.substr(dropped.rfind(L'\\') + 1, 3), L"~tw");
        b.Keep();
    }
    EXPECT_EQ(::GetFileAttributesW(dropped.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_NE(::GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
    tw::UniqueEnhMetaFile back(::GetEnhMetaFileW(kept.c_str()));
    EXPECT_TRUE(back);
    back.reset();
    ::DeleteFileW(kept.c_str());
}

TEST(ForwardingLog, ALogThatCannotBeWrittenIsNamed) {
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_TRUE(::GetTempPathW(MAX_PATH + 1, temp));
    const std::wstring fresh = std::wstring(temp) + L"twfwlog_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    EXPECT_FALSE(fw::CheckLogFile(fresh));
    EXPECT_EQ(::GetFileAttributesW(fresh.c_str()), INVALID_FILE_ATTRIBUTES);  // not left behind
    const std::wstring missingDir = std::wstring(temp) + L"no_such_dir_twfw\\x.log";
    EXPECT_EQ(fw::CheckLogFile(missingDir).value_or(L""), L"Cannot write log for printer redirection: " + missingDir);
    EXPECT_EQ(fw::CheckLogFile(L"").value_or(L"-"), L"Cannot write log for printer redirection: ");
}

}  // namespace
