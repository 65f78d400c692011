#pragma once
// Process-wide state of the monitor library: its instance, critical sections, TLS slot and the
// spooler's MONITORINIT. A DLL sets it up from its entry point; a program linking the static
// library calls ProcessAttach itself.
#include <windows.h>
#include <winsplp.h>

#include <string>

#include "base/CriticalSection.h"

namespace tw::module {

BOOL ProcessAttach(HINSTANCE hInstance);
void ProcessDetach();
BOOL ThreadAttach();
void ThreadDetach();

HINSTANCE Instance();
// Serialises the one-time loading of the OCR library.
CriticalSection& OcrLock();

void SetMonitorInit(PMONITORINIT init);
PMONITORINIT MonitorInit();
void SetOwnName(const std::wstring& name);
const std::wstring& OwnName();

}  // namespace tw::module
