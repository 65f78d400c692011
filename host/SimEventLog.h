#pragma once
// An event log in memory: Wine's ReportEvent does nothing, so the host keeps every report for
// tests and twprint to read.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/CriticalSection.h"
#include "monitor/EventLogSeam.h"

namespace twhost {

struct EventReport {
    std::wstring source;
    WORD type = 0;  // EVENTLOG_ERROR_TYPE, EVENTLOG_WARNING_TYPE, EVENTLOG_INFORMATION_TYPE, ...
    WORD category = 0;
    DWORD eventId = 0;
    std::vector<std::wstring> strings;  // the insertion strings, copied
    std::vector<BYTE> data;
    DWORD threadId = 0;  // the thread that reported it: jobs printing in parallel each have their own
};

class SimEventLog final : public tw::IEventLogSink {
public:
    SimEventLog() = default;
    SimEventLog(const SimEventLog&) = delete;
    SimEventLog& operator=(const SimEventLog&) = delete;

    std::vector<EventReport> Reports() const;
    // Forgets the reports; registered sources stay registered.
    void Clear();
    size_t OpenSourceCount() const;

    HANDLE RegisterEventSource(LPCWSTR server, LPCWSTR sourceName) override;
    BOOL ReportEvent(HANDLE hSource, WORD type, WORD category, DWORD eventId, PSID userSid, WORD numStrings,
                     DWORD dataSize, LPCWSTR* strings, LPVOID rawData) override;
    BOOL DeregisterEventSource(HANDLE hSource) override;

private:
    mutable tw::CriticalSection m_cs;
    std::map<HANDLE, std::wstring> m_sources;  // registered handle -> source name
    std::vector<EventReport> m_reports;
};

}  // namespace twhost
