// Error diffusion with a kernel, scanning rows in alternating directions (serpentine) so that
// the error does not drift to one side; and the plain nearest-colour mapping.
#include <algorithm>
#include <vector>

#include "ImagingCore.h"

namespace twimg {
namespace {

constexpr int kMargin = 2;  // widest reach of a kernel to either side
constexpr int kWhiteFrom = 128;

const DiffusionTap kFloydSteinbergTaps[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
const DiffusionTap kJarvisTaps[] = {{1, 0, 7},  {2, 0, 5},  {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5},
                                    {2, 1, 3},  {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5},  {1, 2, 3}, {2, 2, 1}};

// One plane's error for the current row and the rows below, kept as weight x error sums so
// that nothing is lost to rounding until a pixel reads its share.
class ErrorPlane {
public:
    ErrorPlane(LONG width, const DiffusionKernel& kernel)
        : m_kernel(kernel), m_width(width + 2 * kMargin), m_rows(size_t(kernel.rowsBelow) + 1) {
        for (auto& row : m_rows) row.assign(size_t(m_width), 0);
    }
    int At(LONG x) const { return m_rows[0][size_t(x + kMargin)] / m_kernel.divisor; }
    void Spread(LONG x, int direction, int error) {
        for (int i = 0; i < m_kernel.count; ++i) {
            const DiffusionTap& t = m_kernel.taps[i];
            m_rows[size_t(t.dy)][size_t(x + kMargin + direction * t.dx)] += error * t.weight;
        }
    }
    void Advance() {
        std::rotate(m_rows.begin(), m_rows.begin() + 1, m_rows.end());
        std::fill(m_rows.back().begin(), m_rows.back().end(), 0);
    }

private:
    const DiffusionKernel& m_kernel;
    LONG m_width;
    std::vector<std::vector<int>> m_rows;
};

// Calls visit(x) for every column of row y in that row's scan direction.
template <typename Visit>
void Scan(LONG y, LONG width, Visit visit) {
    if (y % 2 == 0) {
        for (LONG x = 0; x < width; ++x) visit(x, 1);
    } else {
        for (LONG x = width - 1; x >= 0; --x) visit(x, -1);
    }
}

HGLOBAL NewIndexed(const DibView& src, WORD bits, const RGBQUAD* palette, DWORD entries) {
    const tw::DibShape& s = src.Shape();
    return tw::NewPackedDib(s.width, s.height, bits, palette, entries, s.xPelsPerMeter, s.yPelsPerMeter);
}

}  // namespace

const DiffusionKernel kFloydSteinberg = {kFloydSteinbergTaps, 4, 16, 1};
const DiffusionKernel kJarvisJudiceNinke = {kJarvisTaps, 12, 48, 2};

HGLOBAL DiffuseToBilevel(const DibView& src, const DiffusionKernel& kernel) {
    const tw::DibShape& s = src.Shape();
    RGBQUAD bw[2];
    tw::FillBlackWhitePalette(bw);
    tw::UniqueHGlobal out(NewIndexed(src, tw::kBits1, bw, 2));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    ErrorPlane errors(s.width, kernel);
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(s.height - 1 - y, rgb.data());
        BYTE* o = dst.RowFromTop(y);
        Scan(y, s.width, [&](LONG x, int direction) {
            const BYTE* p = &rgb[size_t(x) * 3];
            const int value = Luminance(p[0], p[1], p[2]) + errors.At(x);
            int error = value;
            if (value >= kWhiteFrom) {
                o[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
                error = value - 255;
            }
            errors.Spread(x, direction, error);
        });
        errors.Advance();
    }
    return out.release();
}

HGLOBAL DiffuseToPalette(const DibView& src, const DiffusionKernel& kernel) {
    const tw::DibShape& s = src.Shape();
    MedianCutPalette palette;
    if (!BuildMedianCutPalette(src, palette)) return nullptr;
    tw::UniqueHGlobal out(NewIndexed(src, tw::kBits8, palette.colours, palette.count));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    ErrorPlane red(s.width, kernel), green(s.width, kernel), blue(s.width, kernel);
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(s.height - 1 - y, rgb.data());
        BYTE* o = dst.RowFromTop(y);
        Scan(y, s.width, [&](LONG x, int direction) {
            const BYTE* p = &rgb[size_t(x) * 3];
            const int r = std::clamp(p[0] + red.At(x), 0, 255);
            const int g = std::clamp(p[1] + green.At(x), 0, 255);
            const int b = std::clamp(p[2] + blue.At(x), 0, 255);
            const BYTE index = palette.Nearest(r, g, b);
            const RGBQUAD& c = palette.colours[index];
            o[x] = index;
            red.Spread(x, direction, r - c.rgbRed);
            green.Spread(x, direction, g - c.rgbGreen);
            blue.Spread(x, direction, b - c.rgbBlue);
        });
        red.Advance();
        green.Advance();
        blue.Advance();
    }
    return out.release();
}

HGLOBAL MapToPalette(const DibView& src) {
    const tw::DibShape& s = src.Shape();
    MedianCutPalette palette;
    if (!BuildMedianCutPalette(src, palette)) return nullptr;
    tw::UniqueHGlobal out(NewIndexed(src, tw::kBits8, palette.colours, palette.count));
    DibView dst(out.get());
    if (!dst.valid()) return nullptr;
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(y, rgb.data());
        BYTE* o = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x) o[x] = palette.Nearest(rgb[x * 3], rgb[x * 3 + 1], rgb[x * 3 + 2]);
    }
    return out.release();
}

}  // namespace twimg
