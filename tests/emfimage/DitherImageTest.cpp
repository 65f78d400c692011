// DitherImage: the method table by colour mode and Dithering code, brightness, the size limit,
// and whole photo and grey-text pages reduced by every method.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>

#include "base/UniqueHandle.h"
#include "emfimage/ColorReduction.h"
#include "emfimage/DitherImage.h"
#include "support/EmfCorpus.h"
#include "emfimage/ImagingLibrary.h"
#include "emfimage/PackedDib.h"
#include "emfimage/TestPages.h"
#include "host/DevModeBuilder.h"
#include "portcmd/DevModeLayout.h"
#include "support/TestSupport.h"

using tw::UniqueHGlobal;
namespace code = tw::dithercode;

namespace {

constexpr LONG kPageW = 400;
constexpr LONG kPageH = 300;

tw::DitherOptions Options(DWORD colorMode, LONG dithering, DWORD brightness = tw::kBrightnessUnchanged) {
    tw::DitherOptions o;
    o.colorMode = colorMode;
    o.dithering = dithering;
    o.brightness = brightness;
    o.pagePixels = LONGLONG(kPageW) * kPageH;
    return o;
}

class DitherImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_photo = twtest::PhotoPage(kPageW, kPageH);
        s_text = twtest::GreyTextPage(kPageW, kPageH);
    }
    static void TearDownTestSuite() {
        ::GlobalFree(s_photo);
        ::GlobalFree(s_text);
    }
    void SetUp() override {
        ASSERT_TRUE(s_photo && s_text);
        ASSERT_TRUE(m_library.Load()) << "TWIMGUser.dll next to the test program";
    }

    static HGLOBAL s_photo;
    static HGLOBAL s_text;
    tw::CImagingLibrary m_library;
};
HGLOBAL DitherImageTest::s_photo = nullptr;
HGLOBAL DitherImageTest::s_text = nullptr;

struct Route {
    LONG dithering;
    int ordinal;  // 0: the monitor's own method
};

}  // namespace

TEST_F(DitherImageTest, BilevelCodesPickTheirMethod) {
    const Route routes[] = {{0, 80}, {1, 80}, {2, 81}, {3, 82}, {4, 83}, {5, 0}, {6, 0}, {7, 80}, {-1, 80}};
    for (const Route& r : routes) {
        UniqueHGlobal got(tw::DitherImage(s_photo, Options(0, r.dithering)));
        ASSERT_TRUE(got) << r.dithering;
        EXPECT_EQ(twtest::BitCount(got.get()), 1) << r.dithering;
        UniqueHGlobal want(r.ordinal ? m_library.Reduce(WORD(r.ordinal), s_photo, 1)
                                     : r.dithering == code::kStucki ? tw::StuckiDither(s_photo, 1)
                                                                    : tw::FixedThreshold(s_photo));
        EXPECT_TRUE(twtest::SameImage(got.get(), want.get())) << "Dithering " << r.dithering;
    }
    // The methods differ from each other, so the comparisons above tell them apart.
    UniqueHGlobal a(m_library.Reduce(80, s_photo, 1)), b(m_library.Reduce(82, s_photo, 1));
    EXPECT_FALSE(twtest::SameImage(a.get(), b.get()));
}

TEST_F(DitherImageTest, ColourCodesPickTheirMethod) {
    const Route routes[] = {{0, 80}, {1, 80}, {2, 81}, {3, 80}, {4, 80}, {5, 0}, {6, 80}, {9, 80}};
    for (const Route& r : routes) {
        UniqueHGlobal got(tw::DitherImage(s_photo, Options(2, r.dithering)));
        ASSERT_TRUE(got) << r.dithering;
        EXPECT_EQ(twtest::BitCount(got.get()), 8) << r.dithering;
        UniqueHGlobal want(r.ordinal ? m_library.Reduce(WORD(r.ordinal), s_photo, 8) : tw::StuckiDither(s_photo, 8));
        EXPECT_TRUE(twtest::SameImage(got.get(), want.get())) << "Dithering " << r.dithering;
    }
}

