#pragma once
// Packed DIBs in moveable global memory: a 40-byte BITMAPINFOHEADER, the palette, then bottom-up
// rows padded to 32 bits. Every image function reads its input through DibView, which checks
// the header against the block before a single pixel is touched, and makes its result with
// NewPackedDib.
#include <windows.h>

#include "base/UniqueHandle.h"
#include "emfimage/PageGeometry.h"

namespace tw {

// The largest image, in pixels, that the image functions take or make (a page of about
// 32000 pixels square); anything larger is refused rather than allocated.
inline constexpr LONGLONG kMaxImagePixels = 1024000000;

inline constexpr WORD kBits1 = 1;
inline constexpr WORD kBits4 = 4;
inline constexpr WORD kBits8 = 8;
inline constexpr WORD kBits24 = 24;
inline constexpr DWORD kMaxPaletteEntries = 256;

// Bytes of one row of `width` pixels at `bits` per pixel, padded to 32 bits.
DWORD DibStride(LONG width, WORD bits);

// What a packed DIB holds, as read from a header that passed the checks.
struct DibShape {
    LONG width = 0;
    LONG height = 0;  // rows, stored bottom-up
    WORD bits = 0;    // 1, 4, 8 or 24
    DWORD paletteEntries = 0;
    DWORD stride = 0;
    SIZE_T bitsOffset = 0;  // from the start of the block
    SIZE_T imageBytes = 0;  // stride x height
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;
};

// Checks a header of a block of `blockSize` bytes: biSize 40, BI_RGB, one plane, 1/4/8/24
// bits, positive width and height within kMaxImagePixels, a palette of at most 2^bits entries
// (biClrUsed 0 meaning all of them) and rows that fit in the block.
bool ReadDibShape(const BYTE* block, SIZE_T blockSize, DibShape& shape);

// A zero-filled moveable packed DIB: header, `entries` palette colours from `palette` (or
// zeros when it is null), rows of zeros. Null when the size is refused or allocation fails.
HGLOBAL NewPackedDib(LONG width, LONG height, WORD bits, const RGBQUAD* palette, DWORD entries,
                     LONG xPelsPerMeter, LONG yPelsPerMeter);

// A zero (all black) 1-bit DIB with the black and white palette, and an 8-bit grey one, of
// `shape`'s size and resolution; null when refused.
HGLOBAL NewBilevelDib(const DibShape& shape);
HGLOBAL NewGreyDib(const DibShape& shape);

// A copy of a whole block; null when it cannot be made.
HGLOBAL CopyPackedDib(HGLOBAL dib);

// The two palettes every reduction ends in.
void FillBlackWhitePalette(RGBQUAD (&palette)[2]);
void FillGreyPalette(RGBQUAD (&palette)[kMaxPaletteEntries]);

// A packed DIB locked for as long as the view lives. valid() is false for a null or unlockable
// block and for a header that ReadDibShape refuses.
class DibView {
public:
    explicit DibView(HGLOBAL dib);
    DibView(const DibView&) = delete;
    DibView& operator=(const DibView&) = delete;

    bool valid() const { return m_bValid; }
    const DibShape& Shape() const { return m_shape; }
    BITMAPINFOHEADER* Header() const { return reinterpret_cast<BITMAPINFOHEADER*>(m_lock.get()); }
    RGBQUAD* Palette() const { return reinterpret_cast<RGBQUAD*>(m_lock.get() + sizeof(BITMAPINFOHEADER)); }
    // Row `index` as stored: 0 is the bottom row of the picture.
    BYTE* StoredRow(LONG index) const { return m_lock.get() + m_shape.bitsOffset + SIZE_T(index) * m_shape.stride; }
    // Row `y` counted from the top of the picture.
    BYTE* RowFromTop(LONG y) const { return StoredRow(m_shape.height - 1 - y); }

    // Stored row `index` as `width` R, G, B triples; palette images through their palette
    // (an index beyond the palette reads as black).
    void ExpandRowToRgb(LONG index, BYTE* rgb) const;

private:
    GlobalLockGuard<BYTE> m_lock;
    DibShape m_shape;
    bool m_bValid = false;
};

// A zero-filled block for the page DIB `info` describes, with header and palette copied in;
// none when it cannot be allocated.
UniqueHGlobal AllocatePackedDib(const PageBitmapInfo& info);

// Offset of the pixel rows in a packed DIB with this header (biClrUsed 0 at up to 8 bits
// means the full palette).
inline SIZE_T PackedDibBitsOffset(const BITMAPINFOHEADER& h) {
    DWORD entries = h.biClrUsed;
    if (entries == 0 && h.biBitCount <= 8) entries = 1u << h.biBitCount;
    return h.biSize + entries * sizeof(RGBQUAD);
}

}  // namespace tw
