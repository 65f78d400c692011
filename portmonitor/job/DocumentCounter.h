#pragma once
// The printer's running document number, shared by every job and process printing to it.
#include <windows.h>

#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

inline constexpr wchar_t kDocCounterMutex[] = L"Global\\TWDocCounter{06C3B39D-C91B-430b-8CCA-B02497FBE075}";
inline constexpr DWORD kDocCounterWaitMs = 1000;
inline constexpr wchar_t kLastDocNumberValue[] = L"LastDocNumber";

// Adds one to "LastDocNumber" of the record's printer and returns the new number (1 when there
// was none). Waits for the counter's mutex at most a second and counts on after a time-out.
DWORD NextDocumentNumber(const TarnwellDEVMODE* dm);

}  // namespace tw
