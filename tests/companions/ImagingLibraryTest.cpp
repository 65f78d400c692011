// TWIMGUser.dll as the monitor sees it: five entries by ordinal, each taking a packed DIB and
// returning a new one of the asked depth, or null.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "base/UniqueHandle.h"
#include "imaging/TWIMGUser.h"
#include "emfimage/PackedDib.h"

using tw::UniqueHGlobal;

namespace {

struct Rgb {
    int r, g, b;
};

// A page filled by `colour(x, y)` (y from the top).
template <typename Colour>
UniqueHGlobal Page(LONG w, LONG h, Colour colour) {
    UniqueHGlobal dib(tw::NewPackedDib(w, h, 24, nullptr, 0, 3937, 3937));
    tw::DibView v(dib.get());
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
            const Rgb c = colour(x, y);
            BYTE* p = v.RowFromTop(y) + x * 3;
            p[0] = BYTE(c.b);
            p[1] = BYTE(c.g);
            p[2] = BYTE(c.r);
        }
    return dib;
}

UniqueHGlobal Photo() {
    return Page(320, 240, [](LONG x, LONG y) {
        const int ring = int(50 * std::sin(std::hypot(x - 160.0, y - 100.0) / 7.0));
        return Rgb{std::clamp(int(x * 255 / 320) + ring, 0, 255), std::clamp(int(y * 255 / 240) - ring, 0, 255),
                   int(128 + 90 * std::sin((x + y) / 40.0))};
    });
}

UniqueHGlobal Uniform(int v) {
    return Page(64, 64, [v](LONG, LONG) { return Rgb{v, v, v}; });
}

// Every pixel through the palette.
std::vector<Rgb> Pixels(HGLOBAL dib) {
    tw::DibView v(dib);
    std::vector<Rgb> out;
    if (!v.valid()) return out;
    std::vector<BYTE> rgb(size_t(v.Shape().width) * 3);
    for (LONG y = 0; y < v.Shape().height; ++y) {
        v.ExpandRowToRgb(y, rgb.data());
        for (LONG x = 0; x < v.Shape().width; ++x) out.push_back({rgb[x * 3], rgb[x * 3 + 1], rgb[x * 3 + 2]});
    }
    return out;
}

int Grey(const Rgb& c) { return (c.r * 30 + c.g * 59 + c.b * 11) / 100; }

double Mean(HGLOBAL dib, int (*value)(const Rgb&)) {
    const std::vector<Rgb> px = Pixels(dib);
    double sum = 0;
    for (const Rgb& c : px) sum += value(c);
    return px.empty() ? -1 : sum / double(px.size());
}

WORD Bits(HGLOBAL dib) {
    tw::DibView v(dib);
    return v.valid() ? v.Shape().bits : 0;
}

class ImagingLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_module.reset(::LoadLibraryW(twimg::kLibraryName));
        ASSERT_TRUE(m_module) << "TWIMGUser.dll next to the test program";
        m_brightness = reinterpret_cast<PFN_TwImgBrightnessContrast>(
            ::GetProcAddress(m_module.get(), MAKEINTRESOURCEA(twimg::kOrdinalBrightnessContrast)));
        ASSERT_NE(m_brightness, nullptr);
        for (WORD i = 0; i < 4; ++i) {
            m_reduce[i] = reinterpret_cast<PFN_TwImgReduceColors>(
                ::GetProcAddress(m_module.get(), MAKEINTRESOURCEA(twimg::kOrdinalReduceDefault + i)));
            ASSERT_NE(m_reduce[i], nullptr) << i;
        }
    }
    HGLOBAL Reduce(WORD ordinal, HGLOBAL image, int bits) { return m_reduce[ordinal - 80](image, bits); }

    tw::UniqueModule m_module;
    PFN_TwImgBrightnessContrast m_brightness = nullptr;
    PFN_TwImgReduceColors m_reduce[4] = {};
};

}  // namespace

TEST_F(ImagingLibraryTest, EntriesAreExportedByOrdinalOnly) {
    EXPECT_EQ(::GetProcAddress(m_module.get(), "TwImgReduceDefault"), nullptr);
    EXPECT_EQ(::GetProcAddress(m_module.get(), MAKEINTRESOURCEA(84)), nullptr);
}

