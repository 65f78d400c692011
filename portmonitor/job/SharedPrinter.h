#pragma once
// Jobs that reach this computer through a shared printer: how they are recognised, and which
// settings the server's own default record decides for them.
#include <windows.h>

#include <string>

#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

// The printer is shared and the job's machine (or, failing that, the record's client computer)
// is not this computer.
bool IsSharedPrinter(const std::wstring& printerName, DWORD jobId, const TarnwellDEVMODE& dm);

// Takes the server-side settings from the printer's global default record (GetPrinter level 8):
// the public part and/or the whole private part when the "Ignore" switches say so, otherwise
// the server's fields one by one; always clears the session-0 bit.
void CopySettingsForSharedPrinter(const std::wstring& printerName, TarnwellDEVMODE& dm, bool ignoreDevMode,
                                  bool ignoreExtendedDevMode);

}  // namespace tw