TEST_F(DitherImageTest, GreyModeIgnoresDitheringAndTrueColourIsCopied) {
    UniqueHGlobal page(twtest::UniformPage(16, 16, {10, 20, 30}));
    for (LONG d : {0L, 2L, 5L, 6L}) {
        UniqueHGlobal grey(tw::DitherImage(page.get(), Options(1, d)));
        ASSERT_TRUE(grey);
        EXPECT_EQ(twtest::BitCount(grey.get()), 8);
        EXPECT_EQ(twtest::IndexAt(grey.get(), 3, 3), 20) << d;
    }
    UniqueHGlobal copy(tw::DitherImage(page.get(), Options(3, 5)));
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), page.get());
    EXPECT_TRUE(twtest::SameImage(copy.get(), page.get()));
}

TEST_F(DitherImageTest, BrightnessIsCappedAt199And100LeavesThePage) {
    UniqueHGlobal black(twtest::UniformPage(16, 16, {0, 0, 0}));
    UniqueHGlobal mid(twtest::UniformPage(16, 16, {128, 128, 128}));
    auto grey = [&](HGLOBAL page, DWORD brightness) {
        UniqueHGlobal out(tw::DitherImage(page, Options(1, 0, brightness)));
        return twtest::IndexAt(out.get(), 0, 0);
    };
    EXPECT_EQ(grey(black.get(), 100), 0);
    EXPECT_EQ(grey(mid.get(), 100), 128);
    // Ordinal 79 lightens or darkens when it is called.
    EXPECT_GT(grey(mid.get(), 120), 128);
    EXPECT_LT(grey(mid.get(), 80), 128);
    const int at199 = grey(black.get(), 199);
    EXPECT_GT(at199, 0);
    EXPECT_LT(at199, 255);
    EXPECT_EQ(grey(black.get(), 250), at199);
    EXPECT_NE(grey(black.get(), 198), at199);
    // With 100 the fixed threshold sees the page as it is: mid grey stays white.
    UniqueHGlobal bilevel(tw::DitherImage(mid.get(), Options(0, code::kFixedThreshold, 100)));
    EXPECT_EQ(twtest::IndexAt(bilevel.get(), 0, 0), 1);
    UniqueHGlobal darker(tw::DitherImage(mid.get(), Options(0, code::kFixedThreshold, 99)));
    EXPECT_EQ(twtest::IndexAt(darker.get(), 0, 0), 0);
}

TEST_F(DitherImageTest, RecordSuppliesModeDitheringBrightnessAndSize) {
    twhost::DevModeBuilder b(twtest::UniqueName(L"Dither"));
    b.ColorMode(1).Dithering(5);
    b.Record().Write<DWORD>(tw::dmoff::Brightness, 250);
    UniqueHGlobal black(twtest::UniformPage(16, 16, {0, 0, 0}));
    UniqueHGlobal viaRecord(tw::DitherImage(black.get(), &b.Record(), 4711));
    UniqueHGlobal direct(tw::DitherImage(black.get(), Options(1, 0, 199)));
    ASSERT_TRUE(viaRecord);
    EXPECT_TRUE(twtest::SameImage(viaRecord.get(), direct.get()));

    // The page the record describes is limited to 1 024 000 000 pixels, computed without overflow.
    b.Record().Write<DWORD>(tw::dmoff::Brightness, 100);
    b.Record().Write<LONG>(tw::dmoff::PageWidthInPixels, 32000);
    b.Record().Write<LONG>(tw::dmoff::PageHeightInPixels, 32000);
    UniqueHGlobal atLimit(tw::DitherImage(black.get(), &b.Record(), 4711));
    EXPECT_TRUE(atLimit);
    b.Record().Write<LONG>(tw::dmoff::PageHeightInPixels, 32001);
    EXPECT_EQ(tw::DitherImage(black.get(), &b.Record(), 4711), nullptr);
    b.Record().Write<LONG>(tw::dmoff::PageWidthInPixels, 65536);
    b.Record().Write<LONG>(tw::dmoff::PageHeightInPixels, 65536);  // 2^32: zero in 32 bits
    EXPECT_EQ(tw::DitherImage(black.get(), &b.Record(), 4711), nullptr);
}

