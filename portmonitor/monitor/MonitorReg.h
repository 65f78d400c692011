#pragma once
// A registry key opened through the spooler's MONITORREG functions and closed through them.
// mingw's headers type these keys as HANDLE where Microsoft's use HKEY: the casts live here.
// A spooler whose MONITORREG functions are not implemented (they answer
// ERROR_CALL_NOT_IMPLEMENTED) gets the Win32 registry under the monitor's own key instead.
#include <windows.h>
#include <winsplp.h>

#include "base/UniqueHandle.h"

namespace tw {

class MonitorRegKey {
public:
    MonitorRegKey() = default;
    ~MonitorRegKey() { Close(); }
    MonitorRegKey(MonitorRegKey&& o) noexcept;
    MonitorRegKey& operator=(MonitorRegKey&& o) noexcept;
    MonitorRegKey(const MonitorRegKey&) = delete;
    MonitorRegKey& operator=(const MonitorRegKey&) = delete;

    // Opens or creates `subKey` under the monitor's registry root; returns the Win32 result.
    LONG Create(const MONITORINIT* init, const wchar_t* subKey, REGSAM access);
    bool valid() const { return m_hKey != nullptr || m_win32.valid(); }
    // True when the key came from the Win32 registry because the spooler's functions are missing.
    bool IsWin32() const { return m_win32.valid(); }

    LONG SetString(const wchar_t* name, const wchar_t* data, DWORD cbData);
    LONG DeleteValue(const wchar_t* name);
    LONG EnumValue(DWORD index, wchar_t* name, DWORD* pcchName, DWORD* pType, BYTE* data, DWORD* pcbData);
    void Close();

private:
    const MONITORINIT* m_pInit = nullptr;
    HANDLE m_hKey = nullptr;
    UniqueHKey m_win32;
};

// Values written straight under the root the spooler gave the monitor. Only valid while the
// spooler's InitializePrintMonitor2 call lasts: a spooler without MONITORREG functions hands
// over a Win32 key that it closes afterwards.
LONG SetRootValue(const MONITORINIT* init, const wchar_t* name, DWORD type, const void* data, DWORD cbData);
LONG DeleteRootValue(const MONITORINIT* init, const wchar_t* name);

}  // namespace tw
