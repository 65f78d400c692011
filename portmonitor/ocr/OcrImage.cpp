// Page preparation for recognition: crop, double, threshold and close.
#include "ocr/OcrImage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "emfimage/ColorReduction.h"
#include "emfimage/PackedDib.h"
#include "monitor/Trace.h"

namespace tw::ocrimage {
namespace {

// Palette index (or, at 24 bits, packed BGR) of pixel x of a stored row.
DWORD PixelAt(const BYTE* row, LONG x, WORD bits) {
    switch (bits) {
    case kBits1: return (row[x / 8] >> (7 - (x & 7))) & 1;
    case kBits4: return (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
    case kBits8: return row[x];
    default: {
        const BYTE* p = row + SIZE_T(x) * 3;
        return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16;
    }
    }
}

void SetPixelAt(BYTE* row, LONG x, WORD bits, DWORD value) {
    switch (bits) {
    case kBits1: {
        BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
        row[x / 8] = static_cast<BYTE>(value ? row[x / 8] | mask : row[x / 8] & ~mask);
        break;
    }
    case kBits4: {
        BYTE& b = row[x / 2];
        b = static_cast<BYTE>((x & 1) ? (b & 0xF0) | (value & 0x0F) : (b & 0x0F) | (value & 0x0F) << 4);
        break;
    }
    case kBits8: row[x] = static_cast<BYTE>(value); break;
    default: {
        BYTE* p = row + SIZE_T(x) * 3;
        p[0] = static_cast<BYTE>(value);
        p[1] = static_cast<BYTE>(value >> 8);
        p[2] = static_cast<BYTE>(value >> 16);
    }
    }
}

// A new DIB of `src`'s depth, palette and resolution at width x height.
HGLOBAL NewLike(const DibView& src, LONG width, LONG height, LONG xPels, LONG yPels) {
    const DibShape& s = src.Shape();
    return NewPackedDib(width, height, s.bits, s.paletteEntries ? src.Palette() : nullptr, s.paletteEntries, xPels,
                        yPels);
}

// Whether bit value 1 of a 1-bit DIB is the darker colour (the ink).
bool OneIsInk(const DibView& view) {
    if (view.Shape().paletteEntries < 2) return false;
    const RGBQUAD* p = view.Palette();
    return Luminance(p[1].rgbRed, p[1].rgbGreen, p[1].rgbBlue) < Luminance(p[0].rgbRed, p[0].rgbGreen, p[0].rgbBlue);
}

using Row = std::vector<BYTE>;

// Ink of pixel x or its left or right neighbour (dilate), or of all three (erode); pixels
// outside the row count as `outside`.
void Horizontal(const Row& in, Row& out, bool dilate, BYTE outside) {
    const size_t n = in.size();
    for (size_t i = 0; i < n; ++i) {
        BYTE prev = i ? in[i - 1] : outside;
        BYTE next = i + 1 < n ? in[i + 1] : outside;
        BYTE left = static_cast<BYTE>(in[i] >> 1 | prev << 7);
        BYTE right = static_cast<BYTE>(in[i] << 1 | next >> 7);
        out[i] = dilate ? (in[i] | left | right) : (in[i] & left & right);
    }
}

// One 3 x 3 pass over ink rows (1 = ink). Rows beyond the picture and pixels beyond its width
// count as `outside`: nothing for dilation, ink for erosion (the caller frames the picture
// in paper, so only that frame meets the outside).
void SquarePass(std::vector<Row>& rows, LONG width, bool dilate) {
    const BYTE outside = dilate ? 0x00 : 0xFF;
    const size_t bytes = rows.empty() ? 0 : rows[0].size();
    const LONG used = width % 8;
    const BYTE padMask = used ? static_cast<BYTE>(0xFF >> used) : 0;
    std::vector<Row> across(rows.size(), Row(bytes));
    for (size_t y = 0; y < rows.size(); ++y) {
        if (padMask) rows[y][(width - 1) / 8] = static_cast<BYTE>(dilate ? rows[y][(width - 1) / 8] & ~padMask
                                                                          : rows[y][(width - 1) / 8] | padMask);
        Horizontal(rows[y], across[y], dilate, outside);
    }
    Row edge(bytes, outside);
    for (size_t y = 0; y < rows.size(); ++y) {
        const Row& up = y ? across[y - 1] : edge;
        const Row& down = y + 1 < rows.size() ? across[y + 1] : edge;
        for (size_t i = 0; i < bytes; ++i)
            rows[y][i] = dilate ? (across[y][i] | up[i] | down[i]) : (across[y][i] & up[i] & down[i]);
        if (padMask) rows[y][(width - 1) / 8] &= static_cast<BYTE>(~padMask);
    }
}

}  // namespace

HGLOBAL CropDib(HGLOBAL dib, LONG left, LONG top, LONG right, LONG bottom) {
    TW_TRACE(L"> CropDib %ld,%ld,%ld,%ld", left, top, right, bottom);
    DibView src(dib);
    if (!src.valid()) return nullptr;
    const DibShape& s = src.Shape();
    left = std::max(left, 0L);
    top = std::max(top, 0L);
    right = std::min(right, s.width);
    bottom = std::min(bottom, s.height);
    if (left >= right || top >= bottom) {
        TW_TRACE_FAILED(L"CropDib", L"empty");
        return nullptr;
    }
    const LONG width = right - left, height = bottom - top;
    UniqueHGlobal out(NewLike(src, width, height, s.xPelsPerMeter, s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    for (LONG y = 0; y < height; ++y) {
        const BYTE* in = src.RowFromTop(top + y);
        BYTE* o = dst.RowFromTop(y);
        if (s.bits >= kBits8) {
            const SIZE_T bpp = s.bits / 8;
            std::memcpy(o, in + SIZE_T(left) * bpp, SIZE_T(width) * bpp);
        } else {
            for (LONG x = 0; x < width; ++x) SetPixelAt(o, x, s.bits, PixelAt(in, left + x, s.bits));
        }
    }
    return out.release();
}

HGLOBAL DoubleDibSize(HGLOBAL dib) {
    TW_TRACE(L"> DoubleDibSize");
    DibView src(dib);
    if (!src.valid()) return nullptr;
    const DibShape& s = src.Shape();
    if (LONGLONG(s.width) * 2 * LONGLONG(s.height) * 2 > kMaxImagePixels) return nullptr;
    UniqueHGlobal out(NewLike(src, s.width * 2, s.height * 2, s.xPelsPerMeter * 2, s.yPelsPerMeter * 2));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    for (LONG y = 0; y < s.height; ++y) {
        const BYTE* in = src.StoredRow(y);
        BYTE* o = dst.StoredRow(2 * y);
        for (LONG x = 0; x < s.width; ++x) {
            DWORD v = PixelAt(in, x, s.bits);
            SetPixelAt(o, 2 * x, s.bits, v);
            SetPixelAt(o, 2 * x + 1, s.bits, v);
        }
        std::memcpy(dst.StoredRow(2 * y + 1), o, dst.Shape().stride);
    }
    return out.release();
}

HGLOBAL DitherThreshold(HGLOBAL dib, int threshold) {
    TW_TRACE(L"> DitherThreshold %d", threshold);
    DibView src(dib);
    if (!src.valid()) return nullptr;
    const DibShape& s = src.Shape();
    UniqueHGlobal out(NewBilevelDib(s));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    std::vector<BYTE> rgb(SIZE_T(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(y, rgb.data());
        BYTE* o = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x) {
            const BYTE* p = &rgb[SIZE_T(x) * 3];
            if (Luminance(p[0], p[1], p[2]) >= threshold) o[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
        }
    }
    return out.release();
}

HGLOBAL BinaryClosing(HGLOBAL dib) {
    TW_TRACE(L"> BinaryClosing");
    DibView src(dib);
    if (!src.valid() || src.Shape().bits != kBits1) return nullptr;
    const DibShape& s = src.Shape();
    const bool oneIsInk = OneIsInk(src);
    // A one-pixel frame of paper around the picture: the erosion then sees what the dilation
    // made beyond the edge, so ink near the edge neither grows to it nor is eaten away.
    const LONG width = s.width + 2, height = s.height + 2;
    std::vector<Row> rows(height, Row((size_t(width) + 7) / 8));
    for (LONG y = 0; y < s.height; ++y) {
        const BYTE* in = src.RowFromTop(y);
        for (LONG x = 0; x < s.width; ++x)
            if (PixelAt(in, x, kBits1) == (oneIsInk ? 1u : 0u)) SetPixelAt(rows[y + 1].data(), x + 1, kBits1, 1);
    }
    SquarePass(rows, width, true);
    SquarePass(rows, width, false);
    UniqueHGlobal out(NewLike(src, s.width, s.height, s.xPelsPerMeter, s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    for (LONG y = 0; y < s.height; ++y) {
        BYTE* o = dst.RowFromTop(y);
        for (LONG x = 0; x < s.width; ++x) {
            const bool ink = PixelAt(rows[y + 1].data(), x + 1, kBits1) != 0;
            if (ink == oneIsInk) SetPixelAt(o, x, kBits1, 1);
        }
    }
    return out.release();
}

}  // namespace tw::ocrimage
