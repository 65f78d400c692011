#pragma once
// The corrections every job DEVMODE goes through before the job reads its page geometry:
// resolution codes, fax resolutions, landscape geometry, pixel size and format-bound flags.
#include <windows.h>

#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

// Output format codes whose records need flags fixed.
inline constexpr DWORD kFormatClearsAnnotations = 18;
inline constexpr DWORD kFormatPageNumbersReversed = 21;
inline constexpr DWORD kFormatPageNumbers = 22;
inline constexpr DWORD kFormatPageNumbersToo = 23;
inline constexpr DWORD kFormatNoReverse = 30;
// Largest resolution the record may keep.
inline constexpr int kMaxDpi = 3000;

// Exchanges paper width and length and the pixel width and height of a landscape record;
// applying it twice restores the record.
void SwapLandscapeWidthHeight(TarnwellDEVMODE& dm);

// The steps of the correction that depend on nothing but the record and its effective format:
// format-18 clearing, fax resolutions, resolution codes and clamps, the landscape swap, the
// pixel size and the flags bound to the format.
void CorrectDevModeGeometry(TarnwellDEVMODE& dm, DWORD effectiveFormat);

}  // namespace tw
