#include "monitor/Exports.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "base/CriticalSection.h"
#include "base/Registry.h"
#include "base/WideString.h"
#include "job/SettingsScope.h"
#include "monitor/MonitorModule.h"
#include "monitor/MonitorReg.h"
#include "monitor/MonitorTexts.h"
#include "monitor/PortList.h"
#include "monitor/ThreadBlock.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

MONITOR2 g_monitor2 = {
    .cbSize = kMonitor2Size,
    .pfnEnumPorts = devEnumPorts,
    .pfnOpenPort = devOpenPort,
    .pfnOpenPortEx = devOpenPortEx,
    .pfnStartDocPort = devStartDocPort,
    .pfnWritePort = devWritePort,
    .pfnReadPort = devReadPort,
    .pfnEndDocPort = devEndDocPort,
    .pfnClosePort = devClosePort,
    .pfnAddPort = nullptr,
    .pfnAddPortEx = nullptr,
    .pfnConfigurePort = nullptr,
    .pfnDeletePort = nullptr,
    .pfnGetPrinterDataFromPort = nullptr,
    .pfnSetPortTimeOuts = nullptr,
    .pfnXcvOpenPort = TW_XcvOpenPort,
    .pfnXcvDataPort = TW_XcvDataPort,
    .pfnXcvClosePort = TW_XcvClosePort,
    .pfnShutdown = TW_Shutdown,
    .pfnSendRecvBidiDataFromPort = nullptr,
};
static_assert(offsetof(MONITOR2, pfnSendRecvBidiDataFromPort) + sizeof(void*) == kMonitor2Size,
              "the MONITOR2 table the spooler expects ends with pfnSendRecvBidiDataFromPort");

// The Xcv handle: the object name it was opened for and the port of that name, if any.
struct XcvHandle {
    wchar_t* pszObject;
    CTWPortInfo* pPort;
    wchar_t szName[1];
};

bool IsWindows2000() {
    OSVERSIONINFOEXW vi{};
    vi.dwOSVersionInfoSize = sizeof(vi);
    vi.dwMajorVersion = 5;
    vi.dwMinorVersion = 0;
    DWORDLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_EQUAL);
    return ::VerifyVersionInfoW(&vi, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
}

