// The job's error reporters: status text, group file entries, the one status message and the
// error event.
#include "job/JobErrorsFixture.h"

#include "base/WideString.h"
#include "job/JobObserver.h"

namespace {

using twtest::JobErrorsFixture;

class JobErrorsReportTest : public JobErrorsFixture {};

struct StatusObserver final : tw::IJobObserver {
    void OnJobOperation(const tw::CTWJob&, const wchar_t* operation, const wchar_t* detail, BOOL) override {
        if (std::wstring(operation) == L"StatusMessage") seen.emplace_back(detail);
    }
    void OnJobFinished(const tw::CTWJob&) override {}
    std::vector<std::wstring> seen;
};

TEST_F(JobErrorsReportTest, InternalErrorCodeReachesEveryChannel) {
    tw::CTWJob job;
    Start(job);
    const std::wstring grp = File(L"main.grp");
    job.SetGroupFile(0, grp, true);
    StatusObserver observer;
    tw::SetJobObserver(&observer);
    job.HandleError(3, "TWFile.cpp", 42);
    tw::SetJobObserver(nullptr);

    EXPECT_TRUE(job.HasError());
    EXPECT_EQ(job.StatusText(), L"Internal error: 3.");
    EXPECT_EQ(Entry(grp, L"Print status"), L"Internal error: 3.");
    EXPECT_EQ(Entry(grp, L"Error Location"), kMissing);
    EXPECT_EQ(job.StatusMessages(), std::vector<std::wstring>{L"Internal error: 3."});
    EXPECT_EQ(observer.seen, job.StatusMessages());
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].type, EVENTLOG_ERROR_TYPE);
    EXPECT_EQ(reports[0].eventId, 0x66u);
    ASSERT_EQ(reports[0].strings.size(), 11u);
    EXPECT_EQ(reports[0].strings[0], name);
    EXPECT_EQ(reports[0].strings[1], kDocument);
    EXPECT_EQ(reports[0].strings[10], L"3");
    // The report reverted to the spooler and handed the client's token back.
    EXPECT_EQ(env.Spooler().OutstandingTokenCount(), 0u);
}

