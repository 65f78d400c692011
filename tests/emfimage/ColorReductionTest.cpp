// The monitor's own reductions: grey scale, Stucki error diffusion, fixed threshold.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>

#include "base/UniqueHandle.h"
#include "emfimage/ColorReduction.h"
#include "emfimage/PackedDib.h"
#include "emfimage/TestPages.h"

using tw::UniqueHGlobal;
using twtest::Rgb;

namespace {

constexpr LONG kW = 64;
constexpr LONG kH = 48;

UniqueHGlobal Uniform(Rgb c, LONG w = kW, LONG h = kH) { return UniqueHGlobal(twtest::UniformPage(w, h, c)); }

// Every pixel of a 1-bit image is `bit`.
bool AllBits(HGLOBAL dib, int bit) {
    tw::DibView v(dib);
    for (LONG y = 0; y < v.Shape().height; ++y)
        for (LONG x = 0; x < v.Shape().width; ++x)
            if (twtest::IndexAt(dib, x, y) != bit) return false;
    return true;
}

// A header that claims more than its block holds, or is not a plain RGB DIB.
UniqueHGlobal Damaged(int how) {
    UniqueHGlobal dib = Uniform({200, 200, 200});
    if (how == 0) {
        // Cut the block short of its rows.
        UniqueHGlobal small(::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + 16));
        tw::GlobalLockGuard<BYTE> from(dib.get()), to(small.get());
        memcpy(to.get(), from.get(), sizeof(BITMAPINFOHEADER) + 16);
        return small;
    }
    tw::GlobalLockGuard<BITMAPINFOHEADER> h(dib.get());
    if (how == 1) h->biCompression = BI_RLE8;
    if (how == 2) h->biWidth = 0;
    if (how == 3) h->biBitCount = 16;
    if (how == 4) h->biHeight = -kH;
    return dib;
}

}  // namespace

TEST(GreyScale, TrueColourBecomesEightBitGreyWithTheSourceResolution) {
    UniqueHGlobal page = Uniform({10, 20, 30});
    UniqueHGlobal grey(tw::ConvertToGreyScale(page.get()));
    ASSERT_TRUE(grey);
    EXPECT_EQ(twtest::BitCount(grey.get()), 8);
    EXPECT_EQ(twtest::PaletteSize(grey.get()), 256u);
    EXPECT_EQ(twtest::IndexAt(grey.get(), 5, 7), 20);
    const RGBQUAD e = twtest::PaletteEntry(grey.get(), 77);
    EXPECT_TRUE(e.rgbRed == 77 && e.rgbGreen == 77 && e.rgbBlue == 77);
    tw::GlobalLockGuard<BITMAPINFOHEADER> h(grey.get());
    EXPECT_EQ(h->biXPelsPerMeter, 3937);
    EXPECT_EQ(h->biSizeImage, tw::DibStride(kW, 8) * DWORD(kH));
}

TEST(GreyScale, PaletteImagesKeepIndicesAndDepth) {
    RGBQUAD palette[16] = {};
    palette[3] = RGBQUAD{30, 20, 10, 0};  // blue 30, green 20, red 10
    UniqueHGlobal four(tw::NewPackedDib(9, 3, 4, palette, 16, 0, 0));
    {
        tw::DibView v(four.get());
        v.StoredRow(1)[2] = 0x3F;  // pixels 4 and 5 of the middle row: indices 3 and 15
    }
    UniqueHGlobal grey(tw::ConvertToGreyScale(four.get()));
    ASSERT_TRUE(grey);
    EXPECT_EQ(twtest::BitCount(grey.get()), 4);
    EXPECT_EQ(twtest::PaletteSize(grey.get()), 16u);
    EXPECT_EQ(twtest::IndexAt(grey.get(), 4, 1), 3);
    EXPECT_EQ(twtest::IndexAt(grey.get(), 5, 1), 15);
    EXPECT_EQ(twtest::PaletteEntry(grey.get(), 3).rgbGreen, 20);
    EXPECT_EQ(twtest::PaletteEntry(grey.get(), 3).rgbBlue, 20);
}

