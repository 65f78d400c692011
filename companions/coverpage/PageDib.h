#pragma once
// Packed DIBs of cover pages: the 40-byte header, the palette and bottom-up rows padded to 32
// bits, in a moveable global block, and their checks when they come from elsewhere.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace coverpage {

inline size_t DibStride(LONG width, WORD bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

// A bottom-up BI_RGB DIB of 1 bit (palette black, white) or 24 bits; null when it cannot be made.
HGLOBAL AllocatePageDib(LONG width, LONG height, WORD bits, int xdpi, int ydpi);

// The parts of a packed DIB once it has been checked against its own size.
struct DibView {
    const BITMAPINFO* info = nullptr;
    const BYTE* bits = nullptr;
    LONG width = 0, height = 0;  // height positive: rows bottom-up or top-down alike
    WORD bitCount = 0;
    size_t stride = 0;
};
// Checks a packed BI_RGB DIB of 1, 4, 8 or 24 bits in `size` bytes; false when it is not one.
bool ViewDib(const BYTE* data, size_t size, DibView& out);

}  // namespace coverpage
