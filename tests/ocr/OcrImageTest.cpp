// The page preparations before recognition, and moving hOCR boxes back onto the page.
#include <gtest/gtest.h>

#include "emfimage/PackedDib.h"
#include "ocr/HocrBoxes.h"
#include "ocr/OcrImage.h"

namespace {

using tw::DibView;
using tw::UniqueHGlobal;

// A white bilevel picture (index 1 white) with the pixels of `ink` black, rows top-down.
UniqueHGlobal Bilevel(const std::vector<std::string>& ink) {
    RGBQUAD palette[2];
    tw::FillBlackWhitePalette(palette);
    const LONG width = static_cast<LONG>(ink[0].size()), height = static_cast<LONG>(ink.size());
    UniqueHGlobal dib(tw::NewPackedDib(width, height, tw::kBits1, palette, 2, 11811, 11811));
    DibView view(dib.get());
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            if (ink[y][x] != '#') view.RowFromTop(y)[x / 8] |= static_cast<BYTE>(0x80 >> (x & 7));
    return dib;
}

std::vector<std::string> Picture(HGLOBAL dib) {
    DibView view(dib);
    std::vector<std::string> rows;
    for (LONG y = 0; y < view.Shape().height; ++y) {
        std::string row;
        for (LONG x = 0; x < view.Shape().width; ++x)
            row += (view.RowFromTop(y)[x / 8] >> (7 - (x & 7)) & 1) ? '.' : '#';
        rows.push_back(row);
    }
    return rows;
}

TEST(OcrImage, CropTakesUnalignedAreasAndClipsToThePage) {
    UniqueHGlobal page = Bilevel({"..........", "...##.....", "...#.#....", ".........."});
    UniqueHGlobal part(tw::ocrimage::CropDib(page.get(), 3, 1, 6, 3));
    ASSERT_TRUE(part);
    EXPECT_EQ(Picture(part.get()), (std::vector<std::string>{"##.", "#.#"}));
    UniqueHGlobal clipped(tw::ocrimage::CropDib(page.get(), 8, 2, 100, 100));
    ASSERT_TRUE(clipped);
    EXPECT_EQ(Picture(clipped.get()), (std::vector<std::string>{"..", ".."}));
    EXPECT_EQ(tw::ocrimage::CropDib(page.get(), 10, 0, 20, 4), nullptr);
    EXPECT_EQ(tw::ocrimage::CropDib(page.get(), 2, 2, 2, 3), nullptr);
}

TEST(OcrImage, DoublingRepeatsPixelsAndResolution) {
    UniqueHGlobal page = Bilevel({"#.", ".#"});
    UniqueHGlobal twice(tw::ocrimage::DoubleDibSize(page.get()));
    ASSERT_TRUE(twice);
    EXPECT_EQ(Picture(twice.get()), (std::vector<std::string>{"##..", "##..", "..##", "..##"}));
    DibView view(twice.get());
    EXPECT_EQ(view.Shape().xPelsPerMeter, 2 * 11811);
    EXPECT_EQ(view.Shape().yPelsPerMeter, 2 * 11811);
}

TEST(OcrImage, ClosingFillsNarrowGapsOnly) {
    UniqueHGlobal page = Bilevel({
        "..................",
        ".##.##...##....##.",
        ".##.##...##....##.",
        "..................",
        "........#.........",
    });
    UniqueHGlobal closed(tw::ocrimage::BinaryClosing(page.get()));
    ASSERT_TRUE(closed);
    std::vector<std::string> got = Picture(closed.get());
    // The one-pixel gap closes, the four-pixel gap stays, the lone dot neither grows nor goes.
    EXPECT_EQ(got[1].substr(0, 12), ".#####...##.");
    EXPECT_EQ(got[1].substr(11, 7), "....##.");
    EXPECT_EQ(got[4], "........#.........");
    EXPECT_EQ(got[0], "..................");
}

TEST(OcrImage, ClosingKeepsInkAtTheBorders) {
    UniqueHGlobal page = Bilevel({"##.#", "##..", "...."});
    UniqueHGlobal closed(tw::ocrimage::BinaryClosing(page.get()));
    ASSERT_TRUE(closed);
    EXPECT_EQ(Picture(closed.get()), (std::vector<std::string>{"####", "##..", "...."}));
}

TEST(OcrImage, ThresholdAtHalfGrey) {
    UniqueHGlobal rgb(tw::NewPackedDib(3, 1, tw::kBits24, nullptr, 0, 11811, 11811));
    {
        DibView view(rgb.get());
        BYTE* row = view.StoredRow(0);
        const BYTE values[] = {127, 128, 255};
        for (int x = 0; x < 3; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = values[x];
    }
    UniqueHGlobal bw(tw::ocrimage::DitherThreshold(rgb.get(), 128));
    ASSERT_TRUE(bw);
    EXPECT_EQ(Picture(bw.get()), (std::vector<std::string>{"#.."}));
}

TEST(HocrBoxes, BoxesMoveBackByScaleAndCropOrigin) {
    std::wstring hocr = L"<div title='image \"\"; bbox 0 0 4800 1200; ppageno 0'><span title='bbox 200 100 401 161; x_wconf 96'>";
    tw::MapHocrBoxes(hocr, {10, 20, 2});
    EXPECT_EQ(hocr, L"<div title='image \"\"; bbox 10 20 2410 620; ppageno 0'><span title='bbox 110 70 210 100; x_wconf 96'>");
    std::wstring broken = L"bbox 1 2 x; bbox 4 4 4 4";
    tw::MapHocrBoxes(broken, {0, 0, 2});
    EXPECT_EQ(broken, L"bbox 1 2 x; bbox 2 2 2 2");
}

}  // namespace
