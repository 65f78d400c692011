#pragma once
// The monitor's ports, persisted as the values of the "PortList" key under the registry root
// the spooler hands the monitor.
#include <windows.h>
#include <winsplp.h>

#include "base/CriticalSection.h"
#include "monitor/TWPortInfo.h"

namespace tw {

class CPortList {
public:
    // Name and data buffers used when the list is read from the registry.
    static constexpr DWORD kValueNameChars = 128;
    static constexpr DWORD kValueDataBytes = 520;
    static constexpr DWORD kPortNameChars = 64;

    static CPortList& Instance();

    CPortList() = default;
    ~CPortList();
    CPortList(const CPortList&) = delete;
    CPortList& operator=(const CPortList&) = delete;

    CriticalSection& Lock() { return m_cs; }

    // Callers hold the lock. Names compare without regard to case.
    CTWPortInfo* Find(const wchar_t* name) const;
    // True when `port` is still one of the list's ports (callers hold the lock).
    bool Contains(const CTWPortInfo* port) const;
    bool Empty() const { return m_pHead == nullptr; }
    WORD Count() const { return m_wCount; }

    // Loads ports not yet in the list from "PortList" (callers hold the lock).
    BOOL CreatePortListFromRegistry();
    BOOL AddPortToRegistry(const wchar_t* name);
    // The Xcv "AddPort" and "DeletePort" routines; they take the lock themselves.
    BOOL AddPort(const wchar_t* requestedName);
    BOOL DeletePort(const wchar_t* name);
    // PORT_INFO_1 / PORT_INFO_2 into the caller's buffer (callers hold the lock).
    BOOL Enumerate(DWORD level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) const;
    // Drops every port (callers hold the lock).
    void Clear();

private:
    CTWPortInfo* AddTWPortInfo(const wchar_t* name, const wchar_t* path);
    BOOL ForceWriteRights(const wchar_t* name);
    std::wstring ReadPortNameForAdd();
    // Shows the add-port dialog; empty when it was cancelled or could not be shown.
    static std::wstring AskPortName();

    CriticalSection m_cs;
    CTWPortInfo* m_pHead = nullptr;
    WORD m_wCount = 0;
};

}  // namespace tw
