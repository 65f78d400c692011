#pragma once
// Colour reduction of a rendered page to its output depth: the optional brightness change,
// then the method that the record's Dithering code picks for that depth.
#include <windows.h>

#include "base/UniqueHandle.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

// Codes of the record's Dithering field. Any code not named here reduces as kDefault.
namespace dithercode {
inline constexpr LONG kNone = 0;       // 1 bit: rendered straight to black and white
inline constexpr LONG kDefault = 1;
inline constexpr LONG kOrdered = 2;
inline constexpr LONG kJarvis = 3;
inline constexpr LONG kThreshold = 4;  // the library's
inline constexpr LONG kStucki = 5;
inline constexpr LONG kFixedThreshold = 6;
}  // namespace dithercode

// Brightness as the record keeps it.
inline constexpr DWORD kBrightnessUnchanged = 100;

// What the reduction of one page depends on.
struct DitherOptions {
    DWORD colorMode = 0;         // effective ColorMode format: 0 = 1 bit, 1 = 8-bit grey, 2 = 8-bit colour, 3 = 24 bits
    LONG dithering = 0;          // the record's Dithering code
    DWORD brightness = kBrightnessUnchanged;      // 0 to 199; 100 leaves the page as it is
    LONGLONG pagePixels = 0;     // PageWidthInPixels x PageHeightInPixels
};

// Brightness 100 (unchanged) and a 1728 x 2200 page without a record.
DitherOptions DitherOptionsFor(const TarnwellDEVMODE* dm, DWORD colorMode);

// The page reduced as `options` say, as a new packed DIB; the page stays the caller's. Null
// for a null or unreadable page, a record page larger than kMaxImagePixels, a method that
// refuses the page or an imaging library that cannot be loaded; the renderer reports that as
// internal error 57. 24-bit output is not reduced: the result is a copy of the page.
HGLOBAL DitherImage(HGLOBAL pageDib, const DitherOptions& options);

// The same for a job: the colour mode is the job's effective one (its Save-As answer, else
// the record's).
HGLOBAL DitherImage(HGLOBAL pageDib, const TarnwellDEVMODE* dm, DWORD jobId);

// Whether a rendered page goes through DitherImage: 8-bit output always; 1-bit output with a
// non-zero Dithering code, except that raw-data pages are reduced at 1 bit only by the fixed
// threshold (they are rendered straight to black and white otherwise).
bool PageNeedsColourReduction(DWORD colorMode, LONG dithering, bool rawDataPage);

// The renderer's colour reduction step: when the page needs it, `page` is replaced by its
// reduction and the old page freed. FALSE, with `page` empty, when the reduction failed
// (report imgerr::kColourReduction); TRUE with the page untouched when none is needed.
BOOL ReducePageColours(UniqueHGlobal& page, const TarnwellDEVMODE* dm, DWORD jobId, bool rawDataPage);

}  // namespace tw
