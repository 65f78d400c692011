// Nearest-neighbour and cubic-convolution resampling of packed DIBs.
#include "emfimage/ImageScaler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "emfimage/PackedDib.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr int kTaps = 4;          // source pixels per output pixel and axis
constexpr int kWeightScale = 255; // weights are multiples of 1/255
constexpr int kChannels = 3;

// T[w][v] = (128 + w v) / 255: the product of a weight (in 255ths) and a channel value,
// rounded, so that the inner loops add table entries instead of multiplying.
class ProductTable {
public:
    ProductTable() {
        for (int w = 0; w <= kWeightScale; ++w)
            for (int v = 0; v <= 255; ++v) m_t[w][v] = static_cast<BYTE>((128 + w * v) / kWeightScale);
    }
    // Signed weight times value.
    int operator()(int weight, int value) const { return weight >= 0 ? m_t[weight][value] : -m_t[-weight][value]; }

private:
    BYTE m_t[kWeightScale + 1][256];
};

const ProductTable& Products() {
    static const ProductTable table;
    return table;
}

// Cubic convolution kernel with a = -1.
double Kernel(double t) {
    t = std::fabs(t);
    if (t <= 1.0) return t * t * t - 2.0 * t * t + 1.0;
    if (t < 2.0) return -(t * t * t - 5.0 * t * t + 8.0 * t - 4.0);
    return 0.0;
}

// For each output position along one axis: the four source positions (edge repeated) and
// their weights in 255ths.
struct Taps {
    std::vector<std::array<LONG, kTaps>> index;
    std::vector<std::array<int, kTaps>> weight;
};

Taps MakeTaps(LONG sourceSize, LONG newSize) {
    Taps taps;
    taps.index.resize(size_t(newSize));
    taps.weight.resize(size_t(newSize));
    for (LONG i = 0; i < newSize; ++i) {
        const LONGLONG scaled = LONGLONG(i) * sourceSize;
        const LONG base = static_cast<LONG>(scaled / newSize);
        const double fraction = double(scaled - LONGLONG(base) * newSize) / double(newSize);
        int sum = 0, largest = 0;
        for (int k = 0; k < kTaps; ++k) {
            taps.index[i][k] = std::clamp<LONG>(base - 1 + k, 0, sourceSize - 1);
            taps.weight[i][k] = static_cast<int>(std::lround(Kernel(fraction - (k - 1)) * kWeightScale));
            sum += taps.weight[i][k];
            if (taps.weight[i][k] > taps.weight[i][largest]) largest = k;
        }
        // Rounded weights may miss 255 by one; a flat area must stay flat.
        taps.weight[i][largest] += kWeightScale - sum;
    }
    return taps;
}

inline BYTE Clamp255(int v) { return static_cast<BYTE>(std::clamp(v, 0, 255)); }

// Maps RGB back to a palette image's indices: GetNearestPaletteIndex on the source palette,
// with the last colour and a small exact-colour cache in front of it.
class PaletteMapper {
public:
    explicit PaletteMapper(const DibView& src) {
        const DWORD entries = src.Shape().paletteEntries;
        std::vector<BYTE> buffer(sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY));
        auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<WORD>(entries);
        for (DWORD i = 0; i < entries; ++i) {
            const RGBQUAD& c = src.Palette()[i];
            log->palPalEntry[i] = PALETTEENTRY{c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
        }
        m_palette.reset(::CreatePalette(log));
        m_cache.fill(kEmpty);
    }
    bool valid() const { return m_palette.valid(); }

    BYTE Index(BYTE r, BYTE g, BYTE b) {
        const DWORD colour = RGB(r, g, b);
        if (colour == m_lastColour) return m_lastIndex;
        const DWORD slot = (colour * 2654435761u) >> (32 - kCacheBits);
        if ((m_cache[slot] & 0xFFFFFF) != colour || m_cache[slot] == kEmpty) {
            const UINT index = ::GetNearestPaletteIndex(static_cast<HPALETTE>(m_palette.get()), colour);
            m_cache[slot] = colour | (DWORD(index == CLR_INVALID ? 0 : index) << 24);
        }
        m_lastColour = colour;
        m_lastIndex = static_cast<BYTE>(m_cache[slot] >> 24);
        return m_lastIndex;
    }

private:
    static constexpr int kCacheBits = 12;
    static constexpr DWORD kEmpty = 0xFFFFFFFF;  // no colour has all 32 bits set
    UniqueGdiObject m_palette;
    std::array<DWORD, size_t{1} << kCacheBits> m_cache{};
    DWORD m_lastColour = kEmpty;
    BYTE m_lastIndex = 0;
};

