#pragma once
// One page into an open TIFF document: its tags in their fixed order, then its rows.
#include <windows.h>

#include "twfile/TiffLibrary.h"
#include "twfile/TiffRows.h"

namespace tw {

struct TiffPageOptions {
    DWORD format = 0;
    bool inMemory = false;
    bool pageNumbering = false;
    DWORD pageNumber = 1;  // from 1
    bool reverseBitOrder = false;
    bool internetTiff = false;
};

// Tag values the writers use.
inline constexpr int kPhotometricWhiteIsZero = 0;
inline constexpr int kPhotometricRgb = 2;
inline constexpr int kPhotometricPalette = 3;
inline constexpr int kFillOrderMsbFirst = 1;
inline constexpr int kFillOrderLsbFirst = 2;
inline constexpr int kNewSubfileTypePage = 2;
inline constexpr int kResolutionUnitInch = 2;
inline constexpr int kPlanarContiguous = 1;
// Colour pages are cut into strips of about this many bytes.
inline constexpr DWORD kColourStripBytes = 8192;

// Dots per inch from pels per metre, rounded.
constexpr LONG DpiFromPelsPerMeter(LONG pelsPerMeter) { return (pelsPerMeter * 254 + 5000) / 10000; }
// RowsPerStrip of a colour page whose packed row holds `rowBytes`.
constexpr LONG ColourRowsPerStrip(LONG height, DWORD rowBytes) {
    const LONG rows = rowBytes ? static_cast<LONG>(kColourStripBytes / rowBytes) : 1;
    const LONG atLeastOne = rows < 1 ? 1 : rows;
    return height < atLeastOne ? height : atLeastOne;
}

// Writes the tags of the page `index` and encodes its rows; TRUE when the library took both.
// On FALSE, GetLastError holds the Windows error of a failed file write (a full disk), or 0.
BOOL WriteTiffPage(const TiffFunctions& fn, HTIFFDOC doc, int index, const DibView& page,
                   const TiffPageOptions& options);

}  // namespace tw
