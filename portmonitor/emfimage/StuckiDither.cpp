// Stucki error diffusion to black and white or to the 3-3-2 colour palette.
#include <algorithm>
#include <new>
#include <vector>

#include "emfimage/ColorReduction.h"
#include "emfimage/PackedDib.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr int kDivisor = 42;  // sum of the weights below
constexpr int kMargin = 2;    // cells on each side of an error row
constexpr int kErrorRows = 3; // this row, the next, the one after
constexpr int kWhiteAbove = 128;
constexpr int kMaxValue = 255;

// One plane's three error rows. 16 bits are enough: quantised values stay within one level of
// the source, so an error never exceeds one step of the output.
class ErrorRows {
public:
    explicit ErrorRows(LONG width) : m_width(width + 2 * kMargin), m_cells(size_t(m_width) * kErrorRows, 0) {
        for (int i = 0; i < kErrorRows; ++i) m_row[i] = m_cells.data() + size_t(i) * m_width;
    }
    SHORT At(LONG x) const { return m_row[0][x + kMargin]; }

    // Spreads `e` from pixel x with the Stucki weights:  . . * 8 4 / 2 4 8 4 2 / 1 2 4 2 1.
    void Spread(LONG x, int e) {
        const int e8 = e * 8 / kDivisor, e4 = e * 4 / kDivisor, e2 = e * 2 / kDivisor, e1 = e / kDivisor;
        SHORT* r0 = m_row[0] + x + kMargin;
        SHORT* r1 = m_row[1] + x + kMargin;
        SHORT* r2 = m_row[2] + x + kMargin;
        r0[1] += e8; r0[2] += e4;
        r1[-2] += e2; r1[-1] += e4; r1[0] += e8; r1[1] += e4; r1[2] += e2;
        r2[-2] += e1; r2[-1] += e2; r2[0] += e4; r2[1] += e2; r2[2] += e1;
    }

    // The next row becomes current; the new far row starts at zero.
    void Advance() {
        SHORT* done = m_row[0];
        m_row[0] = m_row[1];
        m_row[1] = m_row[2];
        m_row[2] = done;
        std::fill(done, done + m_width, SHORT{0});
    }

private:
    LONG m_width;
    std::vector<SHORT> m_cells;
    SHORT* m_row[kErrorRows];
};

// Nearest palette level of `value` for a channel whose levels are multiples of `step`.
inline int Level(int value, int step, int levels) {
    return std::min((value + step / 2) / step, levels - 1);
}

void DiffuseToBilevel(const DibView& src, const DibView& dst, std::vector<BYTE>& rgb) {
    const DibShape& s = src.Shape();
    ErrorRows errors(s.width);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(y, rgb.data());
        BYTE* out = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x) {
            const BYTE* p = &rgb[size_t(x) * 3];
            const int value = Luminance(p[0], p[1], p[2]) + errors.At(x);
            int error = value;
            if (value > kWhiteAbove) {
                out[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
                error = value - kMaxValue;
            }
            errors.Spread(x, error);
        }
        errors.Advance();
    }
}

// Levels are chosen against the colours the palette really shows (n x 36, n x 85), and the
// value is held to 0..255 before it is quantised: a saturated channel whose top level lies
// below 255 would otherwise pile up error without end.
void DiffuseToColour(const DibView& src, const DibView& dst, std::vector<BYTE>& rgb) {
    const DibShape& s = src.Shape();
    ErrorRows red(s.width), green(s.width), blue(s.width);
    auto quantise = [](ErrorRows& rows, LONG x, int source, int step, int levels) {
        const int value = std::clamp(source + rows.At(x), 0, kMaxValue);
        const int level = Level(value, step, levels);
        rows.Spread(x, value - level * step);
        return level;
    };
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(y, rgb.data());
        BYTE* out = dst.StoredRow(y);
        for (LONG x = 0; x < s.width; ++x) {
            const BYTE* p = &rgb[size_t(x) * 3];
            const int r = quantise(red, x, p[0], kRedGreenStep, kRedGreenLevels);
            const int g = quantise(green, x, p[1], kRedGreenStep, kRedGreenLevels);
            const int b = quantise(blue, x, p[2], kBlueStep, kBlueLevels);
            out[x] = static_cast<BYTE>(r << kRedShift | g << kGreenShift | b);
        }
        red.Advance();
        green.Advance();
        blue.Advance();
    }
}

void FillColourPalette(RGBQUAD (&palette)[kMaxPaletteEntries]) {
    for (int i = 0; i < int(kMaxPaletteEntries); ++i) {
        palette[i].rgbRed = static_cast<BYTE>(((i >> kRedShift) & 7) * kRedGreenStep);
        palette[i].rgbGreen = static_cast<BYTE>(((i >> kGreenShift) & 7) * kRedGreenStep);
        palette[i].rgbBlue = static_cast<BYTE>((i & 3) * kBlueStep);
        palette[i].rgbReserved = 0;
    }
}

}  // namespace

HGLOBAL StuckiDither(HGLOBAL image, WORD bits) {
    TW_TRACE(L"> StuckiDither: %u", unsigned(bits));
    DibView src(image);
    if (!src.valid() || (bits != kBits1 && bits != kBits8) || src.Shape().bits <= bits || src.Shape().bits < kBits4) {
        TW_TRACE_FAILED(L"StuckiDither", L"image");
        return nullptr;
    }
    const DibShape& s = src.Shape();
    RGBQUAD palette[kMaxPaletteEntries];
    DWORD entries;
    if (bits == kBits1) {
        RGBQUAD bw[2];
        FillBlackWhitePalette(bw);
        std::copy(bw, bw + 2, palette);
        entries = 2;
    } else {
        FillColourPalette(palette);
        entries = kMaxPaletteEntries;
    }
    UniqueHGlobal out(NewPackedDib(s.width, s.height, bits, palette, entries, s.xPelsPerMeter, s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) {
        TW_TRACE_FAILED(L"StuckiDither", L"NewPackedDib");
        return nullptr;
    }
    try {
        std::vector<BYTE> rgb(size_t(s.width) * 3);
        if (bits == kBits1)
            DiffuseToBilevel(src, dst, rgb);
        else
            DiffuseToColour(src, dst, rgb);
    } catch (const std::bad_alloc&) {
        TW_TRACE_FAILED(L"StuckiDither", L"memory");
        return nullptr;
    }
    TW_TRACE(L"< StuckiDither: %p", out.get());
    return out.release();
}

}  // namespace tw
