// A global threshold chosen by Otsu's method: the grey level that best separates the
// luminance histogram into two classes (largest between-class variance).
#include <vector>

#include "ImagingCore.h"

namespace twimg {
namespace {

// Pixels at or below the returned level are black.
int OtsuLevel(const ULONGLONG (&histogram)[256], ULONGLONG total) {
    double sumAll = 0;
    for (int i = 0; i < 256; ++i) sumAll += double(i) * double(histogram[i]);
    double sumBelow = 0, bestVariance = -1;
    ULONGLONG below = 0;
    int best = 127;
    for (int t = 0; t < 255; ++t) {
        below += histogram[t];
        sumBelow += double(t) * double(histogram[t]);
        const ULONGLONG above = total - below;
        if (below == 0 || above == 0) continue;
        const double meanBelow = sumBelow / double(below);
        const double meanAbove = (sumAll - sumBelow) / double(above);
        const double variance = double(below) * double(above) * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (variance > bestVariance) {
            bestVariance = variance;
            best = t;
        }
    }
    return best;
}

}  // namespace

HGLOBAL OtsuToBilevel(const DibView& src) {
    const tw::DibShape& s = src.Shape();
    tw::UniqueHGlobal out(tw::NewBilevelDib(s));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;

    // The luminance of the whole image is kept, one byte a pixel, for the second pass.
    std::vector<BYTE> grey(size_t(s.width) * size_t(s.height));
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    ULONGLONG histogram[256] = {};
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(y, rgb.data());
        BYTE* g = &grey[size_t(y) * s.width];
        for (LONG x = 0; x < s.width; ++x) {
            g[x] = static_cast<BYTE>(Luminance(rgb[x * 3], rgb[x * 3 + 1], rgb[x * 3 + 2]));
            ++histogram[g[x]];
        }
    }
    // An image of one grey has no two classes: it stays black or white by which half it is in.
    int level = OtsuLevel(histogram, ULONGLONG(s.width) * ULONGLONG(s.height));
    bool uniform = false;
    for (int i = 0; i < 256; ++i)
        if (histogram[i] == ULONGLONG(s.width) * ULONGLONG(s.height)) uniform = true;
    if (uniform) level = 127;
    for (LONG y = 0; y < s.height; ++y) {
        const BYTE* g = &grey[size_t(y) * s.width];
        BYTE* o = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x)
            if (g[x] > level) o[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
    return out.release();
}

}  // namespace twimg