void ScaleNearest(const DibView& src, const DibView& dst) {
    const DibShape& s = src.Shape();
    const DibShape& d = dst.Shape();
    // Rounded to the nearest source pixel; positions past the last one take the last one.
    auto nearest = [](LONG i, LONG sourceSize, LONG newSize) {
        return static_cast<LONG>(std::min<LONGLONG>((2 * LONGLONG(i) * sourceSize + newSize) / (2 * LONGLONG(newSize)),
                                                    sourceSize - 1));
    };
    std::vector<LONG> column(size_t(d.width));
    for (LONG x = 0; x < d.width; ++x) column[x] = nearest(x, s.width, d.width);
    for (LONG y = 0; y < d.height; ++y) {
        const BYTE* in = src.RowFromTop(nearest(y, s.height, d.height));
        BYTE* out = dst.RowFromTop(y);
        for (LONG x = 0; x < d.width; ++x) {
            const LONG sx = column[x];
            if ((in[sx / 8] >> (7 - (sx & 7))) & 1) out[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
        }
    }
}

void ScaleCubic(const DibView& src, const DibView& dst) {
    const DibShape& s = src.Shape();
    const DibShape& d = dst.Shape();
    const ProductTable& T = Products();
    const Taps cols = MakeTaps(s.width, d.width);
    const Taps rows = MakeTaps(s.height, d.height);
    const bool palette = s.bits != kBits24;
    PaletteMapper mapper(src);
    if (palette && !mapper.valid()) throw std::bad_alloc();

    std::vector<BYTE> expanded(size_t(s.width) * kChannels);
    // Four source rows, resampled across: slot k holds the row with top index heldRow[k].
    std::vector<BYTE> across(size_t(kTaps) * d.width * kChannels);
    LONG heldRow[kTaps] = {-1, -1, -1, -1};
    std::vector<BYTE> outRgb(size_t(d.width) * kChannels);

    auto rowAcross = [&](LONG top) -> const BYTE* {
        const int slot = top % kTaps;
        BYTE* dstRow = &across[size_t(slot) * d.width * kChannels];
        if (heldRow[slot] == top) return dstRow;
        src.ExpandRowToRgb(s.height - 1 - top, expanded.data());
        for (LONG x = 0; x < d.width; ++x) {
            const auto& idx = cols.index[x];
            const auto& w = cols.weight[x];
            for (int c = 0; c < kChannels; ++c) {
                int sum = 0;
                for (int k = 0; k < kTaps; ++k) sum += T(w[k], expanded[size_t(idx[k]) * kChannels + c]);
                dstRow[size_t(x) * kChannels + c] = Clamp255(sum);
            }
        }
        heldRow[slot] = top;
        return dstRow;
    };

    for (LONG y = 0; y < d.height; ++y) {
        const BYTE* taps[kTaps];
        for (int k = 0; k < kTaps; ++k) taps[k] = rowAcross(rows.index[y][k]);
        const auto& w = rows.weight[y];
        for (size_t i = 0; i < outRgb.size(); ++i) {
            int sum = 0;
            for (int k = 0; k < kTaps; ++k) sum += T(w[k], taps[k][i]);
            outRgb[i] = Clamp255(sum);
        }
        BYTE* out = dst.RowFromTop(y);
        for (LONG x = 0; x < d.width; ++x) {
            const BYTE* p = &outRgb[size_t(x) * kChannels];
            if (s.bits == kBits24) {
                out[x * 3] = p[2];
                out[x * 3 + 1] = p[1];
                out[x * 3 + 2] = p[0];
            } else if (s.bits == kBits8) {
                out[x] = mapper.Index(p[0], p[1], p[2]);
            } else {
                out[x / 2] |= static_cast<BYTE>(mapper.Index(p[0], p[1], p[2]) << ((x & 1) ? 0 : 4));
            }
        }
    }
}

}  // namespace

HGLOBAL ScaleImage(HGLOBAL image, LONG newWidth, LONG newHeight) {
    TW_TRACE(L"> ScaleImage: %ld x %ld", newWidth, newHeight);
    DibView src(image);
    if (!src.valid()) {
        TW_TRACE_FAILED(L"ScaleImage", L"image");
        return nullptr;
    }
    const DibShape& s = src.Shape();
    UniqueHGlobal out(NewPackedDib(newWidth, newHeight, s.bits, src.Palette(), s.paletteEntries, s.xPelsPerMeter,
                                   s.yPelsPerMeter));
    DibView dst(out.get());
    if (!dst.valid()) {
        TW_TRACE_FAILED(L"ScaleImage", L"NewPackedDib");
        return nullptr;
    }
    try {
        if (s.bits == kBits1)
            ScaleNearest(src, dst);
        else
            ScaleCubic(src, dst);
    } catch (const std::bad_alloc&) {
        TW_TRACE_FAILED(L"ScaleImage", L"memory");
        return nullptr;
    }
    TW_TRACE(L"< ScaleImage: %p", out.get());
    return out.release();
}

}  // namespace tw