TEST_F(ImagingLibraryTest, EveryReductionGivesTheAskedDepthAndKeepsTheMeanGrey) {
    UniqueHGlobal photo = Photo();
    const double source = Mean(photo.get(), Grey);
    const struct { WORD ordinal; double tolerance; } bilevel[] = {{80, 3}, {81, 5}, {82, 3}, {83, 40}};
    for (const auto& m : bilevel) {
        UniqueHGlobal out(Reduce(m.ordinal, photo.get(), 1));
        ASSERT_TRUE(out) << m.ordinal;
        tw::DibView v(out.get());
        EXPECT_EQ(v.Shape().bits, 1);
        EXPECT_EQ(v.Header()->biClrUsed, 2u);
        EXPECT_EQ(v.Palette()[1].rgbGreen, 255);
        EXPECT_EQ(v.Header()->biXPelsPerMeter, 3937);
        EXPECT_NEAR(Mean(out.get(), Grey), source, m.tolerance) << m.ordinal;
    }
    for (WORD ordinal = 80; ordinal <= 83; ++ordinal) {
        UniqueHGlobal out(Reduce(ordinal, photo.get(), 8));
        ASSERT_TRUE(out) << ordinal;
        tw::DibView v(out.get());
        EXPECT_EQ(v.Shape().bits, 8);
        EXPECT_LE(v.Header()->biClrUsed, 256u);
        for (int c = 0; c < 3; ++c) {
            auto channel = c == 0 ? +[](const Rgb& p) { return p.r; }
                         : c == 1 ? +[](const Rgb& p) { return p.g; }
                                  : +[](const Rgb& p) { return p.b; };
            EXPECT_NEAR(Mean(out.get(), channel), Mean(photo.get(), channel), 4) << ordinal << " channel " << c;
        }
    }
}

TEST_F(ImagingLibraryTest, DiffusionMethodsDifferAndStayDeterministic) {
    UniqueHGlobal photo = Photo();
    UniqueHGlobal fs(Reduce(80, photo.get(), 1)), fs2(Reduce(80, photo.get(), 1)), jjn(Reduce(82, photo.get(), 1));
    tw::GlobalLockGuard<BYTE> a(fs.get()), b(fs2.get()), c(jjn.get());
    EXPECT_EQ(0, memcmp(a.get(), b.get(), a.size()));
    EXPECT_NE(0, memcmp(a.get(), c.get(), a.size()));
}

TEST_F(ImagingLibraryTest, BayerGivesItsExactPatternShares) {
    // A quarter, half, three quarters of each 8 x 8 tile; 64 tiles on the page.
    const struct { int grey; long whitePerTile; } shares[] = {{0, 0}, {64, 16}, {128, 32}, {192, 48}, {255, 64}};
    for (const auto& [v, perTile] : shares) {
        UniqueHGlobal page = Uniform(v);
        UniqueHGlobal out(Reduce(81, page.get(), 1));
        ASSERT_TRUE(out);
        const std::vector<Rgb> px = Pixels(out.get());
        const auto white = std::count_if(px.begin(), px.end(), [](const Rgb& c) { return c.r == 255; });
        EXPECT_EQ(white, 64 * perTile) << v;
    }
}

TEST_F(ImagingLibraryTest, OtsuSplitsTwoGreysAndIsOneGlobalThreshold) {
    UniqueHGlobal halves = Page(40, 20, [](LONG x, LONG) { return x < 20 ? Rgb{90, 90, 90} : Rgb{170, 170, 170}; });
    UniqueHGlobal out(Reduce(83, halves.get(), 1));
    const std::vector<Rgb> px = Pixels(out.get());
    ASSERT_EQ(px.size(), 800u);
    for (size_t i = 0; i < px.size(); ++i) ASSERT_EQ(px[i].r, (i % 40) < 20 ? 0 : 255) << i;

    UniqueHGlobal photo = Photo();
    UniqueHGlobal bw(Reduce(83, photo.get(), 1));
    const std::vector<Rgb> src = Pixels(photo.get()), dst = Pixels(bw.get());
    int darkestWhite = 256, lightestBlack = -1;
    for (size_t i = 0; i < src.size(); ++i) {
        if (dst[i].r) darkestWhite = std::min(darkestWhite, Grey(src[i]));
        else lightestBlack = std::max(lightestBlack, Grey(src[i]));
    }
    EXPECT_LT(lightestBlack, darkestWhite);
    EXPECT_GT(lightestBlack, 30);
    EXPECT_LT(darkestWhite, 225);
}