TEST_F(JobErrorsReportTest, PrintStatusGoesToEnabledGroupFilesOnly) {
    tw::CTWJob job;
    Start(job);
    job.SetGroupFile(0, File(L"main.grp"), true);
    job.SetGroupFile(1, File(L"off.grp"), false);
    job.SetGroupFile(2, File(L"extra.grp"), true);
    job.HandleError(L"25: Cannot write file: \"x.tif\". Windows Error Code: 5", "Naming.cpp", 7);

    const std::wstring text = L"25: Cannot write file: \"x.tif\". Windows Error Code: 5";
    EXPECT_EQ(job.StatusText(), text);
    EXPECT_EQ(Entry(File(L"main.grp"), L"Print status"), text);
    EXPECT_EQ(Entry(File(L"extra.grp"), L"Print status"), text);
    EXPECT_EQ(::GetFileAttributesW(File(L"off.grp").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Reports()[0].strings[10], text);
}

TEST_F(JobErrorsReportTest, MainGroupFileCountsOnlyWhileTheDevModeAllowsIt) {
    tw::CTWJob job;
    Start(job, /*groupFileDisabled=*/true);
    job.SetGroupFile(0, File(L"main.grp"), true);
    EXPECT_FALSE(job.HasGroupFile());
    job.SetGroupFile(3, File(L"upload.grp"), true);
    EXPECT_TRUE(job.HasGroupFile());
    job.SetGroupFile(tw::CTWJob::kGroupFileCount, File(L"beyond.grp"), true);  // ignored

    job.HandleError(12, "TWFile.cpp", 9);
    EXPECT_EQ(Entry(File(L"upload.grp"), L"Print status"), L"Internal error: 12.");
    EXPECT_EQ(::GetFileAttributesW(File(L"main.grp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW(File(L"beyond.grp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(JobErrorsReportTest, ErrorLocationWhileDebugIsNotZero) {
    tw::CTWJob job;
    Start(job);
    job.SetGroupFile(0, File(L"main.grp"), true);
    tw::CTWJob::OverrideDebugSwitch(2);  // not 1: no installer log, but locations
    job.HandleError(L"first", "Writer.cpp", 120);
    EXPECT_EQ(Entry(File(L"main.grp"), L"Error Location"), L"Writer.cpp line 120");
}

TEST_F(JobErrorsReportTest, OneStatusMessagePerJobButEveryErrorIsRecorded) {
    tw::CTWJob job;
    Start(job);
    job.SetGroupFile(0, File(L"main.grp"), true);
    job.HandleError(L"first", "a.cpp", 1);
    job.ReportCommandError(L"second");
    job.HandleError(57, "b.cpp", 2);

    EXPECT_TRUE(job.StatusMessageSent());
    EXPECT_EQ(job.StatusMessages(), std::vector<std::wstring>{L"first"});
    EXPECT_EQ(job.StatusText(), L"Internal error: 57.");
    EXPECT_EQ(Entry(File(L"main.grp"), L"Print status"), L"Internal error: 57.");
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[1].strings[10], L"second");
    EXPECT_EQ(reports[2].strings[10], L"57");
}

TEST_F(JobErrorsReportTest, NullTextDoesNothing) {
    tw::CTWJob job;
    Start(job);
    job.SetGroupFile(0, File(L"main.grp"), true);
    job.HandleError(nullptr, "a.cpp", 1);
    job.ReportCommandError(nullptr);
    EXPECT_FALSE(job.HasError());
    EXPECT_TRUE(job.StatusText().empty());
    EXPECT_FALSE(job.StatusMessageSent());
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(::GetFileAttributesW(File(L"main.grp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(JobErrorsReportTest, TiffErrorTextVariants) {
    struct Case {
        int code, tiffCode;
        const char* tiffText;
        const wchar_t *printStatus, *tiffEntry, *eventText;
    };
    const Case cases[] = {
        {7, 3, "bad strip", L"Internal error: 7.", L"3: bad strip", L"7; TIFF Error: 3 (bad strip)"},
        {7, 3, "", L"Internal error: 7.", L"3", L"7"},
        {7, 0, nullptr, L"Internal error: 7.", kMissing, L"7"},
        {0, 4, "no space", kMissing, L"4: no space", L"TIFF Error: 4 (no space)"},
        {0, 4, nullptr, kMissing, L"4", L"TIFF Error: 4"},
    };
    tw::CTWJob::OverrideDebugSwitch(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eventText);
        env.EventLog().Clear();
        tw::CTWJob job;
        Start(job);
        const std::wstring grp = File(L"tiff.grp");
        ::DeleteFileW(grp.c_str());
        job.SetGroupFile(0, grp, true);
        job.HandleTiffError(c.code, "BlTIFFFile.cpp", 300, c.tiffCode, c.tiffText);

        EXPECT_TRUE(job.HasError());
        EXPECT_EQ(job.StatusText(), tw::FormatW(L"Internal error: %d.", c.code));
        EXPECT_EQ(job.StatusMessages().size(), 1u);
        EXPECT_EQ(Entry(grp, L"Print status"), c.printStatus);
        EXPECT_EQ(Entry(grp, L"TIFF Error"), c.tiffEntry);
        EXPECT_EQ(Entry(grp, L"Error Location"), L"BlTIFFFile.cpp line 300");
        auto reports = Reports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].strings[10], c.eventText);
    }
}

TEST_F(JobErrorsReportTest, AnExplainedValidationFailureIsNotReportedAgain) {
    tw::CTWJob job;
    Start(job);
    job.SetGroupFile(0, File(L"main.grp"), true);
    const wchar_t* text = L"25: Cannot write BMP file: \"C:\\out\\a.bmp\". Directory not found. Windows Error Code: 3";
    job.ReportValidationError(text, true, "Naming.cpp", 55);
    job.HandleError(25, "BlBMPFile.cpp", 80);
    job.HandleTiffError(5, "BlTIFFFile.cpp", 81, 0, nullptr);
    // The writer's own check of the same file finds the problem again: the first words stay.
    job.ReportValidationError(L"25: Cannot write TIFF file: \"C:\\out\\a.tif\".", true, "BlTIFFFile.cpp", 90);

    EXPECT_TRUE(job.HasError());
    EXPECT_EQ(job.StatusText(), text);
    EXPECT_EQ(Entry(File(L"main.grp"), L"Print status"), text);
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].strings[10], text);
    // The checks' reports carry no date and time of printing.
    EXPECT_TRUE(reports[0].strings[5].empty());
    EXPECT_TRUE(reports[0].strings[6].empty());
    EXPECT_EQ(reports[0].strings[0], name);
}

TEST_F(JobErrorsReportTest, ValidationMessageNotShownAsErrorGoesToTheEventLogOnly) {
    tw::CTWJob job;
    Start(job);
    job.SetGroupFile(0, File(L"main.grp"), true);
    job.ReportValidationError(L"25: Cannot access output directory. Directory name not specified.", false, "N.cpp", 1);
    EXPECT_FALSE(job.HasError());
    EXPECT_FALSE(job.StatusMessageSent());
    EXPECT_EQ(::GetFileAttributesW(File(L"main.grp").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_TRUE(Reports()[0].strings[5].empty());

    // Not having been shown, it leaves later internal errors their own report.
    job.HandleError(110, "Naming.cpp", 2);
    EXPECT_EQ(job.StatusText(), L"Internal error: 110.");
    EXPECT_EQ(Reports().size(), 2u);
}

}  // namespace
