#pragma once
// A registry key opened through the spooler's MONITORREG functions and closed through them.
// mingw's headers type these keys as HANDLE where Microsoft's use HKEY: the casts live here.
#include <windows.h>
#include <winsplp.h>

namespace tw {

class MonitorRegKey {
public:
    MonitorRegKey() = default;
    ~MonitorRegKey() { Close(); }
    MonitorRegKey(MonitorRegKey&& o) noexcept : m_pInit(o.m_pInit), m_hKey(o.m_hKey) { o.m_hKey = nullptr; }
    MonitorRegKey& operator=(MonitorRegKey&& o) noexcept;
    MonitorRegKey(const MonitorRegKey&) = delete;
    MonitorRegKey& operator=(const MonitorRegKey&) = delete;

    // Opens or creates `subKey` under the monitor's registry root; returns the Win32 result.
    LONG Create(const MONITORINIT* init, const wchar_t* subKey, REGSAM access);
    bool valid() const { return m_hKey != nullptr; }

    LONG SetString(const wchar_t* name, const wchar_t* data, DWORD cbData);
    LONG DeleteValue(const wchar_t* name);
    LONG EnumValue(DWORD index, wchar_t* name, DWORD* pcchName, DWORD* pType, BYTE* data, DWORD* pcbData);
    void Close();

private:
    const MONITORINIT* m_pInit = nullptr;
    HANDLE m_hKey = nullptr;
};

// Values written straight under the root the spooler gave the monitor.
LONG SetRootValue(const MONITORINIT* init, const wchar_t* name, DWORD type, const void* data, DWORD cbData);
LONG DeleteRootValue(const MONITORINIT* init, const wchar_t* name);

}  // namespace tw
