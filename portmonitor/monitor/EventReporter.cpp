#include "monitor/EventReporter.h"

#include <algorithm>
#include <optional>

#include "monitor/DiagnosticTexts.h"
#include "monitor/EventLog.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"

namespace tw {

bool IsJobEventLogged(JobEventKind kind, int level) {
    switch (kind) {
    case JobEventKind::Finished: return level > 2;
    case JobEventKind::Aborted: return level > 1;
    case JobEventKind::Error: return level != 0;
    case JobEventKind::Warning: return level > 1;
    }
    return false;
}

std::wstring FormatEventDate(const SYSTEMTIME& localTime) {
    wchar_t buf[diag::kEventDateTimeChars] = {};
    if (!::GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &localTime, nullptr, buf, diag::kEventDateTimeChars))
        return {};
    return buf;
}

std::wstring FormatEventTime(const SYSTEMTIME& localTime) {
    wchar_t buf[diag::kEventDateTimeChars] = {};
    if (!::GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, 0, &localTime, nullptr, buf, diag::kEventDateTimeChars)) return {};
    return buf;
}

void PrepareJobEventSource(const std::wstring& printerName, bool runningAsSpooler) {
    TW_TRACE(L"> PrepareJobEventSource");
    std::optional<PrinterSelfScope> self;
    if (!runningAsSpooler) self.emplace();
    CEventLog log;
    [[maybe_unused]] BOOL ok = log.Register(printerName.c_str());
    log.Deregister();
    TW_TRACE_RESULT(L"PrepareJobEventSource", ok);
}

void ReportJobEvent(JobEventKind kind, const JobEventData& job, const wchar_t* text,
                    const JobEventOptions& options) {
    TW_TRACE(L"> ReportJobEvent(%d)", static_cast<int>(kind));
    // The source's registry key lies in HKLM: write it as the spooler, not as the client.
    std::optional<PrinterSelfScope> self;
    if (!options.runningAsSpooler) self.emplace();

    CEventLog log;
    if (!log.Register(job.printerName.c_str())) {
        TW_TRACE_FAILED(L"ReportJobEvent", L"Register");
        return;
    }

    std::wstring dateSubmitted = FormatEventDate(job.submitted);
    std::wstring timeSubmitted = FormatEventTime(job.submitted);
    std::wstring dateDone, timeDone;
    if (!options.leaveFinishTimeEmpty) {
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        dateDone = FormatEventDate(now);
        timeDone = FormatEventTime(now);
    }

    [[maybe_unused]] BOOL ok = FALSE;
    if (IsJobEventLogged(kind, options.eventLoggingLevel)) {
        CEventLog::ErrorStrings strings = {
            job.printerName.c_str(),  job.documentName.c_str(), job.userName.c_str(), dateSubmitted.c_str(),
            timeSubmitted.c_str(),    dateDone.c_str(),         timeDone.c_str(),     job.computerName.c_str(),
            job.ipAddress.c_str(),    job.hostName.c_str(),     text};
        CEventLog::JobStrings jobStrings;
        std::copy_n(strings.begin(), jobStrings.size(), jobStrings.begin());
        switch (kind) {
        case JobEventKind::Finished: ok = log.ReportSuccess(jobStrings); break;
        case JobEventKind::Aborted: ok = log.ReportAborted(jobStrings); break;
        case JobEventKind::Error: ok = log.ReportError(strings); break;
        case JobEventKind::Warning: ok = log.ReportWarning(strings); break;
        }
    }
    log.Deregister();
    TW_TRACE_RESULT(L"ReportJobEvent", ok);
}

}  // namespace tw
