// Entry point of tarnmon.dll. Programs that link the static library call the module functions
// themselves.
#include <windows.h>

#include "monitor/MonitorModule.h"

extern "C" BOOL WINAPI DllEntryPoint(HINSTANCE hInstance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return tw::module::ProcessAttach(hInstance);
    case DLL_THREAD_ATTACH:
        // A thread whose block cannot be stored gets one on first use instead.
        tw::module::ThreadAttach();
        return TRUE;
    case DLL_THREAD_DETACH:
        tw::module::ThreadDetach();
        return TRUE;
    case DLL_PROCESS_DETACH:
        tw::module::ProcessDetach();
        return TRUE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID reserved) {
    return DllEntryPoint(hInstance, reason, reserved);
}
