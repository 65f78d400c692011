#pragma once
// A job's reports to the Windows event log: finished, aborted, error and warning. Each report
// registers the printer's event source for its own duration, in the spooler's own security
// context, and is gated by the printer's "Event Logging Level". Reports never fail the job.
#include <windows.h>

#include <string>

namespace tw {

enum class JobEventKind { Finished, Aborted, Error, Warning };

// What a job tells the event log about itself (%1 to %5 and %8 to %10).
struct JobEventData {
    std::wstring printerName;  // also the event source
    std::wstring documentName;
    std::wstring userName;
    SYSTEMTIME submitted{};  // local time
    std::wstring computerName;
    std::wstring ipAddress;
    std::wstring hostName;
};

struct JobEventOptions {
    int eventLoggingLevel = 2;      // "Event Logging Level" of the printer
    bool runningAsSpooler = false;  // the caller already runs in the spooler's own context
    bool leaveFinishTimeEmpty = false;  // %6 and %7 empty (output directory and file checks)
};

// Whether a report of `kind` is written at "Event Logging Level" `level`.
bool IsJobEventLogged(JobEventKind kind, int level);

// Writes one report. `text` is %11 of error and warning reports; a null one reports nothing.
void ReportJobEvent(JobEventKind kind, const JobEventData& job, const wchar_t* text,
                    const JobEventOptions& options);

// Registers the printer's event source and deregisters it at once, so that the source exists
// before the job's first report.
void PrepareJobEventSource(const std::wstring& printerName, bool runningAsSpooler);

// A date and a time as the event texts show them (system default locale, short date).
std::wstring FormatEventDate(const SYSTEMTIME& localTime);
std::wstring FormatEventTime(const SYSTEMTIME& localTime);

}  // namespace tw