// The spooler does not tell a monitor its name: mark our key with a value and look for the
// monitor key that carries it.
void DiscoverOwnName(PMONITORINIT init) {
    LONG rc = SetRootValue(init, texts::kMonitorTestValue, REG_SZ, texts::kMonitorTestData,
                           sizeof(texts::kMonitorTestData));
    if (rc != ERROR_SUCCESS) {
        TW_TRACE(L"InitializePrintMonitor2: cannot write %s (%ld)", texts::kMonitorTestValue, rc);
        return;
    }
    UniqueHKey monitors = OpenKey(HKEY_LOCAL_MACHINE, texts::kMonitorsKey, KEY_READ);
    if (monitors) {
        for (DWORD index = 0;; ++index) {
            wchar_t name[MAX_PATH + 1] = {};
            DWORD cchName = MAX_PATH + 1;
            if (::RegEnumKeyExW(monitors.get(), index, name, &cchName, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            UniqueHKey sub = OpenKey(monitors.get(), name, KEY_READ);
            if (!sub) continue;
            wchar_t value[2046 / sizeof(wchar_t)] = {};
            DWORD cb = sizeof(value) - sizeof(wchar_t), type = 0;
            if (::RegQueryValueExW(sub.get(), texts::kMonitorTestValue, nullptr, &type, reinterpret_cast<BYTE*>(value),
                                   &cb) != ERROR_SUCCESS)
                continue;
            if (EqualsNoCase(value, texts::kMonitorTestData)) {
                module::SetOwnName(name);
                break;
            }
        }
    }
    DeleteRootValue(init, texts::kMonitorTestValue);
}

CTWPortInfo* PortOf(HANDLE h) { return static_cast<CTWPortInfo*>(h); }

}  // namespace

BOOL WINAPI devEnumPorts(HANDLE, LPWSTR pName, DWORD Level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded,
                         LPDWORD pcReturned) {
    TW_TRACE(L"> devEnumPorts(level %lu)", Level);
    if (!pcbNeeded || !pcReturned) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CPortList& list = CPortList::Instance();
    CsLock lock(list.Lock());
    if (list.Empty()) list.CreatePortListFromRegistry();
    if (pName) {
        // Ports of a remote server are not ours to list.
        *pcbNeeded = 0;
        *pcReturned = 0;
        return TRUE;
    }
    if (Level != 1 && Level != 2) {
        *pcbNeeded = 0;
        *pcReturned = 0;
        ::SetLastError(ERROR_INVALID_LEVEL);
        TW_TRACE_FAILED(L"devEnumPorts", L"level");
        return FALSE;
    }
    BOOL ok = list.Enumerate(Level, pPorts, cbBuf, pcbNeeded, pcReturned);
    TW_TRACE_RESULT(L"devEnumPorts", ok);
    return ok;
}

BOOL WINAPI devOpenPort(HANDLE, LPWSTR pName, PHANDLE pHandle) {
    TW_TRACE(L"> devOpenPort(%s)", pName ? pName : L"(null)");
    CPortList& list = CPortList::Instance();
    CsLock lock(list.Lock());
    CTWPortInfo* port = list.Find(pName);
    if (!port || !pHandle) {
        TW_TRACE_FAILED(L"devOpenPort", L"port");
        return FALSE;
    }
    *pHandle = port;
    return port->Open();
}

BOOL WINAPI devOpenPortEx(HANDLE hMonitor, HANDLE, LPWSTR pPortName, LPWSTR, PHANDLE pHandle, struct _MONITOR2*) {
    return devOpenPort(hMonitor, pPortName, pHandle);
}

BOOL WINAPI devStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
    TW_TRACE(L"> devStartDocPort");
    // A header left half-collected by an earlier document on this thread must not leak into this one.
    threadblock::ResetHeaderCollector();
    if (!hPort) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    settings::SettingsScope settingsScope;
    return PortOf(hPort)->StartDocPort(pPrinterName, JobId, Level, pDocInfo);
}

BOOL WINAPI devWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    if (!hPort) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    settings::SettingsScope settingsScope;
    return PortOf(hPort)->WritePort(pBuffer, cbBuf, pcbWritten);
}

BOOL WINAPI devReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    if (!hPort) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return PortOf(hPort)->ReadPort(pBuffer, cbBuffer, pcbRead);
}

BOOL WINAPI devEndDocPort(HANDLE hPort) {
    if (!hPort) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    settings::SettingsScope settingsScope;
    return PortOf(hPort)->EndDocPort();
}

BOOL WINAPI devClosePort(HANDLE hPort) {
    TW_TRACE(L"> devClosePort");
    if (!hPort) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CsLock lock(CPortList::Instance().Lock());
    return PortOf(hPort)->Close();
}

BOOL WINAPI TW_XcvOpenPort(HANDLE, LPCWSTR pszObject, ACCESS_MASK, PHANDLE phXcv) {
    TW_TRACE(L"> TW_XcvOpenPort(%s)", pszObject ? pszObject : L"(null)");
    if (!pszObject || !*pszObject || !phXcv) return FALSE;
    size_t chars = wcslen(pszObject) + 1;
    auto* xcv = static_cast<XcvHandle*>(::GlobalAlloc(GPTR, offsetof(XcvHandle, szName) + chars * sizeof(wchar_t)));
    if (!xcv) {
        TW_TRACE_FAILED(L"TW_XcvOpenPort", L"GlobalAlloc");
        return FALSE;
    }
    std::memcpy(xcv->szName, pszObject, chars * sizeof(wchar_t));
    xcv->pszObject = xcv->szName;
    {
        CsLock lock(CPortList::Instance().Lock());
        xcv->pPort = CPortList::Instance().Find(pszObject);
    }
    *phXcv = xcv;
    return TRUE;
}

