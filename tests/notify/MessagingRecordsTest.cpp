// The records clients receive, byte by byte: the notification record, the copy-data record,
// the job statistics, and the names of the pipes.
#include <gtest/gtest.h>

#include <cstring>

#include "notify/MessagingNames.h"
#include "notify/PrnMessage.h"
#include "notify/StatisticsRecord.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace {

DWORD DwordAt(const std::vector<BYTE>& rec, size_t offset) {
    DWORD v = 0;
    std::memcpy(&v, rec.data() + offset, 4);
    return v;
}

std::wstring TextAt(const std::vector<BYTE>& rec, size_t offset, size_t chars) {
    std::wstring s(reinterpret_cast<const wchar_t*>(rec.data() + offset), chars);
    return s.substr(0, s.find(L'\0'));
}

TEST(PrnMessage, FieldsSitAtTheirOffsets) {
    tw::PrnMessageFields f;
    f.number = 3;
    f.documentName = L"Doc";
    f.text = L"C:\\out\\a.tif";
    f.printerName = L"Prn";
    f.pageNumber = 4;
    f.multiPage = 1;
    f.portrait = 0;
    f.jobId = 99;
    f.outputFile = L"C:\\out\\a.tif";
    f.groupFile = L"C:\\out\\g.ini";
    f.extra = 0x12345678;
    const std::vector<BYTE> rec = tw::BuildPrnMessage(f);
    ASSERT_EQ(rec.size(), 2624u);
    EXPECT_EQ(DwordAt(rec, 0), 3u);
    EXPECT_EQ(TextAt(rec, 4, 260), L"Doc");
    EXPECT_EQ(TextAt(rec, 524, 260), L"C:\\out\\a.tif");
    EXPECT_EQ(TextAt(rec, 1044, 260), L"Prn");
    EXPECT_EQ(DwordAt(rec, 1564), 4u);
    EXPECT_EQ(DwordAt(rec, 1568), 1u);
    EXPECT_EQ(DwordAt(rec, 1572), 0u);
    EXPECT_EQ(DwordAt(rec, 1576), 99u);
    EXPECT_EQ(TextAt(rec, 1580, 260), L"C:\\out\\a.tif");
    EXPECT_EQ(TextAt(rec, 2100, 260), L"C:\\out\\g.ini");
    EXPECT_EQ(DwordAt(rec, 2620), 0x12345678u);

    const tw::PrnMessageFields back = tw::ParsePrnMessage(rec.data(), rec.size());
    EXPECT_EQ(back.groupFile, f.groupFile);
    EXPECT_EQ(back.extra, f.extra);
    // A short block is not a record.
    EXPECT_EQ(tw::ParsePrnMessage(rec.data(), 100).number, 0u);
}

TEST(PrnMessage, LongTextsAreCutAndStayTerminated) {
    tw::PrnMessageFields f;
    f.documentName = std::wstring(400, L'x');
    f.printerName = L"After";
    const std::vector<BYTE> rec = tw::BuildPrnMessage(f);
    EXPECT_EQ(TextAt(rec, 4, 260), std::wstring(259, L'x'));
    EXPECT_EQ(rec[4 + 259 * 2], 0);
    EXPECT_EQ(rec[4 + 259 * 2 + 1], 0);
    // The neighbouring field is untouched.
    EXPECT_EQ(TextAt(rec, 524, 260), L"");
    EXPECT_EQ(TextAt(rec, 1044, 260), L"After");
}

TEST(CopyDataRecord, NamesTheInterfaceWithItsId) {
    const std::vector<BYTE> rec = tw::BuildCopyDataRecord(8, L"Client", 3);
    ASSERT_EQ(rec.size(), 1052u);
    EXPECT_EQ(DwordAt(rec, 0), 0x8000F00Fu);
    EXPECT_EQ(DwordAt(rec, 4), 1052u);
    EXPECT_EQ(DwordAt(rec, 8), 8u);
    for (size_t i = 12; i < 532; ++i) ASSERT_EQ(rec[i], 0) << i;
    EXPECT_EQ(TextAt(rec, 532, 260), L"Client3");
}

