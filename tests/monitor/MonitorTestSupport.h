#pragma once
// Shared set-up of the front-end tests: a monitor registry root of its own per test, and the
// port name handed to "AddPort" through TwMonitor.ini.
#include <windows.h>
#include <winsplp.h>

#include <memory>
#include <string>
#include <vector>

#include "host/MonitorRegistry.h"

namespace twtest {

// A monitor key under HKLM\...\Print\Monitors that is deleted with the object.
class ScopedMonitorKey {
public:
    explicit ScopedMonitorKey(const std::wstring& monitorName);
    ~ScopedMonitorKey();
    twhost::MonitorRegistry& Registry() { return *m_registry; }
    // Writes a "PortList" value as an installer would.
    void AddPortValue(const std::wstring& port);
    std::vector<std::wstring> PortValues();
private:
    std::unique_ptr<twhost::MonitorRegistry> m_registry;
};

// Sets [PortName] PortName in the Windows directory's TwMonitor.ini; restores it afterwards.
class ScopedPortIni {
public:
    explicit ScopedPortIni(const std::wstring& name);
    ~ScopedPortIni();
private:
    std::wstring m_path;
};

struct PortInfo2 {
    std::wstring port, monitor, description;
    DWORD type;
};
std::vector<PortInfo2> ReadPorts2(const BYTE* buf, DWORD count);

}  // namespace twtest
