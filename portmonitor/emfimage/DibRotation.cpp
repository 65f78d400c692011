// Rotation of packed DIBs, pixel by pixel in top-down coordinates.
#include "emfimage/DibRotation.h"

#include <cstring>
#include <utility>

#include "emfimage/PackedDib.h"
#include "emfimage/PageGeometry.h"

namespace tw {
namespace {

struct Rows {
    BYTE* bits;
    DWORD rowBytes;
    LONG height;
    WORD bitCount;
    // Row `y` counted from the top of a bottom-up DIB.
    BYTE* Row(LONG y) const { return bits + static_cast<SIZE_T>(height - 1 - y) * rowBytes; }
};

// Copies the pixel (sx, sy) of `from` to (dx, dy) of `to`; both have the same depth.
inline void CopyPixel(const Rows& from, LONG sx, LONG sy, const Rows& to, LONG dx, LONG dy) {
    const BYTE* s = from.Row(sy);
    BYTE* d = to.Row(dy);
    switch (from.bitCount) {
    case 1: {
        const bool on = (s[sx >> 3] >> (7 - (sx & 7))) & 1;
        const BYTE mask = static_cast<BYTE>(0x80 >> (dx & 7));
        if (on) d[dx >> 3] |= mask; else d[dx >> 3] &= static_cast<BYTE>(~mask);
        break;
    }
    case 4: {
        const BYTE v = (sx & 1) ? (s[sx >> 1] & 0x0F) : (s[sx >> 1] >> 4);
        BYTE& t = d[dx >> 1];
        t = (dx & 1) ? static_cast<BYTE>((t & 0xF0) | v) : static_cast<BYTE>((t & 0x0F) | (v << 4));
        break;
    }
    default: {
        const int bytes = from.bitCount / 8;
        std::memcpy(d + static_cast<SIZE_T>(dx) * bytes, s + static_cast<SIZE_T>(sx) * bytes, bytes);
    }
    }
}

bool Supported(const BITMAPINFOHEADER& h) {
    const WORD b = h.biBitCount;
    return h.biSize == sizeof(BITMAPINFOHEADER) && h.biCompression == BI_RGB && h.biWidth > 0 && h.biHeight > 0 &&
           (b == 1 || b == 4 || b == 8 || b == 24 || b == 32);
}

}  // namespace

UniqueHGlobal RotatePackedDib(HGLOBAL dib, int code) {
    if (code != kRotateAnticlockwise && code != kRotateHalf && code != kRotateClockwise) return UniqueHGlobal();
    GlobalLockGuard<BYTE> src(dib);
    if (!src || src.size() < sizeof(BITMAPINFOHEADER)) return UniqueHGlobal();
    BITMAPINFOHEADER h;
    std::memcpy(&h, src.get(), sizeof(h));
    if (!Supported(h)) return UniqueHGlobal();
    const SIZE_T offset = PackedDibBitsOffset(h);
    const DWORD srcRow = PageBitmapInfo::RowBytesFor(h.biWidth, h.biBitCount);
    if (src.size() < offset + static_cast<SIZE_T>(srcRow) * h.biHeight) return UniqueHGlobal();

    BITMAPINFOHEADER out = h;
    if (code != kRotateHalf) {
        std::swap(out.biWidth, out.biHeight);
        std::swap(out.biXPelsPerMeter, out.biYPelsPerMeter);
    }
    const DWORD dstRow = PageBitmapInfo::RowBytesFor(out.biWidth, out.biBitCount);
    out.biSizeImage = dstRow * static_cast<DWORD>(out.biHeight);
    UniqueHGlobal result(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, offset + out.biSizeImage));
    if (!result) return result;
    GlobalLockGuard<BYTE> dst(result.get());
    if (!dst) return UniqueHGlobal();
    std::memcpy(dst.get(), src.get(), offset);  // palette unchanged
    std::memcpy(dst.get(), &out, sizeof(out));

    const Rows from{src.get() + offset, srcRow, h.biHeight, h.biBitCount};
    const Rows to{dst.get() + offset, dstRow, out.biHeight, h.biBitCount};
    const LONG w = h.biWidth, ht = h.biHeight;
    for (LONG y = 0; y < ht; ++y) {
        for (LONG x = 0; x < w; ++x) {
            switch (code) {
            case kRotateAnticlockwise: CopyPixel(from, x, y, to, y, w - 1 - x); break;
            case kRotateHalf: CopyPixel(from, x, y, to, w - 1 - x, ht - 1 - y); break;
            default: CopyPixel(from, x, y, to, ht - 1 - y, x); break;
            }
        }
    }
    return result;
}

}  // namespace tw
