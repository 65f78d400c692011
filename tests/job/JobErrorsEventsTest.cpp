// The job's event reports (finished, aborted, error, warning) under each "Event Logging Level",
// what they say about the job, and the cover page form filler's reporters.
#include "job/JobErrorsFixture.h"

#include "monitor/EventReporter.h"

namespace {

using twtest::JobErrorsFixture;

class JobErrorsEventsTest : public JobErrorsFixture {};

TEST_F(JobErrorsEventsTest, EachReportIsGatedByTheLoggingLevel) {
    enum { Finished, Aborted, Error, Warning };
    // Rows: levels 0 to 3; columns: finished, aborted, error, warning.
    const bool expected[4][4] = {
        {false, false, false, false},
        {false, false, true, false},
        {false, true, true, true},
        {true, true, true, true},
    };
    for (int level = 0; level < 4; ++level) {
        for (int kind = Finished; kind <= Warning; ++kind) {
            SCOPED_TRACE(testing::Message() << "level " << level << ", report " << kind);
            env.EventLog().Clear();
            tw::CTWJob job;
            Start(job);
            job.SetEventLoggingLevel(level);
            switch (kind) {
            case Finished: job.ReportFinishedEvent(); break;
            case Aborted: job.ReportAbortedEvent(); break;
            case Error: job.HandleError(L"failed", "a.cpp", 1); break;
            case Warning: job.ReportWarningEvent(L"careful"); break;
            }
            EXPECT_EQ(Reports().size(), expected[level][kind] ? 1u : 0u);
            // An error is the job's status whether or not the log takes it.
            if (kind == Error) {
                EXPECT_EQ(job.StatusText(), L"failed");
            }
        }
    }
}

TEST_F(JobErrorsEventsTest, ReportsCarryTheJobsIdentityAndTimes) {
    tw::CTWJob job;
    Start(job);
    job.SetEventLoggingLevel(3);
    SYSTEMTIME submitted{};
    submitted.wYear = 2023;
    submitted.wMonth = 11;
    submitted.wDay = 14;
    submitted.wHour = 9;
    submitted.wMinute = 30;
    job.SetSubmissionTime(submitted);
    job.ReportFinishedEvent();
    job.ReportAbortedEvent();
    job.ReportWarningEvent(L"careful");
    job.ReportWarningEvent(nullptr);  // nothing

    auto reports = Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].eventId, 0x64u);
    EXPECT_EQ(reports[0].type, EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(reports[1].eventId, 0x65u);
    EXPECT_EQ(reports[1].type, EVENTLOG_WARNING_TYPE);
    EXPECT_EQ(reports[2].eventId, 0x66u);
    EXPECT_EQ(reports[2].type, EVENTLOG_WARNING_TYPE);
    ASSERT_EQ(reports[0].strings.size(), 10u);
    ASSERT_EQ(reports[2].strings.size(), 11u);
    EXPECT_EQ(reports[2].strings[10], L"careful");

    const tw::JobEnvironment& e = job.Environment();
    const std::vector<std::wstring> identity = {name,
                                                kDocument,
                                                e.userName,
                                                tw::FormatEventDate(submitted),
                                                tw::FormatEventTime(submitted)};
    for (const auto& r : reports) {
        EXPECT_EQ(std::vector<std::wstring>(r.strings.begin(), r.strings.begin() + 5), identity);
        EXPECT_FALSE(r.strings[5].empty());  // date and time of the report itself
        EXPECT_FALSE(r.strings[6].empty());
        EXPECT_EQ(r.strings[7], e.computerName);
        EXPECT_EQ(r.strings[8], e.ipAddress);
        EXPECT_EQ(r.strings[9], e.hostName);
    }
    EXPECT_EQ(env.Spooler().OutstandingTokenCount(), 0u);
}

TEST_F(JobErrorsEventsTest, FormFillerWarningIsAnEventAndItsErrorAJobError) {
    tw::CTWJob job;
    Start(job);
    job.SetGroupFile(0, File(L"main.grp"), true);

    job.FormFillerWarning("FormFiller.cpp", 88, L"%d cover pages, %s", 3, L"ignored");
    tw::CTWJob::OverrideDebugSwitch(1);
    job.FormFillerWarning("FormFiller.cpp", 89, L"no pages");
    EXPECT_FALSE(job.HasError());
    EXPECT_FALSE(job.StatusMessageSent());

    job.FormFillerError("FormFiller.cpp", 90, L"%s", L"406: Cover Page Filler closed without submitting cover page");
    const std::wstring error =
        L"Error in \"FormFiller.cpp\" line 90: 406: Cover Page Filler closed without submitting cover page";
    EXPECT_TRUE(job.HasError());
    EXPECT_EQ(job.StatusText(), error);
    EXPECT_EQ(Entry(File(L"main.grp"), L"Print status"), error);
    EXPECT_EQ(Entry(File(L"main.grp"), L"Error Location"), L"FormFiller.cpp line 90");

    auto reports = Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].type, EVENTLOG_WARNING_TYPE);
    EXPECT_EQ(reports[0].strings[10], L"Warning 3 cover pages, ignored");
    EXPECT_EQ(reports[1].strings[10], L"Warning in \"FormFiller.cpp\" line 89: no pages");
    EXPECT_EQ(reports[2].type, EVENTLOG_ERROR_TYPE);
    EXPECT_EQ(reports[2].strings[10], error);

    tw::CTWJob::OverrideDebugSwitch(0);
    tw::CTWJob quiet;
    Start(quiet);
    quiet.FormFillerError("FormFiller.cpp", 91, L"405: Could not create mutex object %s, Windows error %d", L"m", 5);
    EXPECT_EQ(quiet.StatusText(), L"Error 405: Could not create mutex object m, Windows error 5");
}

}  // namespace
