#pragma once
// Where the parts of a device-independent bitmap lie, read from its header the way GDI reads
// it: header, colour masks, colour table, rows. Bitmaps inside EMF records and raw-data pages
// come from outside; GDI reads whatever their headers claim, so every claim is checked here
// before a bitmap is handed on.
#include <windows.h>

namespace tw {

// The largest bitmap an EMF record may carry, in pixels. A real page picture at 600 dpi stays
// well below it; beyond it GDI would allocate the bitmap (and its device copy) for nothing.
inline constexpr ULONGLONG kMaxRecordBitmapPixels = 1ull << 27;
// Colour use of a monochrome brush bitmap recorded without a colour table.
inline constexpr UINT kDibPalIndices = 2;

struct DibLayout {
    LONG width = 0;
    LONG height = 0;          // rows, always positive
    bool topDown = false;     // the header's height was negative
    WORD bits = 0;
    DWORD compression = BI_RGB;
    DWORD headerSize = 0;     // 12 (core header) or 40 and more
    DWORD colourEntries = 0;  // entries of the colour table GDI reads
    DWORD infoBytes = 0;      // header, masks and colour table
    DWORD stride = 0;         // bytes of one row, padded to 32 bits
    ULONGLONG imageBytes = 0; // bytes the rows need (an RLE bitmap: its biSizeImage)

    // Bytes of `rows` rows of this bitmap, uncompressed.
    ULONGLONG RowBytes(ULONGLONG rows) const { return ULONGLONG(stride) * rows; }
};

// Reads the header at `info`, of which `available` bytes may be read, for colours given as
// `usage` (DIB_RGB_COLORS, DIB_PAL_COLORS, or kDibPalIndices for a bitmap without a table). False for a header GDI must not be given:
// unknown header size, width not positive, height zero, planes not 1, a bit count or
// compression GDI does not draw (JPEG and PNG passthrough included), a colour table or masks
// beyond `available`, or more than `maxPixels` pixels.
bool ReadDibLayout(const BYTE* info, ULONGLONG available, UINT usage, ULONGLONG maxPixels, DibLayout& out);

}  // namespace tw
