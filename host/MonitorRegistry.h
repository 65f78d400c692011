#pragma once
// The spooler's registry functions for a port monitor (MONITORREG), working on the real
// registry under a root key the host chooses, and the MONITORINIT that hands them over.
#include <windows.h>
#include <winsplp.h>

#include <string>

#include "base/UniqueHandle.h"

namespace twhost {

class MonitorRegistry {
public:
    // HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\<monitorName>, where the
    // monitor's discovery of its own name looks.
    explicit MonitorRegistry(const std::wstring& monitorName);
    // Any root: `subKey` under `parent` (which must stay open as long as this object).
    MonitorRegistry(HKEY parent, const std::wstring& subKey);
    ~MonitorRegistry() = default;  // the root key closes with m_root
    // The monitor keeps the MONITORINIT pointer for the whole process: this object stays put.
    MonitorRegistry(const MonitorRegistry&) = delete;
    MonitorRegistry& operator=(const MonitorRegistry&) = delete;

    bool valid() const { return m_root.valid(); }
    // Why the root could not be opened (ERROR_SUCCESS when it was).
    LONG OpenError() const { return m_openError; }
    HKEY Root() const { return m_root.get(); }
    const std::wstring& SubKey() const { return m_subKey; }

    // cbSize, a fake spooler handle, the root, the function table, local, no server name.
    PMONITORINIT MonitorInit() { return &m_init; }

    // Closes the root and deletes it with everything beneath it (tests clean up with this).
    LONG DeleteKey();

    static const MONITORREG& Functions();
    // The hSpooler that the functions accept; any other is refused with ERROR_INVALID_HANDLE.
    static HANDLE SpoolerHandle();
    static std::wstring MonitorKeyPath(const std::wstring& monitorName);

private:
    HKEY m_parent;
    std::wstring m_subKey;
    tw::UniqueHKey m_root;
    LONG m_openError = ERROR_SUCCESS;
    MONITORINIT m_init{};
};

}  // namespace twhost