TEST_F(DitherImageTest, WithoutARecordThePageKeepsItsBrightness) {
    UniqueHGlobal mid(twtest::UniformPage(16, 16, {128, 128, 128}));
    UniqueHGlobal out(tw::DitherImage(mid.get(), nullptr, 4711));
    ASSERT_TRUE(out);
    EXPECT_EQ(twtest::BitCount(out.get()), 1);
    // Colour mode 0 and Dithering 0 without a record: ordinal 80 on the unchanged page.
    UniqueHGlobal want(m_library.Reduce(80, mid.get(), 1));
    EXPECT_TRUE(twtest::SameImage(out.get(), want.get()));
}

TEST_F(DitherImageTest, NullResults) {
    EXPECT_EQ(tw::DitherImage(nullptr, Options(0, 1)), nullptr);
    UniqueHGlobal junk(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100));
    for (LONG d = 0; d <= 6; ++d) EXPECT_EQ(tw::DitherImage(junk.get(), Options(0, d)), nullptr) << d;
    EXPECT_EQ(tw::DitherImage(junk.get(), Options(1, 0)), nullptr);
    EXPECT_EQ(tw::DitherImage(junk.get(), Options(2, 0)), nullptr);
    // Methods that need a deeper or a 24-bit source refuse a page that is already 1 bit.
    UniqueHGlobal bilevel(tw::FixedThreshold(s_photo));
    EXPECT_EQ(tw::DitherImage(bilevel.get(), Options(0, code::kStucki)), nullptr);
    EXPECT_EQ(tw::DitherImage(bilevel.get(), Options(0, code::kFixedThreshold)), nullptr);
    tw::DitherOptions huge = Options(0, 1);
    huge.pagePixels = tw::kMaxImagePixels + 1;
    EXPECT_EQ(tw::DitherImage(s_photo, huge), nullptr);
}

namespace {
struct Tolerance {
    LONG dithering;
    double photo;  // mean grey, levels of 255
    double text;
};
// Error diffusion and ordered dithering keep the mean grey within a level or two (Stucki's
// truncated shares lose a little on a nearly white page); the thresholds only keep dark and
// light apart, Otsu's the least on a photo.
const Tolerance kBilevel[] = {{1, 2, 2}, {2, 2, 2}, {3, 2, 2}, {4, 40, 16}, {5, 2, 3}, {6, 24, 6}};
}  // namespace

TEST_F(DitherImageTest, EveryBilevelMethodKeepsTheMeanGreyOfPhotoAndTextPages) {
    for (HGLOBAL page : {s_photo, s_text}) {
        const bool photo = page == s_photo;
        const double source = twtest::MeanGrey(page);
        for (const Tolerance& t : kBilevel) {
            UniqueHGlobal out(tw::DitherImage(page, Options(0, t.dithering)));
            ASSERT_TRUE(out) << t.dithering;
            EXPECT_EQ(twtest::BitCount(out.get()), 1);
            EXPECT_EQ(twtest::PaletteSize(out.get()), 2u);
            const RGBQUAD black = twtest::PaletteEntry(out.get(), 0), white = twtest::PaletteEntry(out.get(), 1);
            EXPECT_TRUE(black.rgbRed == 0 && black.rgbGreen == 0 && black.rgbBlue == 0);
            EXPECT_TRUE(white.rgbRed == 255 && white.rgbGreen == 255 && white.rgbBlue == 255);
            const double mean = twtest::MeanGrey(out.get());
            EXPECT_NEAR(mean, source, photo ? t.photo : t.text)
                << (photo ? "photo" : "text") << " page, Dithering " << t.dithering;
        }
    }
}

