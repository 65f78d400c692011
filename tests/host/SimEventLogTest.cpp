// The simulated event log keeps what was reported and refuses handles it never gave out.
#include <gtest/gtest.h>

#include <string>

#include "host/SimEventLog.h"

namespace {

TEST(SimEventLog, KeepsReportsWithCopiedStrings) {
    twhost::SimEventLog log;
    HANDLE a = log.RegisterEventSource(nullptr, L"TW Printer A");
    HANDLE b = log.RegisterEventSource(nullptr, L"TW Printer B");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);

    std::wstring doc = L"report.pdf";
    LPCWSTR strings[] = {doc.c_str(), nullptr, L"Internal error: 12."};
    ASSERT_TRUE(log.ReportEvent(b, EVENTLOG_ERROR_TYPE, 0, 0x66, nullptr, 3, 0, strings, nullptr));
    doc.assign(L"overwritten");  // the report holds its own copy
    ASSERT_TRUE(log.ReportEvent(a, EVENTLOG_INFORMATION_TYPE, 0, 0x64, nullptr, 0, 0, nullptr, nullptr));

    auto reports = log.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].source, L"TW Printer B");
    EXPECT_EQ(reports[0].type, EVENTLOG_ERROR_TYPE);
    EXPECT_EQ(reports[0].eventId, 0x66u);
    ASSERT_EQ(reports[0].strings.size(), 3u);
    EXPECT_EQ(reports[0].strings[0], L"report.pdf");
    EXPECT_EQ(reports[0].strings[1], L"");
    EXPECT_EQ(reports[0].strings[2], L"Internal error: 12.");
    EXPECT_EQ(reports[1].type, EVENTLOG_INFORMATION_TYPE);

    log.Clear();
    EXPECT_TRUE(log.Reports().empty());
    EXPECT_EQ(log.OpenSourceCount(), 2u);
    EXPECT_TRUE(log.DeregisterEventSource(a));
    EXPECT_TRUE(log.DeregisterEventSource(b));
    EXPECT_EQ(log.OpenSourceCount(), 0u);
}

TEST(SimEventLog, RefusesUnknownHandlesAndMalformedReports) {
    twhost::SimEventLog log;
    HANDLE h = log.RegisterEventSource(nullptr, L"TW Printer");
    LPCWSTR one[] = {L"x"};

    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(log.ReportEvent(reinterpret_cast<HANDLE>(0x1234), EVENTLOG_WARNING_TYPE, 0, 0x65, nullptr, 1, 0,
                                 one, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(log.ReportEvent(h, EVENTLOG_WARNING_TYPE, 0, 0x65, nullptr, 2, 0, nullptr, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(log.ReportEvent(h, 3, 0, 0x65, nullptr, 1, 0, one, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    EXPECT_TRUE(log.DeregisterEventSource(h));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(log.ReportEvent(h, EVENTLOG_WARNING_TYPE, 0, 0x65, nullptr, 1, 0, one, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(log.DeregisterEventSource(h));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(log.Reports().empty());
}

}  // namespace
