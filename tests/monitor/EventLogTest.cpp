// Event sources and job event reports, against a recording event log and spooler, and the
// message table compiled into this program.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/Registry.h"
#include "base/WideString.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/EventLog.h"
#include "monitor/EventLogSeam.h"
#include "monitor/EventReporter.h"
#include "monitor/SpoolerSeam.h"
#include "support/TestSupport.h"

namespace {

struct RecordedEvent {
    WORD type;
    DWORD id;
    std::vector<std::wstring> strings;
};

class RecordingEventLog final : public tw::IEventLogSink {
public:
    HANDLE RegisterEventSource(LPCWSTR server, LPCWSTR source) override {
        EXPECT_EQ(server, nullptr);
        HANDLE h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(++m_next));
        m_open[h] = source ? source : L"";
        ++registered;
        return h;
    }
    BOOL ReportEvent(HANDLE h, WORD type, WORD category, DWORD id, PSID sid, WORD n, DWORD cbData, LPCWSTR* strings,
                     LPVOID data) override {
        EXPECT_TRUE(m_open.count(h)) << "report on a source that is not registered";
        RecordedEvent e{type, id, {}};
        for (WORD i = 0; i < n; ++i) e.strings.push_back(strings[i] ? strings[i] : L"<null>");
        events.push_back(e);
        return TRUE;
    }
    BOOL DeregisterEventSource(HANDLE h) override {
        EXPECT_EQ(m_open.erase(h), 1u) << "deregistered twice or never registered";
        return TRUE;
    }
    size_t OpenSources() const { return m_open.size(); }

    std::vector<RecordedEvent> events;
    int registered = 0;

private:
    int m_next = 0x100;
    std::map<HANDLE, std::wstring> m_open;
};

// Only the security context switches matter here; everything else fails as without printers.
class RecordingSpooler final : public tw::ISpooler {
public:
    BOOL OpenPrinter(LPCWSTR, HANDLE*, PRINTER_DEFAULTSW*) override { return FALSE; }
    BOOL ClosePrinter(HANDLE) override { return FALSE; }
    BOOL GetJob(HANDLE, DWORD, DWORD, LPBYTE, DWORD, LPDWORD) override { return FALSE; }
    BOOL SetJob(HANDLE, DWORD, DWORD, LPBYTE, DWORD) override { return FALSE; }
    BOOL GetPrinter(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD) override { return FALSE; }
    DWORD GetPrinterData(HANDLE, LPCWSTR, LPDWORD, LPBYTE, DWORD, LPDWORD) override { return ERROR_INVALID_HANDLE; }
    BOOL GetPrinterDriver(HANDLE, LPCWSTR, DWORD, LPBYTE, DWORD, LPDWORD) override { return FALSE; }
    BOOL GetPrinterDriverDirectory(LPCWSTR, LPCWSTR, DWORD, LPBYTE, DWORD, LPDWORD) override { return FALSE; }
    HANDLE RevertToPrinterSelf() override {
        ++reverted;
        return kToken;
    }
    BOOL ImpersonatePrinterClient(HANDLE token) override {
        EXPECT_EQ(token, kToken);
        ++impersonated;
        return TRUE;
    }
    HDC CreatePrinterDC(LPCWSTR, const DEVMODEW*) override { return nullptr; }

    static inline const HANDLE kToken = reinterpret_cast<HANDLE>(0x4711);
    int reverted = 0;
    int impersonated = 0;
};

class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_prevSink = &tw::EventLogSink();
        m_prevSpooler = &tw::Spooler();
        tw::SetEventLogSink(&m_log);
        tw::SetSpooler(&m_spooler);
        m_job.printerName = twtest::UniqueName(L"TW Event Printer");
        m_job.documentName = L"Quarterly report";
        m_job.userName = L"alice";
        m_job.submitted = SYSTEMTIME{2024, 3, 2, 5, 14, 7, 9, 0};
        m_job.computerName = L"WORKSTATION7";
        m_job.ipAddress = L"192.168.1.7";
        m_job.hostName = L"ws7.example";
    }
    void TearDown() override {
        EXPECT_EQ(m_log.OpenSources(), 0u) << "an event source was left registered";
        tw::SetEventLogSink(m_prevSink);
        tw::SetSpooler(m_prevSpooler);
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, tw::CEventLog::SourceKeyPath(m_job.printerName.c_str()).c_str());
    }

    RecordingEventLog m_log;
    RecordingSpooler m_spooler;
    tw::JobEventData m_job;

