// Resampling pages for pages-per-sheet cells.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "base/UniqueHandle.h"
#include "emfimage/ImageScaler.h"
#include "emfimage/PackedDib.h"
#include "emfimage/TestPages.h"

using tw::UniqueHGlobal;

namespace {

UniqueHGlobal Bilevel(LONG w, LONG h, bool white) {
    RGBQUAD bw[2];
    tw::FillBlackWhitePalette(bw);
    UniqueHGlobal dib(tw::NewPackedDib(w, h, 1, bw, 2, 1000, 2000));
    tw::DibView v(dib.get());
    for (LONG y = 0; white && y < h; ++y) memset(v.StoredRow(y), 0xFF, v.Shape().stride);
    return dib;
}

}  // namespace

TEST(ImageScaler, BilevelNearestNeighbourDuplicatesPixels) {
    UniqueHGlobal src = Bilevel(4, 2, false);
    {
        tw::DibView v(src.get());
        v.RowFromTop(0)[0] = 0xA0;  // 1 0 1 0
        v.RowFromTop(1)[0] = 0x50;  // 0 1 0 1
    }
    UniqueHGlobal out(tw::ScaleImage(src.get(), 8, 4));
    ASSERT_TRUE(out);
    EXPECT_EQ(twtest::BitCount(out.get()), 1);
    EXPECT_EQ(twtest::PaletteEntry(out.get(), 1).rgbRed, 255);
    // Rounded positions: output x takes source round(x / 2).
    const int expectTop[8] = {1, 0, 0, 1, 1, 0, 0, 0};
    for (LONG x = 0; x < 8; ++x) EXPECT_EQ(twtest::IndexAt(out.get(), x, 0), expectTop[x]) << x;
    tw::GlobalLockGuard<BITMAPINFOHEADER> h(out.get());
    EXPECT_EQ(h->biWidth, 8);
    EXPECT_EQ(h->biHeight, 4);
    EXPECT_EQ(h->biSizeImage, 16u);
    EXPECT_EQ(h->biXPelsPerMeter, 1000);
    EXPECT_EQ(h->biYPelsPerMeter, 2000);
}

TEST(ImageScaler, EnlargedBilevelPageHasNoBlackEdge) {
    // Rounding reaches one row and column past the source on the far edges; they repeat the edge.
    UniqueHGlobal white = Bilevel(3, 3, true);
    UniqueHGlobal out(tw::ScaleImage(white.get(), 7, 7));
    ASSERT_TRUE(out);
    EXPECT_DOUBLE_EQ(twtest::MeanGrey(out.get()), 255.0);
}

TEST(ImageScaler, SameSizeCubicIsTheIdentity) {
    UniqueHGlobal photo(twtest::PhotoPage(120, 90));
    UniqueHGlobal out(tw::ScaleImage(photo.get(), 120, 90));
    ASSERT_TRUE(out);
    EXPECT_TRUE(twtest::SameImage(photo.get(), out.get()));
}

TEST(ImageScaler, CubicKeepsUniformColourAndTheMeanOfAPhoto) {
    UniqueHGlobal flat(twtest::UniformPage(50, 40, {200, 100, 7}));
    UniqueHGlobal big(tw::ScaleImage(flat.get(), 123, 77));
    ASSERT_TRUE(big);
    EXPECT_EQ(twtest::BitCount(big.get()), 24);
    for (LONG y = 0; y < 77; y += 19)
        for (LONG x = 0; x < 123; x += 11) {
            const twtest::Rgb p = twtest::PixelAt(big.get(), x, y);
            EXPECT_LE(std::abs(p.r - 200) + std::abs(p.g - 100) + std::abs(p.b - 7), 3) << x << "," << y;
        }

    UniqueHGlobal photo(twtest::PhotoPage(400, 300));
    UniqueHGlobal half(tw::ScaleImage(photo.get(), 200, 150));
    ASSERT_TRUE(half);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(twtest::MeanChannel(half.get(), c), twtest::MeanChannel(photo.get(), c), 2.5) << c;
    // A pixel inside a smooth area keeps its colour: the top left of the gradient.
    const twtest::Rgb a = twtest::PixelAt(photo.get(), 20, 20), b = twtest::PixelAt(half.get(), 10, 10);
    EXPECT_LE(std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b), 6);
}

TEST(ImageScaler, PaletteImagesMapBackToTheirPalette) {
    RGBQUAD palette[16] = {};
    for (int i = 0; i < 16; ++i) palette[i] = RGBQUAD{BYTE(i * 17), BYTE(i * 17), BYTE(i * 17), 0};
    UniqueHGlobal four(tw::NewPackedDib(10, 10, 4, palette, 16, 0, 0));
    {
        tw::DibView v(four.get());
        for (LONG y = 0; y < 10; ++y) memset(v.StoredRow(y), 0x55, v.Shape().stride);  // index 5
    }
    UniqueHGlobal out(tw::ScaleImage(four.get(), 25, 13));
    ASSERT_TRUE(out);
    EXPECT_EQ(twtest::BitCount(out.get()), 4);
    EXPECT_EQ(twtest::PaletteSize(out.get()), 16u);
    for (LONG x = 0; x < 25; ++x) EXPECT_EQ(twtest::IndexAt(out.get(), x, 12), 5) << x;

    // A black and white 8-bit image keeps to its two used colours' nearest entries.
    RGBQUAD grey[256];
    tw::FillGreyPalette(grey);
    UniqueHGlobal eight(tw::NewPackedDib(16, 16, 8, grey, 256, 0, 0));
    {
        tw::DibView v(eight.get());
        for (LONG y = 0; y < 16; ++y)
            for (LONG x = 0; x < 16; ++x) v.RowFromTop(y)[x] = x < 8 ? 0 : 255;
    }
    UniqueHGlobal e(tw::ScaleImage(eight.get(), 32, 8));
    ASSERT_TRUE(e);
    EXPECT_EQ(twtest::IndexAt(e.get(), 0, 3), 0);
    EXPECT_EQ(twtest::IndexAt(e.get(), 31, 3), 255);
    // Between the halves the cubic kernel overshoots, and the result is clamped to the palette.
    EXPECT_NEAR(twtest::MeanGrey(e.get()), twtest::MeanGrey(eight.get()), 4.0);
}

TEST(ImageScaler, RefusedSizes) {
    UniqueHGlobal photo(twtest::UniformPage(8, 8, {1, 2, 3}));
    EXPECT_EQ(tw::ScaleImage(nullptr, 10, 10), nullptr);
    EXPECT_EQ(tw::ScaleImage(photo.get(), 0, 10), nullptr);
    EXPECT_EQ(tw::ScaleImage(photo.get(), 10, -1), nullptr);
    EXPECT_EQ(tw::ScaleImage(photo.get(), 40000, 30000), nullptr);  // beyond kMaxImagePixels
}

TEST(ImageScaler, WidthsBeyondSixteenBitsAreNotCut) {
    UniqueHGlobal white = Bilevel(10, 2, true);
    UniqueHGlobal wide(tw::ScaleImage(white.get(), 70000, 2));
    ASSERT_TRUE(wide);
    tw::GlobalLockGuard<BITMAPINFOHEADER> h(wide.get());
    EXPECT_EQ(h->biWidth, 70000);
    EXPECT_EQ(twtest::IndexAt(wide.get(), 69999, 1), 1);
}