TEST_F(ImagingLibraryTest, MedianCutKeepsAFewColoursExactly) {
    // 64 colours, each in its own cell of the 5-5-5 histogram.
    UniqueHGlobal page = Page(64, 32, [](LONG x, LONG y) {
        const int i = int((x / 4 + y / 4 * 16) % 64);
        return Rgb{(i & 3) * 85, ((i >> 2) & 3) * 85, ((i >> 4) & 3) * 85};
    });
    UniqueHGlobal out(Reduce(83, page.get(), 8));
    ASSERT_TRUE(out);
    tw::DibView v(out.get());
    EXPECT_EQ(v.Header()->biClrUsed, 64u);
    const std::vector<Rgb> a = Pixels(page.get()), b = Pixels(out.get());
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) ASSERT_TRUE(a[i].r == b[i].r && a[i].g == b[i].g && a[i].b == b[i].b) << i;
}

TEST_F(ImagingLibraryTest, BrightnessAndContrast) {
    UniqueHGlobal mid = Uniform(100);
    auto first = [](HGLOBAL dib) { return Pixels(dib).at(0).r; };
    UniqueHGlobal lighter(m_brightness(mid.get(), 50, 0, 0));
    ASSERT_TRUE(lighter);
    EXPECT_EQ(Bits(lighter.get()), 24);
    EXPECT_EQ(first(lighter.get()), 227);
    UniqueHGlobal same(m_brightness(mid.get(), 0, 0, 0));
    EXPECT_EQ(first(same.get()), 100);
    UniqueHGlobal flat(m_brightness(mid.get(), 0, -100, 0));
    EXPECT_EQ(first(flat.get()), 128);
    UniqueHGlobal steep(m_brightness(mid.get(), 0, 100, 0));
    EXPECT_EQ(first(steep.get()), 72);
    UniqueHGlobal beyond(m_brightness(mid.get(), 500, 0, 0)), capped(m_brightness(mid.get(), 100, 0, 0));
    EXPECT_EQ(first(beyond.get()), first(capped.get()));

    // Palette images change their palette, not their pixels.
    UniqueHGlobal indexed(Reduce(83, mid.get(), 8));
    UniqueHGlobal darker(m_brightness(indexed.get(), -20, 0, 0));
    ASSERT_TRUE(darker);
    EXPECT_EQ(Bits(darker.get()), 8);
    EXPECT_EQ(first(darker.get()), 49);
}

TEST_F(ImagingLibraryTest, RefusalsAreNull) {
    UniqueHGlobal photo = Photo();
    for (int bits : {0, 2, 4, 16, 24, 32}) EXPECT_EQ(Reduce(80, photo.get(), bits), nullptr) << bits;
    for (WORD ordinal = 80; ordinal <= 83; ++ordinal) EXPECT_EQ(Reduce(ordinal, nullptr, 1), nullptr);
    EXPECT_EQ(m_brightness(nullptr, 10, 0, 0), nullptr);
    UniqueHGlobal cut(::GlobalAlloc(GMEM_MOVEABLE, 60));
    {
        tw::GlobalLockGuard<BYTE> from(photo.get()), to(cut.get());
        memcpy(to.get(), from.get(), 60);  // the header of a 320 x 240 page, none of its rows
    }
    for (WORD ordinal = 80; ordinal <= 83; ++ordinal) EXPECT_EQ(Reduce(ordinal, cut.get(), 8), nullptr);
    EXPECT_EQ(m_brightness(cut.get(), 10, 0, 0), nullptr);
}
