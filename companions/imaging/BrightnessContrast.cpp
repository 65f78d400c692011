// Brightness and contrast through one lookup table for all channels.
#include <algorithm>
#include <cstring>

#include "ImagingCore.h"

namespace twimg {
namespace {

constexpr int kMid = 128;
constexpr int kPercent = 100;

// Contrast scales the distance from mid grey by (100 + contrast) %; brightness then moves
// every level by brightness % of the full range.
void MakeTable(int brightness, int contrast, BYTE (&table)[256]) {
    const int offset = brightness * 255 / kPercent;
    for (int v = 0; v < 256; ++v) {
        const int stretched = kMid + (v - kMid) * (kPercent + contrast) / kPercent;
        table[v] = static_cast<BYTE>(std::clamp(stretched + offset, 0, 255));
    }
}

}  // namespace

HGLOBAL AdjustBrightnessContrast(const DibView& src, int brightness, int contrast) {
    const tw::DibShape& s = src.Shape();
    BYTE table[256];
    MakeTable(brightness, contrast, table);
    RGBQUAD palette[tw::kMaxPaletteEntries];
    for (DWORD i = 0; i < s.paletteEntries; ++i) {
        const RGBQUAD& c = src.Palette()[i];
        palette[i] = RGBQUAD{table[c.rgbBlue], table[c.rgbGreen], table[c.rgbRed], 0};
    }
    tw::UniqueHGlobal out(tw::NewPackedDib(s.width, s.height, s.bits, palette, s.paletteEntries, s.xPelsPerMeter,
                                           s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    for (LONG y = 0; y < s.height; ++y) {
        const BYTE* in = src.StoredRow(y);
        BYTE* o = dst.StoredRow(y);
        if (s.bits == tw::kBits24) {
            for (LONG i = 0; i < s.width * 3; ++i) o[i] = table[in[i]];
        } else {
            std::memcpy(o, in, s.stride);
        }
    }
    return out.release();
}

}  // namespace twimg
