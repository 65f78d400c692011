// Heckbert's median cut: the colour cube of the image's 5-5-5 histogram is split, box by box,
// at the median of the most populous box's longest side until there are 256 boxes; each box's
// mean colour becomes a palette entry.
#include <algorithm>
#include <array>
#include <climits>
#include <vector>

#include "ImagingCore.h"

namespace twimg {
namespace {

constexpr int kLevels = 32;  // 5 bits per channel
constexpr int kCells = kLevels * kLevels * kLevels;
constexpr int kShift = 3;    // 8-bit channel to 5-bit level

inline int Cell(int r, int g, int b) { return (r << 10) | (g << 5) | b; }

struct Histogram {
    std::vector<DWORD> count = std::vector<DWORD>(kCells, 0);
    std::vector<std::array<ULONGLONG, 3>> sum = std::vector<std::array<ULONGLONG, 3>>(kCells, {0, 0, 0});
};

struct Box {
    int lo[3];
    int hi[3];
    ULONGLONG count = 0;
    bool Splittable() const { return lo[0] < hi[0] || lo[1] < hi[1] || lo[2] < hi[2]; }
};

template <typename Visit>
void ForEachCell(const Box& box, Visit visit) {
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) visit(r, g, b, Cell(r, g, b));
}

// Shrinks the box to the cells that hold pixels and counts them.
void Shrink(Box& box, const Histogram& h) {
    int lo[3] = {kLevels, kLevels, kLevels}, hi[3] = {-1, -1, -1};
    ULONGLONG count = 0;
    ForEachCell(box, [&](int r, int g, int b, int cell) {
        if (!h.count[cell]) return;
        const int c[3] = {r, g, b};
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], c[i]);
            hi[i] = std::max(hi[i], c[i]);
        }
        count += h.count[cell];
    });
    for (int i = 0; i < 3; ++i) {
        box.lo[i] = lo[i];
        box.hi[i] = hi[i];
    }
    box.count = count;
}

// Cuts the box across its longest side where half its pixels lie below.
Box Split(Box& box, const Histogram& h) {
    int axis = 0;
    for (int i = 1; i < 3; ++i)
        if (box.hi[i] - box.lo[i] > box.hi[axis] - box.lo[axis]) axis = i;
    ULONGLONG along[kLevels] = {};
    ForEachCell(box, [&](int r, int g, int b, int cell) {
        const int c[3] = {r, g, b};
        along[c[axis]] += h.count[cell];
    });
    int cut = box.lo[axis];
    ULONGLONG below = along[cut];
    while (cut + 1 < box.hi[axis] && below * 2 < box.count) below += along[++cut];
    Box upper = box;
    box.hi[axis] = cut;
    upper.lo[axis] = cut + 1;
    Shrink(box, h);
    Shrink(upper, h);
    return upper;
}

}  // namespace

bool BuildMedianCutPalette(const DibView& src, MedianCutPalette& palette) {
    const tw::DibShape& s = src.Shape();
    Histogram h;
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    for (LONG y = 0; y < s.height; ++y) {
        src.ExpandRowToRgb(y, rgb.data());
        for (LONG x = 0; x < s.width; ++x) {
            const BYTE* p = &rgb[size_t(x) * 3];
            const int cell = Cell(p[0] >> kShift, p[1] >> kShift, p[2] >> kShift);
            ++h.count[cell];
            for (int i = 0; i < 3; ++i) h.sum[cell][i] += p[i];
        }
    }

    std::vector<Box> boxes;
    boxes.push_back(Box{{0, 0, 0}, {kLevels - 1, kLevels - 1, kLevels - 1}});
    Shrink(boxes[0], h);
    while (boxes.size() < tw::kMaxPaletteEntries) {
        Box* widest = nullptr;
        for (Box& b : boxes)
            if (b.Splittable() && (!widest || b.count > widest->count)) widest = &b;
        if (!widest) break;
        Box upper = Split(*widest, h);
        boxes.push_back(upper);
    }

    palette.count = static_cast<DWORD>(boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        ULONGLONG sum[3] = {0, 0, 0};
        ForEachCell(boxes[i], [&](int, int, int, int cell) {
            for (int c = 0; c < 3; ++c) sum[c] += h.sum[cell][c];
        });
        const ULONGLONG n = std::max<ULONGLONG>(boxes[i].count, 1);
        palette.colours[i] = RGBQUAD{BYTE((sum[2] + n / 2) / n), BYTE((sum[1] + n / 2) / n), BYTE((sum[0] + n / 2) / n), 0};
    }

    // Nearest entry for the centre of every cell.
    palette.nearest.assign(kCells, 0);
    for (int cell = 0; cell < kCells; ++cell) {
        const int r = ((cell >> 10) << kShift) + 4, g = (((cell >> 5) & 31) << kShift) + 4, b = ((cell & 31) << kShift) + 4;
        int best = 0;
        int bestDistance = INT_MAX;
        for (DWORD i = 0; i < palette.count; ++i) {
            const RGBQUAD& c = palette.colours[i];
            const int dr = r - c.rgbRed, dg = g - c.rgbGreen, db = b - c.rgbBlue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = int(i);
            }
        }
        palette.nearest[size_t(cell)] = static_cast<BYTE>(best);
    }
    return true;
}

}  // namespace twimg