TEST(GreyScale, BilevelPagesFollowTheirPalette) {
    RGBQUAD bw[2];
    tw::FillBlackWhitePalette(bw);
    UniqueHGlobal page(tw::NewPackedDib(16, 2, 1, bw, 2, 0, 0));
    { tw::DibView(page.get()).RowFromTop(0)[0] = 0xF0; }
    UniqueHGlobal grey(tw::ConvertToGreyScale(page.get()));
    ASSERT_TRUE(grey);
    EXPECT_EQ(twtest::BitCount(grey.get()), 8);
    EXPECT_EQ(twtest::IndexAt(grey.get(), 0, 0), 255);
    EXPECT_EQ(twtest::IndexAt(grey.get(), 4, 0), 0);
    EXPECT_EQ(twtest::IndexAt(grey.get(), 0, 1), 0);

    // An inverted palette does not invert the page.
    { tw::DibView v(page.get()); std::swap(v.Palette()[0], v.Palette()[1]); }
    UniqueHGlobal inverted(tw::ConvertToGreyScale(page.get()));
    EXPECT_EQ(twtest::IndexAt(inverted.get(), 0, 0), 0);
    EXPECT_EQ(twtest::IndexAt(inverted.get(), 4, 0), 255);
}

TEST(ColorReduction, UnreadableImagesGiveNull) {
    EXPECT_EQ(tw::ConvertToGreyScale(nullptr), nullptr);
    EXPECT_EQ(tw::StuckiDither(nullptr, 1), nullptr);
    EXPECT_EQ(tw::FixedThreshold(nullptr), nullptr);
    for (int how = 0; how <= 4; ++how) {
        UniqueHGlobal bad = Damaged(how);
        EXPECT_EQ(tw::ConvertToGreyScale(bad.get()), nullptr) << how;
        EXPECT_EQ(tw::StuckiDither(bad.get(), 1), nullptr) << how;
        EXPECT_EQ(tw::FixedThreshold(bad.get()), nullptr) << how;
    }
}

TEST(FixedThreshold, WhiteFromASumOf384) {
    UniqueHGlobal white = Uniform({255, 255, 255});
    UniqueHGlobal out(tw::FixedThreshold(white.get()));
    ASSERT_TRUE(out);
    EXPECT_EQ(twtest::BitCount(out.get()), 1);
    EXPECT_EQ(twtest::PaletteSize(out.get()), 2u);
    EXPECT_EQ(twtest::PaletteEntry(out.get(), 0).rgbRed, 0);
    EXPECT_EQ(twtest::PaletteEntry(out.get(), 1).rgbBlue, 255);
    EXPECT_TRUE(AllBits(out.get(), 1));

    UniqueHGlobal below = Uniform({127, 128, 128});  // 383
    UniqueHGlobal black(tw::FixedThreshold(below.get()));
    EXPECT_TRUE(AllBits(black.get(), 0));
    UniqueHGlobal at = Uniform({128, 128, 128});
    UniqueHGlobal whiteAt(tw::FixedThreshold(at.get()));
    EXPECT_TRUE(AllBits(whiteAt.get(), 1));

    // Only 24-bit pages are thresholded.
    UniqueHGlobal grey(tw::ConvertToGreyScale(white.get()));
    EXPECT_EQ(tw::FixedThreshold(grey.get()), nullptr);
}

TEST(Stucki, FirstPixelOfUniform128IsBlackOf129White) {
    // The first pixel diffused is the first of the stored rows: the bottom left one.
    UniqueHGlobal p128 = Uniform({128, 128, 128});
    UniqueHGlobal out128(tw::StuckiDither(p128.get(), 1));
    ASSERT_TRUE(out128);
    EXPECT_EQ(twtest::IndexAt(out128.get(), 0, kH - 1), 0);
    UniqueHGlobal p129 = Uniform({129, 129, 129});
    UniqueHGlobal out129(tw::StuckiDither(p129.get(), 1));
    EXPECT_EQ(twtest::IndexAt(out129.get(), 0, kH - 1), 1);
    // Both come out half white.
    EXPECT_NEAR(twtest::MeanGrey(out128.get()), 128, 6);
    EXPECT_NEAR(twtest::MeanGrey(out129.get()), 129, 6);
    EXPECT_EQ(twtest::PaletteSize(out128.get()), 2u);
}

