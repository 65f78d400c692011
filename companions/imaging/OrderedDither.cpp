// Bayer 8 x 8 ordered dithering: each pixel is compared with the matrix entry at its position,
// so the pattern is fixed to the page and needs no state from pixel to pixel.
#include <vector>

#include "ImagingCore.h"

namespace twimg {
namespace {

constexpr int kOrder = 8;
constexpr int kCells = kOrder * kOrder;
constexpr int kCubeLevels = 6;  // 0, 51, ..., 255 per channel
constexpr int kCubeStep = 255 / (kCubeLevels - 1);
constexpr DWORD kCubeEntries = kCubeLevels * kCubeLevels * kCubeLevels;

const BYTE kBayer[kOrder][kOrder] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// Threshold of matrix entry m on a 0..255 scale: the centre of its 1/64 slice.
inline int Threshold(int m) { return (2 * m + 1) * 255 / (2 * kCells); }

// One channel between its two neighbouring cube levels.
inline int CubeLevel(int value, int m) {
    const int scaled = value * (kCubeLevels - 1);
    const int level = scaled / 255;
    return level + ((scaled % 255) > Threshold(m) ? 1 : 0);
}

}  // namespace

HGLOBAL OrderedToBilevel(const DibView& src) {
    const tw::DibShape& s = src.Shape();
    tw::UniqueHGlobal out(tw::NewBilevelDib(s));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(s.height - 1 - y, rgb.data());
        BYTE* o = dst.RowFromTop(y);
        const BYTE* row = kBayer[y % kOrder];
        for (LONG x = 0; x < s.width; ++x) {
            const BYTE* p = &rgb[size_t(x) * 3];
            if (Luminance(p[0], p[1], p[2]) > Threshold(row[x % kOrder])) o[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
        }
    }
    return out.release();
}

HGLOBAL OrderedToCube(const DibView& src) {
    const tw::DibShape& s = src.Shape();
    RGBQUAD cube[kCubeEntries];
    for (DWORD i = 0; i < kCubeEntries; ++i) {
        cube[i] = RGBQUAD{BYTE(i % kCubeLevels * kCubeStep), BYTE(i / kCubeLevels % kCubeLevels * kCubeStep),
                          BYTE(i / (kCubeLevels * kCubeLevels) * kCubeStep), 0};
    }
    tw::UniqueHGlobal out(
        tw::NewPackedDib(s.width, s.height, tw::kBits8, cube, kCubeEntries, s.xPelsPerMeter, s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(s.height - 1 - y, rgb.data());
        BYTE* o = dst.RowFromTop(y);
        const BYTE* row = kBayer[y % kOrder];
        for (LONG x = 0; x < s.width; ++x) {
            const BYTE* p = &rgb[size_t(x) * 3];
            const int m = row[x % kOrder];
            o[x] = static_cast<BYTE>(CubeLevel(p[0], m) * kCubeLevels * kCubeLevels + CubeLevel(p[1], m) * kCubeLevels +
                                     CubeLevel(p[2], m));
        }
    }
    return out.release();
}

}  // namespace twimg
