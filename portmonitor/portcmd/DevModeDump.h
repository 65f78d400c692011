#pragma once
// The diagnostic dumps of a DEVMODE. The lines are produced by plain functions and written by
// the trace facility, which release builds compile out.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

class TarnwellDEVMODE;

// "DUMP DEVMODE": the private settings as the monitor reads them.
std::vector<std::wstring> DevModeDumpLines(const TarnwellDEVMODE& dm);
// "DUMP Windows DEVMODE": the public part. Only fields inside dmSize are read; the others show 0.
std::vector<std::wstring> WindowsDevModeDumpLines(const DEVMODEW& dm);

// Traces the private dump.
void DumpDevMode(const TarnwellDEVMODE* dm);
// Traces both dumps of a DEVMODE handed in from outside (CallDLL). The private part is read
// only when dmSize and dmDriverExtra announce a whole record.
void DumpDevModes(const DEVMODEW* pDevMode);

}  // namespace tw
