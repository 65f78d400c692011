#include "monitor/EventLogSeam.h"

namespace tw {
namespace {

class Win32EventLog final : public IEventLogSink {
public:
    HANDLE RegisterEventSource(LPCWSTR server, LPCWSTR source) override {
        return ::RegisterEventSourceW(server, source);
    }
    BOOL ReportEvent(HANDLE h, WORD type, WORD category, DWORD id, PSID sid, WORD n, DWORD cbData, LPCWSTR* strings,
                     LPVOID data) override {
        return ::ReportEventW(h, type, category, id, sid, n, cbData, strings, data);
    }
    BOOL DeregisterEventSource(HANDLE h) override { return ::DeregisterEventSource(h); }
};

Win32EventLog g_win32EventLog;
IEventLogSink* g_sink = &g_win32EventLog;

}  // namespace

IEventLogSink& EventLogSink() { return *g_sink; }
void SetEventLogSink(IEventLogSink* sink) { g_sink = sink ? sink : &g_win32EventLog; }

}  // namespace tw
