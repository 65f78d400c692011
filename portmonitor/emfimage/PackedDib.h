#pragma once
// Moveable global blocks that hold a packed DIB: header, palette, bottom-up rows.
#include <windows.h>

#include "base/UniqueHandle.h"
#include "emfimage/PageGeometry.h"

namespace tw {

// A zero-filled block for the DIB `info` describes, with header and palette copied in; none
// when it cannot be allocated.
UniqueHGlobal AllocatePackedDib(const PageBitmapInfo& info);

// The header and up to two palette entries of a packed DIB; false when the block is too small
// or cannot be locked. Larger palettes are not copied (only their count is kept).
bool ReadPackedDibInfo(HGLOBAL dib, PageBitmapInfo& info);

// A copy of the whole block.
UniqueHGlobal DuplicateGlobal(HGLOBAL block);

// Offset of the pixel rows in a packed DIB with this header.
inline SIZE_T PackedDibBitsOffset(const BITMAPINFOHEADER& h) {
    DWORD entries = h.biClrUsed;
    if (entries == 0 && h.biBitCount <= 8) entries = 1u << h.biBitCount;
    return h.biSize + entries * sizeof(RGBQUAD);
}

}  // namespace tw
