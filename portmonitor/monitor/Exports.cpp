#include <windows.h>
#include <winsplp.h>
extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE) { return nullptr; }
extern "C" DWORD WINAPI CallDLL(DWORD, PDEVMODEW) { return 0; }
