#pragma once
// The monitor's exported entry points and the MONITOR2 functions behind its table. Programs
// that link the static library call them exactly as the spooler calls the DLL.
#include <windows.h>
#include <winsplp.h>

extern "C" {
LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor);
DWORD WINAPI CallDLL(DWORD reserved, PDEVMODEW pDevMode);
}

namespace tw {

// MONITOR2 sizes: the full table, and the one for Windows 2000.
inline constexpr DWORD kMonitor2Size = 160;
inline constexpr DWORD kMonitor2SizeWin2000 = 148;

BOOL WINAPI devEnumPorts(HANDLE hMonitor, LPWSTR pName, DWORD Level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded,
                         LPDWORD pcReturned);
BOOL WINAPI devOpenPort(HANDLE hMonitor, LPWSTR pName, PHANDLE pHandle);
BOOL WINAPI devOpenPortEx(HANDLE hMonitor, HANDLE hMonitorPort, LPWSTR pPortName, LPWSTR pPrinterName,
                          PHANDLE pHandle, struct _MONITOR2* pMonitor);
BOOL WINAPI devStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo);
BOOL WINAPI devWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
BOOL WINAPI devReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
BOOL WINAPI devEndDocPort(HANDLE hPort);
BOOL WINAPI devClosePort(HANDLE hPort);
BOOL WINAPI TW_XcvOpenPort(HANDLE hMonitor, LPCWSTR pszObject, ACCESS_MASK GrantedAccess, PHANDLE phXcv);
DWORD WINAPI TW_XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData,
                            PBYTE pOutputData, DWORD cbOutputData, PDWORD pcbOutputNeeded);
BOOL WINAPI TW_XcvClosePort(HANDLE hXcv);
VOID WINAPI TW_Shutdown(HANDLE hMonitor);

}  // namespace tw