TEST(Stucki, BilevelKeepsTheMeanGreyOfPhotoAndPalettePages) {
    UniqueHGlobal photo(twtest::PhotoPage(300, 200));
    UniqueHGlobal out(tw::StuckiDither(photo.get(), 1));
    ASSERT_TRUE(out);
    EXPECT_NEAR(twtest::MeanGrey(out.get()), twtest::MeanGrey(photo.get()), 3.0);

    // A grey palette image is read through its palette.
    UniqueHGlobal grey(tw::ConvertToGreyScale(photo.get()));
    UniqueHGlobal fromGrey(tw::StuckiDither(grey.get(), 1));
    ASSERT_TRUE(fromGrey);
    EXPECT_NEAR(twtest::MeanGrey(fromGrey.get()), twtest::MeanGrey(grey.get()), 3.0);
}

TEST(Stucki, SaturatedColoursStayInTheirOwnBits) {
    UniqueHGlobal blue = Uniform({0, 0, 255}, 200, 700);
    UniqueHGlobal out(tw::StuckiDither(blue.get(), 8));
    ASSERT_TRUE(out);
    EXPECT_EQ(twtest::BitCount(out.get()), 8);
    EXPECT_EQ(twtest::PaletteSize(out.get()), 256u);
    UniqueHGlobal red = Uniform({255, 0, 0}, 200, 700);
    UniqueHGlobal outRed(tw::StuckiDither(red.get(), 8));
    bool blueOnly = true, redOnly = true;
    for (LONG y = 0; y < 700; ++y)
        for (LONG x = 0; x < 200; ++x) {
            blueOnly = blueOnly && twtest::IndexAt(out.get(), x, y) == 0x03;
            redOnly = redOnly && twtest::IndexAt(outRed.get(), x, y) == 0xE0;
        }
    EXPECT_TRUE(blueOnly) << "blue spilled into the red or green bits";
    EXPECT_TRUE(redOnly);
    const RGBQUAD top = twtest::PaletteEntry(out.get(), 0xFF);
    EXPECT_EQ(top.rgbRed, 252);
    EXPECT_EQ(top.rgbGreen, 252);
    EXPECT_EQ(top.rgbBlue, 255);
}

TEST(Stucki, ColourOutputKeepsTheMeanOfEachChannel) {
    // Mid grey must not drift towards the palette's brighter levels.
    UniqueHGlobal grey = Uniform({128, 128, 128});
    UniqueHGlobal out(tw::StuckiDither(grey.get(), 8));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(twtest::MeanChannel(out.get(), c), 128, 3) << c;

    UniqueHGlobal photo(twtest::PhotoPage(300, 200));
    UniqueHGlobal outPhoto(tw::StuckiDither(photo.get(), 8));
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(twtest::MeanChannel(outPhoto.get(), c), twtest::MeanChannel(photo.get(), c), 3) << c;
}

TEST(Stucki, RefusesTargetsNotBelowTheSource) {
    UniqueHGlobal photo = Uniform({1, 2, 3});
    EXPECT_EQ(tw::StuckiDither(photo.get(), 4), nullptr);
    EXPECT_EQ(tw::StuckiDither(photo.get(), 24), nullptr);
    UniqueHGlobal grey(tw::ConvertToGreyScale(photo.get()));
    EXPECT_EQ(tw::StuckiDither(grey.get(), 8), nullptr);
    RGBQUAD bw[2];
    tw::FillBlackWhitePalette(bw);
    UniqueHGlobal bilevel(tw::NewPackedDib(8, 8, 1, bw, 2, 0, 0));
    EXPECT_EQ(tw::StuckiDither(bilevel.get(), 1), nullptr);
}
