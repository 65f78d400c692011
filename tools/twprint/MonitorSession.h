#pragma once
// The monitor as twprint drives it: the simulated spooler and event log behind the seams, the
// monitor's registry root, InitializePrintMonitor2 and every MONITOR2 call made, recorded.
#include <windows.h>
#include <winsplp.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/MonitorRegistry.h"

namespace twprint {

struct CallRecord {
    std::wstring fn;
    bool result = false;
    DWORD error = 0;        // last error of a failed call
    long long written = -1;  // WritePort: bytes the port reported written
    long long ms = -1;       // the job's calls: how long the monitor took
};

struct PortEntry {
    std::wstring name, monitor, description;
    DWORD type = 0;
};

class MonitorSession {
public:
    static constexpr wchar_t kMonitorName[] = L"Tarnwell Monitor";

    MonitorSession();
    ~MonitorSession();
    MonitorSession(const MonitorSession&) = delete;
    MonitorSession& operator=(const MonitorSession&) = delete;

    // False with a reason when the monitor could not be initialised.
    bool Initialize(std::wstring& error);

    twhost::HostEnvironment& Host() { return m_host; }
    // The calls made on the calling thread: jobs run in parallel each report their own.
    std::vector<CallRecord> Calls() const;

    bool EnumPorts(std::vector<PortEntry>& ports);
    bool HasPort(const std::wstring& name);
    // Xcv "AddPort" with the name handed over through TwMonitor.ini, as an installer does.
    bool AddPort(const std::wstring& name);
    bool DeletePort(const std::wstring& name);

    HANDLE OpenPort(const std::wstring& name);
    bool StartDocPort(HANDLE port, const std::wstring& printer, DWORD jobId, const std::wstring& document);
    bool WritePort(HANDLE port, const BYTE* data, DWORD cb);
    bool EndDocPort(HANDLE port);
    bool ClosePort(HANDLE port);

private:
    // `start`: the tick count before the call, for the calls whose time is reported.
    bool Record(const wchar_t* fn, BOOL result, long long written = -1, ULONGLONG start = 0);
    bool XcvData(const wchar_t* dataName, const std::wstring& input, DWORD& code);

    twhost::HostEnvironment m_host;
    twhost::MonitorRegistry m_registry;
    LPMONITOR2 m_table = nullptr;
    mutable std::mutex m_callsLock;
    std::map<DWORD, std::vector<CallRecord>> m_calls;  // by thread id
};

}  // namespace twprint