private:
    tw::IEventLogSink* m_prevSink = nullptr;
    tw::ISpooler* m_prevSpooler = nullptr;
};

TEST_F(EventLogTest, RegisterWritesTheSourceKeyForThisModule) {
    tw::CEventLog log;
    ASSERT_TRUE(log.Register(m_job.printerName.c_str()));
    EXPECT_EQ(m_log.OpenSources(), 1u);

    tw::UniqueHKey key = tw::OpenKey(HKEY_LOCAL_MACHINE,
                                     L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" +
                                         m_job.printerName);
    ASSERT_TRUE(key);
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);  // the message table is linked into this program
    EXPECT_EQ(tw::ReadString(key.get(), L"EventMessageFile").value_or(L"?"), exe);
    EXPECT_EQ(tw::ReadDword(key.get(), L"TypesSupported").value_or(0), 7u);

    // Registering again replaces the source instead of leaking it.
    ASSERT_TRUE(log.Register(m_job.printerName.c_str()));
    EXPECT_EQ(m_log.OpenSources(), 1u);
    log.Deregister();
    EXPECT_EQ(m_log.OpenSources(), 0u);
    EXPECT_FALSE(log.Register(nullptr));
    EXPECT_FALSE(log.Register(L""));
}

TEST_F(EventLogTest, NullInsertionStringReportsNothing) {
    tw::CEventLog log;
    tw::CEventLog::JobStrings ten = {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10"};
    tw::CEventLog::ErrorStrings eleven = {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11"};
    EXPECT_FALSE(log.ReportSuccess(ten)) << "no source registered";

    ASSERT_TRUE(log.Register(m_job.printerName.c_str()));
    for (size_t i : {0u, 5u, 9u}) {
        auto strings = ten;
        strings[i] = nullptr;
        EXPECT_FALSE(log.ReportSuccess(strings));
        EXPECT_FALSE(log.ReportAborted(strings));
    }
    for (size_t i : {0u, 10u}) {
        auto strings = eleven;
        strings[i] = nullptr;
        EXPECT_FALSE(log.ReportError(strings));
        EXPECT_FALSE(log.ReportWarning(strings));
    }
    EXPECT_TRUE(m_log.events.empty());

    // The same strings without a hole are reported in full.
    EXPECT_TRUE(log.ReportError(eleven));
    ASSERT_EQ(m_log.events.size(), 1u);
    EXPECT_EQ(m_log.events[0].strings.size(), 11u);
    EXPECT_EQ(m_log.events[0].strings[10], L"11");
    log.Deregister();

    // A job error without text is dropped the same way.
    tw::ReportJobEvent(tw::JobEventKind::Error, m_job, nullptr, {});
    EXPECT_EQ(m_log.events.size(), 1u);
}

TEST_F(EventLogTest, EventLoggingLevelGatesEachReport) {
    using K = tw::JobEventKind;
    struct Row {
        K kind;
        WORD type;
        DWORD id;
        bool logged[4];  // levels 0, 1, 2, 3
    };
    const Row rows[] = {
        {K::Finished, EVENTLOG_INFORMATION_TYPE, 0x64, {false, false, false, true}},
        {K::Aborted, EVENTLOG_WARNING_TYPE, 0x65, {false, false, true, true}},
        {K::Error, EVENTLOG_ERROR_TYPE, 0x66, {false, true, true, true}},
        {K::Warning, EVENTLOG_WARNING_TYPE, 0x66, {false, false, true, true}},
    };
    for (const Row& row : rows) {
        for (int level = 0; level <= 3; ++level) {
            SCOPED_TRACE(::testing::Message() << "kind " << static_cast<int>(row.kind) << " level " << level);
            m_log.events.clear();
            tw::JobEventOptions options;
            options.eventLoggingLevel = level;
            tw::ReportJobEvent(row.kind, m_job, L"25: Output. Directory name not specified.", options);
            EXPECT_EQ(tw::IsJobEventLogged(row.kind, level), row.logged[level]);
            ASSERT_EQ(m_log.events.size(), row.logged[level] ? 1u : 0u);
            if (!row.logged[level]) continue;
            const RecordedEvent& e = m_log.events[0];
            EXPECT_EQ(e.type, row.type);
            EXPECT_EQ(e.id, row.id);
            bool withText = row.kind == K::Error || row.kind == K::Warning;
            ASSERT_EQ(e.strings.size(), withText ? 11u : 10u);
            if (withText) {
                EXPECT_EQ(e.strings[10], L"25: Output. Directory name not specified.");
            }
        }
    }
}

TEST_F(EventLogTest, JobReportCarriesTheJobAndRunsAsTheSpooler) {
    tw::JobEventOptions options;
    options.eventLoggingLevel = 3;
    tw::ReportJobEvent(tw::JobEventKind::Finished, m_job, nullptr, options);
    EXPECT_EQ(m_spooler.reverted, 1);
    EXPECT_EQ(m_spooler.impersonated, 1);
    ASSERT_EQ(m_log.events.size(), 1u);
    const auto& s = m_log.events[0].strings;
    EXPECT_EQ(s[0], m_job.printerName);
    EXPECT_EQ(s[1], L"Quarterly report");
    EXPECT_EQ(s[2], L"alice");
    EXPECT_NE(s[3].find(L"24"), std::wstring::npos) << "date submitted: " << tw::ToUtf8(s[3]).c_str();
    EXPECT_NE(s[4].find(L"07"), std::wstring::npos) << "time submitted";
    EXPECT_FALSE(s[5].empty());
    EXPECT_FALSE(s[6].empty());
    EXPECT_EQ(s[7], L"WORKSTATION7");
    EXPECT_EQ(s[8], L"192.168.1.7");
    EXPECT_EQ(s[9], L"ws7.example");
    EXPECT_EQ(m_log.registered, 1);

    // Already the spooler: no switch. Output checks leave the finishing time empty.
    options.runningAsSpooler = true;
    options.leaveFinishTimeEmpty = true;
    tw::ReportJobEvent(tw::JobEventKind::Error, m_job, L"25: Cannot write GRP file: x.grp", options);
    EXPECT_EQ(m_spooler.reverted, 1);
    EXPECT_EQ(m_spooler.impersonated, 1);
    ASSERT_EQ(m_log.events.size(), 2u);
    EXPECT_EQ(m_log.events[1].strings[5], L"");
    EXPECT_EQ(m_log.events[1].strings[6], L"");
    EXPECT_FALSE(m_log.events[1].strings[3].empty());

    // Preparing the source registers it and lets it go at once.
    tw::PrepareJobEventSource(m_job.printerName, false);
    EXPECT_EQ(m_log.registered, 3);
    EXPECT_EQ(m_spooler.reverted, 2);
    EXPECT_EQ(m_log.events.size(), 2u);
}

// FormatMessage on this program's own message table, as an event viewer would show the events.
std::wstring FormatOwnMessage(DWORD id, const std::vector<const wchar_t*>& args) {
    std::vector<DWORD_PTR> argv;
    for (const wchar_t* a : args) argv.push_back(reinterpret_cast<DWORD_PTR>(a));
    wchar_t buf[2048] = {};
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, ::GetModuleHandleW(nullptr),
                               id, 0, buf, 2048, reinterpret_cast<va_list*>(argv.data()));
    EXPECT_NE(n, 0u) << "message " << id << " missing, error " << ::GetLastError();
    return std::wstring(buf, n);
}

TEST(MessageTable, HoldsTheEventTextsUnderTheirIds) {
    const std::vector<const wchar_t*> args = {L"P1",  L"Doc", L"bob",  L"3/5/2024", L"2:07:09 PM",
                                              L"D6",  L"T7",  L"PC8",  L"10.0.0.9", L"host10",
                                              L"25: Disk full"};
    const std::wstring common =
        L"Printer name:\tP1\r\nDocument name:\tDoc\r\nUser name:\tbob\r\nDate submitted:\t3/5/2024 2:07:09 PM\r\n";
    const std::wstring tail = L"Computer name:\tPC8\r\nIP Address:\t10.0.0.9\r\nHost name:\thost10";

    EXPECT_EQ(FormatOwnMessage(0x1, {L"Any text"}), L"Any text\r\n");
    EXPECT_EQ(FormatOwnMessage(0x64, args),
              L"Printing finished successfully\r\n" + common + L"Date printed:\tD6 T7\r\n" + tail + L"\r\n");
    EXPECT_EQ(FormatOwnMessage(0x65, args),
              L"Printing was aborted\r\n" + common + L"Date aborted:\tD6 T7\r\n" + tail + L"\r\n");
    EXPECT_EQ(FormatOwnMessage(0x66, args), L"Error during printing\r\n" + common + L"Date aborted:\tD6 T7\r\n" +
                                                tail + L"\r\nError:\t25: Disk full\r\n");
}

}  // namespace
