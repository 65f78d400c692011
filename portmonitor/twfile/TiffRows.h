#pragma once
// The page DIB as the TIFF library reads it: a checked view of the locked block, and the row
// callbacks that hand it over top row first (the DIB itself is bottom-up).
#include <windows.h>

#include "tifflib/Tiff32.h"

namespace tw {

struct DibView {
    const BITMAPINFOHEADER* header = nullptr;
    const RGBQUAD* palette = nullptr;
    DWORD paletteEntries = 0;
    const BYTE* bits = nullptr;
    LONG width = 0;
    LONG height = 0;
    WORD bitCount = 0;
    DWORD stride = 0;  // one row padded to 32 bits
};

// Checks a locked page DIB of `size` bytes; FALSE when it is malformed.
bool ViewDib(const BYTE* dib, size_t size, DibView& view);
// A 1-bit page whose palette entry 0 is darker than entry 1: its 0 bits are ink.
bool InkIsZero(const DibView& view);

// What a row callback reads.
struct RowSource {
    const BYTE* bits = nullptr;
    LONG height = 0;
    LONG width = 0;
    DWORD stride = 0;
    DWORD rowBytes = 0;  // bytes delivered per row
    bool invert = false;
};

RowSource MonochromeRows(const DibView& view);  // inverted when 0 bits are ink: ink becomes 1
// The stride with 0 bits as ink, as the IOCA encoder takes it (it inverts by itself).
RowSource CopiedRows(const DibView& view);
RowSource PaletteRows(const DibView& view);     // packed rows of (bits * width + 7) / 8 bytes
RowSource RgbRows(const DibView& view);         // packed rows of ((24 * width + 15) / 16) * 2 bytes

// Row callbacks: they copy the row (inverting when asked), or swap every pixel's bytes from
// BGR to RGB; TIFF_ROW_END past the last row.
int WINAPI MonochromeRowProc(BYTE* row, int rowIndex, void* params);
int WINAPI PaletteRowProc(BYTE* row, int rowIndex, void* params);
int WINAPI RgbRowProc(BYTE* row, int rowIndex, void* params);

}  // namespace tw
