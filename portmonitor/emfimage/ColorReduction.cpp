// Grey-scale conversion and the fixed threshold.
#include "emfimage/ColorReduction.h"

#include <cstring>

#include "emfimage/PackedDib.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// A pixel is white at or above this sum of its three components (the mid grey 128 x 3).
constexpr int kThresholdSum = 384;

BYTE GreyOf(const RGBQUAD& c) { return static_cast<BYTE>((c.rgbRed + c.rgbGreen + c.rgbBlue) / 3); }

HGLOBAL GreyFromTrueColor(const DibView& src) {
    const DibShape& s = src.Shape();
    UniqueHGlobal out(NewGreyDib(s));
    DibView dst(out.get());
    if (!dst.valid()) {
        return nullptr;
    }
    for (LONG y = 0; y < s.height; ++y) {
        const BYTE* in = src.StoredRow(y);
        BYTE* o = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x, in += 3) o[x] = static_cast<BYTE>((in[0] + in[1] + in[2]) / 3);
    }
    return out.release();
}

// A 1-bit page becomes the two greys of its own palette (black and white for every page the
// renderer makes), so an inverted palette does not invert the page.
HGLOBAL GreyFromBilevel(const DibView& src) {
    const DibShape& s = src.Shape();
    const RGBQUAD* srcPalette = src.Palette();
    const BYTE grey[2] = {s.paletteEntries > 0 ? GreyOf(srcPalette[0]) : BYTE{0},
                          s.paletteEntries > 1 ? GreyOf(srcPalette[1]) : BYTE{0}};
    UniqueHGlobal out(NewGreyDib(s));
    DibView dst(out.get());
    if (!dst.valid()) {
        return nullptr;
    }
    for (LONG y = 0; y < s.height; ++y) {
        const BYTE* in = src.StoredRow(y);
        BYTE* o = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x) o[x] = grey[(in[x / 8] >> (7 - (x & 7))) & 1];
    }
    return out.release();
}

// Palette images keep their pixels; only the palette turns grey.
HGLOBAL GreyFromPalette(const DibView& src) {
    const DibShape& s = src.Shape();
    RGBQUAD palette[kMaxPaletteEntries];
    for (DWORD i = 0; i < s.paletteEntries; ++i) {
        const BYTE g = GreyOf(src.Palette()[i]);
        palette[i] = RGBQUAD{g, g, g, 0};
    }
    UniqueHGlobal out(NewPackedDib(s.width, s.height, s.bits, palette, s.paletteEntries, s.xPelsPerMeter, s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) {
        return nullptr;
    }
    for (LONG y = 0; y < s.height; ++y) std::memcpy(dst.StoredRow(y), src.StoredRow(y), s.stride);
    return out.release();
}

}  // namespace

HGLOBAL ConvertToGreyScale(HGLOBAL image) {
    TW_TRACE(L"> ConvertToGreyScale");
    DibView src(image);
    if (!src.valid()) {
        TW_TRACE_FAILED(L"ConvertToGreyScale", L"image");
        return nullptr;
    }
    HGLOBAL out;
    switch (src.Shape().bits) {
        case kBits24: out = GreyFromTrueColor(src); break;
        case kBits1: out = GreyFromBilevel(src); break;
        default: out = GreyFromPalette(src); break;
    }
    TW_TRACE(L"< ConvertToGreyScale: %p", out);
    return out;
}

HGLOBAL FixedThreshold(HGLOBAL image) {
    TW_TRACE(L"> FixedThreshold");
    DibView src(image);
    if (!src.valid() || src.Shape().bits != kBits24) {
        TW_TRACE_FAILED(L"FixedThreshold", L"image");
        return nullptr;
    }
    const DibShape& s = src.Shape();
    RGBQUAD palette[2];
    FillBlackWhitePalette(palette);
    UniqueHGlobal out(NewPackedDib(s.width, s.height, kBits1, palette, 2, s.xPelsPerMeter, s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) {
        TW_TRACE_FAILED(L"FixedThreshold", L"NewPackedDib");
        return nullptr;
    }
    for (LONG y = 0; y < s.height; ++y) {
        const BYTE* in = src.StoredRow(y);
        BYTE* o = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x, in += 3) {
            if (in[0] + in[1] + in[2] >= kThresholdSum) o[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
        }
    }
    TW_TRACE(L"< FixedThreshold: %p", out.get());
    return out.release();
}

}  // namespace tw