TEST_F(DitherImageTest, EveryEightBitMethodKeepsTheColoursOfPhotoAndTextPages) {
    for (HGLOBAL page : {s_photo, s_text}) {
        const char* name = page == s_photo ? "photo" : "text";
        for (LONG d : {1L, 2L, 5L}) {
            UniqueHGlobal out(tw::DitherImage(page, Options(2, d)));
            ASSERT_TRUE(out) << d;
            EXPECT_EQ(twtest::BitCount(out.get()), 8);
            EXPECT_GE(twtest::PaletteSize(out.get()), 2u);
            EXPECT_LE(twtest::PaletteSize(out.get()), 256u);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(twtest::MeanChannel(out.get(), c), twtest::MeanChannel(page, c), 3)
                    << name << " page, Dithering " << d << ", channel " << c;
        }
        UniqueHGlobal grey(tw::DitherImage(page, Options(1, 0)));
        ASSERT_TRUE(grey);
        EXPECT_EQ(twtest::PaletteSize(grey.get()), 256u);
        // (r + g + b) / 3 against 30/59/11 weights: close on these pages.
        EXPECT_NEAR(twtest::MeanGrey(grey.get()), twtest::MeanGrey(page), 8) << name;
    }
}

TEST_F(DitherImageTest, RenderingStepReducesOnlyThePagesThatNeedIt) {
    twhost::DevModeBuilder b(twtest::UniqueName(L"Reduce"));
    b.Record().Write<LONG>(tw::dmoff::PageWidthInPixels, kPageW);
    b.Record().Write<LONG>(tw::dmoff::PageHeightInPixels, kPageH);
    struct Case {
        DWORD mode;
        LONG dithering;
        bool raw;
        WORD bits;  // 0: the page is left as it is
    };
    const Case cases[] = {{0, 0, false, 0}, {0, 5, false, 1}, {0, 2, false, 1}, {0, 5, true, 0},
                          {0, 6, true, 1},  {1, 0, true, 8},  {2, 5, false, 8}, {3, 5, false, 0}};
    for (const Case& c : cases) {
        b.ColorMode(c.mode).Dithering(c.dithering);
        UniqueHGlobal page(tw::CopyPackedDib(s_photo));
        const HGLOBAL before = page.get();
        EXPECT_TRUE(tw::ReducePageColours(page, &b.Record(), 4711, c.raw)) << c.mode << "/" << c.dithering;
        if (c.bits == 0) {
            EXPECT_EQ(page.get(), before);
        } else {
            EXPECT_NE(page.get(), before);
            EXPECT_EQ(twtest::BitCount(page.get()), c.bits) << c.mode << "/" << c.dithering;
        }
    }
    // A page that cannot be reduced is gone and the step fails.
    b.ColorMode(0).Dithering(5);
    UniqueHGlobal junk(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64));
    EXPECT_FALSE(tw::ReducePageColours(junk, &b.Record(), 4711, false));
    EXPECT_FALSE(junk);
}

TEST_F(DitherImageTest, PagesOfRealMetafilesKeepTheirGrey) {
    for (const wchar_t* name : {L"libemf2svg__test-000.emf", L"libemf2svg__test-013.emf"}) {
        UniqueHGlobal page(twtest::EmfPage(twtest::EmfCorpusFile(name), 500, 380));
        if (!page) GTEST_SKIP() << "shared EMF corpus not found";
        const double source = twtest::MeanGrey(page.get());
        ASSERT_LT(source, 245) << "the metafile drew (almost) nothing";
        for (LONG d : {1L, 2L, 3L, 5L}) {
            UniqueHGlobal out(tw::DitherImage(page.get(), Options(0, d)));
            ASSERT_TRUE(out);
            EXPECT_NEAR(twtest::MeanGrey(out.get()), source, 3) << "Dithering " << d;
        }
        for (LONG d : {1L, 2L, 5L}) {
            UniqueHGlobal out(tw::DitherImage(page.get(), Options(2, d)));
            ASSERT_TRUE(out);
            EXPECT_NEAR(twtest::MeanGrey(out.get()), source, 3) << "8 bits, Dithering " << d;
        }
    }
}