namespace {

// The port name an Xcv caller hands over: UTF-16, terminated inside the size it gave. Nothing
// past cbInputData is read; an odd, empty or unterminated buffer is refused.
bool XcvPortName(const BYTE* input, DWORD cbInput, std::wstring& name) {
    if (!input || cbInput < sizeof(wchar_t) || cbInput % sizeof(wchar_t) != 0) return false;
    const size_t chars = cbInput / sizeof(wchar_t);
    std::wstring text(chars, L'\0');
    std::memcpy(text.data(), input, cbInput);
    const size_t end = text.find(L'\0');
    if (end == std::wstring::npos) return false;
    name = text.substr(0, end);
    return true;
}

DWORD XcvAddPort(XcvHandle* xcv, const std::wstring& name) {
    CPortList& list = CPortList::Instance();
    if (list.AddPort(name.c_str())) {
        CsLock lock(list.Lock());
        xcv->pPort = list.Find(name.c_str());
    }
    return ERROR_SUCCESS;
}

DWORD XcvDeletePort(XcvHandle* xcv, const std::wstring& name) {
    if (CPortList::Instance().DeletePort(name.c_str())) xcv->pPort = nullptr;
    return ERROR_SUCCESS;
}

// No user-interface library goes with this monitor.
DWORD XcvMonitorUI(XcvHandle*, const std::wstring&) { return ERROR_ACCESS_DENIED; }

struct XcvCommand {
    const wchar_t* name;
    bool takesPortName;
    DWORD (*handler)(XcvHandle*, const std::wstring&);
};

constexpr XcvCommand kXcvCommands[] = {
    {L"AddPort", true, XcvAddPort},
    {L"DeletePort", true, XcvDeletePort},
    {L"MonitorUI", false, XcvMonitorUI},
};

}  // namespace

DWORD WINAPI TW_XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE, DWORD,
                            PDWORD) {
    TW_TRACE(L"> TW_XcvDataPort(%s)", pszDataName ? pszDataName : L"(null)");
    if (!hXcv || !pszDataName) return ERROR_INVALID_PARAMETER;
    for (const XcvCommand& command : kXcvCommands) {
        if (wcscmp(pszDataName, command.name) != 0) continue;
        std::wstring portName;
        if (command.takesPortName && !XcvPortName(pInputData, cbInputData, portName)) {
            TW_TRACE_FAILED(L"TW_XcvDataPort", L"input data");
            return ERROR_INVALID_PARAMETER;
        }
        return command.handler(static_cast<XcvHandle*>(hXcv), portName);
    }
    return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI TW_XcvClosePort(HANDLE hXcv) {
    TW_TRACE(L"> TW_XcvClosePort");
    if (!hXcv) return FALSE;
    auto* xcv = static_cast<XcvHandle*>(hXcv);
    BOOL result = FALSE;
    {
        CPortList& list = CPortList::Instance();
        CsLock lock(list.Lock());
        // The port may have been deleted through another handle since this one was opened.
        if (xcv->pPort && list.Contains(xcv->pPort)) result = xcv->pPort->Close();
        else ::SetLastError(ERROR_INVALID_PARAMETER);
    }
    ::GlobalFree(xcv);
    return result;
}

VOID WINAPI TW_Shutdown(HANDLE) { TW_TRACE(L"> TW_Shutdown"); }

}  // namespace tw

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor) {
    TW_TRACE(L"> InitializePrintMonitor2");
    using namespace tw;
    if (IsWindows2000()) g_monitor2.cbSize = kMonitor2SizeWin2000;
    module::SetMonitorInit(pMonitorInit);
    DiscoverOwnName(pMonitorInit);
    if (phMonitor) *phMonitor = nullptr;
    TW_TRACE(L"< InitializePrintMonitor2: monitor name \"%s\"", module::OwnName().c_str());
    return &g_monitor2;
}

extern "C" DWORD WINAPI CallDLL(DWORD, PDEVMODEW pDevMode) {
    TW_TRACE(L"> CallDLL");
    tw::DumpDevModes(pDevMode);
    return 0;
}