TEST(Statistics, HeaderAndBody) {
    const std::vector<BYTE> header = tw::BuildStatisticsHeader();
    ASSERT_EQ(header.size(), 512u);
    EXPECT_EQ(DwordAt(header, 0), 0x00232323u);
    EXPECT_EQ(DwordAt(header, 4), 512u);
    EXPECT_EQ(DwordAt(header, 8), 0x40001000u);
    EXPECT_EQ(DwordAt(header, 12), 7700u);
    EXPECT_EQ(DwordAt(header, 16), 1u);
    EXPECT_EQ(DwordAt(header, 20), 0u);
    EXPECT_EQ(DwordAt(header, 24), 0x00232323u);

    std::wstring longName(80, L'p');
    JOB_INFO_1W info{};
    info.JobId = 42;
    info.pPrinterName = longName.data();
    info.pUserName = const_cast<LPWSTR>(L"alice");
    info.pDocument = const_cast<LPWSTR>(L"Report");
    info.pDatatype = const_cast<LPWSTR>(L"NT EMF 1.008");
    info.Status = 0x10;
    info.TotalPages = 3;
    info.Submitted.wYear = 2026;
    tw::TarnwellDEVMODE dm;
    dm.Write<DWORD>(tw::dmoff::FileFormat, 9);
    const std::vector<BYTE> body = tw::BuildPrinterStat(info, L"Printing finished successfully", &dm);
    ASSERT_EQ(body.size(), 7700u);
    EXPECT_EQ(DwordAt(body, 0), 7700u);
    EXPECT_EQ(DwordAt(body, 4), 0x40001000u);
    EXPECT_EQ(DwordAt(body, 8), 812u);
    EXPECT_EQ(DwordAt(body, 12), 42u);
    EXPECT_EQ(TextAt(body, 8 + 8, 64), std::wstring(63, L'p'));
    EXPECT_EQ(TextAt(body, 8 + 136, 64), L"");  // no machine name given
    EXPECT_EQ(TextAt(body, 8 + 264, 64), L"alice");
    EXPECT_EQ(TextAt(body, 8 + 392, 64), L"Report");
    EXPECT_EQ(TextAt(body, 8 + 648, 64), L"Printing finished successfully");
    EXPECT_EQ(DwordAt(body, 8 + 776), 0x10u);
    EXPECT_EQ(DwordAt(body, 8 + 788), 3u);
    WORD year = 0;
    std::memcpy(&year, body.data() + 8 + 796, 2);
    EXPECT_EQ(year, 2026);
    EXPECT_EQ(tw::TarnwellDEVMODE::FromBytes(body.data() + 820)->Read<DWORD>(tw::dmoff::FileFormat), 9u);

    const tw::StatisticsFields parsed = tw::ParseStatistics(header.data(), header.size(), body.data(), body.size());
    EXPECT_EQ(parsed.jobId, 42u);
    EXPECT_EQ(parsed.statusText, L"Printing finished successfully");

    // Without a user name the document is left out.
    info.pUserName = nullptr;
    EXPECT_EQ(TextAt(tw::BuildPrinterStat(info, L"", nullptr), 8 + 392, 64), L"");
}

TEST(MessagingNames, PipeNamesCarryTheIdAndTheCleanedPrinter) {
    EXPECT_EQ(tw::ClientPipeName({L"Client", 4}), L"\\\\.\\pipe\\Client4");
    const tw::UploaderPipeNames names = tw::MakeUploaderPipeNames(3, 12, 777, L"Office Printer/2");
    EXPECT_EQ(names.http, L"\\\\.\\pipe\\TW_HTTP_3_12_777_Office_Printer_2");
    EXPECT_EQ(names.database, L"\\\\.\\pipe\\TW_DB_3_12_777_Office_Printer_2");
    EXPECT_EQ(names.mfiles, L"\\\\.\\pipe\\TW_MFiles_3_12_777_Office_Printer_2");
    EXPECT_EQ(tw::MakeUploaderPipeNames(1, 1, 1, std::wstring(400, L'a')).http.size(), 259u);
}

}  // namespace
