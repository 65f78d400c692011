#pragma once
// The spooler calls twinstall makes, all through winspool: monitors, their ports and the Xcv
// commands that add and delete ports. Each returns a Win32 error code (ERROR_SUCCESS on success).
#include <windows.h>

#include <string>
#include <vector>

namespace twinstall {

struct MonitorEntry {
    std::wstring name, environment, dll;
};

DWORD EnumMonitors(std::vector<MonitorEntry>& out);
DWORD AddMonitor(const std::wstring& name, const std::wstring& dll);
DWORD DeleteMonitor(const std::wstring& name);
struct PortEntry {
    std::wstring name, monitor, description;
};
// The ports whose monitor name is `monitor` (EnumPorts level 2).
DWORD EnumPortsOf(const std::wstring& monitor, std::vector<PortEntry>& out);
// XcvData through ",XcvMonitor <monitor>"; `xcvStatus` receives the monitor's own answer.
DWORD XcvPortCommand(const std::wstring& monitor, const wchar_t* command, const std::wstring& port, DWORD& xcvStatus);

}  // namespace twinstall
