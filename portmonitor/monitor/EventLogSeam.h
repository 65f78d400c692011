#pragma once
// The Windows event log as the monitor sees it. Wine's ReportEvent does nothing, so the host
// installs a simulation that keeps every report.
#include <windows.h>

namespace tw {

class IEventLogSink {
public:
    virtual ~IEventLogSink() = default;
    virtual HANDLE RegisterEventSource(LPCWSTR server, LPCWSTR sourceName) = 0;
    virtual BOOL ReportEvent(HANDLE hSource, WORD type, WORD category, DWORD eventId, PSID userSid,
                             WORD numStrings, DWORD dataSize, LPCWSTR* strings, LPVOID rawData) = 0;
    virtual BOOL DeregisterEventSource(HANDLE hSource) = 0;
};

IEventLogSink& EventLogSink();
// Installs `sink` (not owned) for the whole process; null restores the production one.
void SetEventLogSink(IEventLogSink* sink);

}  // namespace tw
