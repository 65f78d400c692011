// Page size, resolution and header rules; pages-per-sheet grids and cells; DIB rotation.
#include <gtest/gtest.h>

#include <cstring>

#include "emfimage/DibRotation.h"
#include "emfimage/PackedDib.h"
#include "emfimage/PageGeometry.h"
#include "emfimage/PagePlayer.h"
#include "emfimage/PagesPerSheet.h"
#include "host/DevModeBuilder.h"
#include "portcmd/DevModeLayout.h"

namespace {

using tw::PageBitmapInfo;
using tw::SizingResult;
namespace dmoff = tw::dmoff;
namespace dmflag = tw::dmflag;

tw::TarnwellDEVMODE Record(int xDpi, int yDpi, int width, int height) {
    twhost::DevModeBuilder b(L"Geometry");
    b.Dpi(xDpi, yDpi);
    tw::TarnwellDEVMODE dm = b.Record();
    dm.Write<LONG>(dmoff::PageWidthInPixels, width);
    dm.Write<LONG>(dmoff::PageHeightInPixels, height);
    return dm;
}

int DpiOf(LONG pelsPerMeter) { return static_cast<int>(pelsPerMeter * 0.0254 + 0.5); }

TEST(PageGeometry, MonochromeAndColourHeaders) {
    tw::TarnwellDEVMODE dm = Record(204, 196, 1728, 2200);
    PageBitmapInfo info;
    ASSERT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biBitCount, 1);
    EXPECT_EQ(info.header.biClrUsed, 2u);
    EXPECT_EQ(info.header.biSizeImage, (1728u + 31) / 32 * 4 * 2200);
    EXPECT_EQ(info.palette[0].rgbRed, 0);
    EXPECT_EQ(info.palette[1].rgbRed, 255);
    EXPECT_EQ(info.header.biXPelsPerMeter, 8031);  // 204 dpi
    EXPECT_EQ(info.header.biYPelsPerMeter, 7717);  // 196 dpi
    EXPECT_EQ(info.HeaderBytes(), 48u);

    // Dithering asks for 24 bits first, reduced later; so does 8-bit output.
    dm.Write<LONG>(dmoff::Dithering, 2);
    ASSERT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biBitCount, 24);
    EXPECT_EQ(info.header.biClrUsed, 0u);
    EXPECT_EQ(info.header.biSizeImage, (1728u * 3 + 3) / 4 * 4 * 2200);
    // Raw data renders at one bit under every dithering code but the colour one.
    ASSERT_EQ(tw::FillRawDataBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biBitCount, 1);
    dm.Write<LONG>(dmoff::Dithering, tw::kRawDataDitherForColour);
    ASSERT_EQ(tw::FillRawDataBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biBitCount, 24);

    // Without a DEVMODE: a fax page at 300 dpi.
    ASSERT_EQ(tw::FillBITMAPINFO(nullptr, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biWidth, 1728);
    EXPECT_EQ(info.header.biHeight, 2200);
}

TEST(PageGeometry, FaxHeaderForcedResolutionAndFaxOutput) {
    tw::TarnwellDEVMODE dm = Record(300, 300, 2550, 3300);
    dm.Write<LONG>(dmoff::FaxHeader, 40);
    PageBitmapInfo info;
    ASSERT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biHeight, 3260);

    // Forced resolution with UserFlags 0 takes the job's own and changes nothing.
    dm.Write<LONG>(dmoff::FaxHeader, 0);
    dm.SetFlag(dmflag::ForceResolution, true);
    ASSERT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(dm.Read<DWORD>(dmoff::UserFlags), (300u << 16) | 300u);
    EXPECT_EQ(info.header.biWidth, 2550);
    EXPECT_EQ(info.header.biHeight, 3300);
    dm.Write<DWORD>(dmoff::UserFlags, (98u << 16) | 204u);
    ASSERT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biWidth, 2550 * 204 / 300);
    EXPECT_EQ(info.header.biHeight, 98 * 3300 / 300);
    EXPECT_EQ(DpiOf(info.header.biXPelsPerMeter), 204);
    EXPECT_EQ(DpiOf(info.header.biYPelsPerMeter), 98);
    // A forced resolution of zero cannot size a page.
    dm.Write<DWORD>(dmoff::UserFlags, 300u);
    EXPECT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::BadSize);

    // Fax output overrides: portrait 1728 wide, landscape 1728 high; the fax mode sets the rows' dpi.
    dm.SetFlag(dmflag::IsFaxOutputEnabled, true);
    tw::DmSetFaxResolutionMode(&dm, 2);
    ASSERT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biWidth, 1728);
    EXPECT_EQ(info.header.biHeight, 3300);
    EXPECT_EQ(DpiOf(info.header.biXPelsPerMeter), 204);
    EXPECT_EQ(DpiOf(info.header.biYPelsPerMeter), 98);
    dm.Write<short>(dmoff::dmOrientation, DMORIENT_LANDSCAPE);
    tw::DmSetFaxResolutionMode(&dm, 1);
    ASSERT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::Ok);
    EXPECT_EQ(info.header.biWidth, 2550);
    EXPECT_EQ(info.header.biHeight, 1728);
    EXPECT_EQ(DpiOf(info.header.biXPelsPerMeter), 196);
    EXPECT_EQ(DpiOf(info.header.biYPelsPerMeter), 204);
}

TEST(PageGeometry, UnusableSizesAreRefused) {
    PageBitmapInfo info;
    for (auto [w, h] : {std::pair{0, 100}, {100, 0}, {-5, 100}, {100, -1}}) {
        tw::TarnwellDEVMODE dm = Record(300, 300, w, h);
        EXPECT_EQ(tw::FillBITMAPINFO(&dm, 1, info), SizingResult::BadSize) << w << "x" << h;
    }
    tw::TarnwellDEVMODE huge = Record(300, 300, 200000, 200000);
    EXPECT_EQ(tw::FillBITMAPINFO(&huge, 24, info), SizingResult::TooLarge);
}

TEST(PageGeometry, EmfSizeGivesThePageUnlessThePaperIsGiven) {
    tw::TarnwellDEVMODE dm = Record(300, 600, 1, 1);
    tw::ApplyEmfPageGeometry(dm, SIZE{2550, 3300}, 0, false);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 1);  // paper fields given: left alone

    dm.Write<DWORD>(dmoff::dmFields, DM_ORIENTATION);
    tw::ApplyEmfPageGeometry(dm, SIZE{2550, 3300}, 0, false);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 2550);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 6600);  // recorded at 300, wanted at 600
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperWidth), 2159);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 2794);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 100);

    // Allowed anisotropy: the EMF was recorded at (300, 600) already.
    tw::ApplyEmfPageGeometry(dm, SIZE{2550, 6600}, 0, true);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 6600);

    // A banner wider than 32766 tenths of a millimetre is stored in millimetres.
    tw::ApplyEmfPageGeometry(dm, SIZE{60000, 3300}, 0, false);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 1000);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperWidth), 5080);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 279);
}

TEST(PagesPerSheet, GridsAndCells) {
    const struct { int n, columns, rows; bool turned; } grids[] = {
        {2, 2, 1, true}, {4, 2, 2, false}, {6, 3, 2, true}, {8, 4, 2, true}, {9, 3, 3, false},
        {10, 5, 2, true}, {12, 4, 3, true}, {16, 4, 4, false}, {17, 1, 1, false}, {0, 1, 1, false}};
    for (const auto& g : grids) {
        tw::SheetGrid grid = tw::SheetGridFor(g.n);
        EXPECT_EQ(grid.columns, g.columns) << g.n;
        EXPECT_EQ(grid.rows, g.rows) << g.n;
        EXPECT_EQ(grid.turned, g.turned) << g.n;
    }
    tw::SheetLayout four{4, 0, false, 100, 50};
    // 2550 x 3300: cells of (2550 - 200 - 50) / 2 = 1150 by (3300 - 200 - 50) / 2 = 1525; pages fit by width.
    const tw::SheetCell first = four.CellFor(0, 2550, 3300, 2550, 3300);
    EXPECT_EQ(first.width, 1150);
    EXPECT_EQ(first.height, 1488);
    EXPECT_EQ(first.left, 100);
    EXPECT_EQ(first.top, 100 + (1525 - 1488) / 2);
    const tw::SheetCell second = four.CellFor(1, 2550, 3300, 2550, 3300);
    EXPECT_EQ(second.left, 100 + 1150 + 50);
    EXPECT_EQ(second.top, first.top);
    const tw::SheetCell third = four.CellFor(2, 2550, 3300, 2550, 3300);
    EXPECT_EQ(third.left, first.left);
    EXPECT_GT(third.top, first.top + first.height);
    // Column-first order puts the second page below the first.
    tw::SheetLayout columns{4, 0, true, 100, 50};
    EXPECT_EQ(columns.CellFor(1, 2550, 3300, 2550, 3300).left, first.left);
    // Two pages: the sheet turns, and landscape first pages exchange columns and rows.
    tw::SheetLayout two{2, 5, false, 100, 50};
    EXPECT_EQ(two.SheetSize(2550, 3300).cx, 3300);
    EXPECT_EQ(two.GridForPage(3300, 2550).rows, 2);
}

// A 3 x 2 one-bit DIB with a single black pixel at the top-left corner.
tw::UniqueHGlobal CornerDib() {
    PageBitmapInfo info;
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, 1, BI_RGB, 0, 1000, 2000, 2, 0};
    info.palette[1] = RGBQUAD{255, 255, 255, 0};
    info.SetHeight(2);
    tw::UniqueHGlobal dib = tw::AllocatePackedDib(info);
    tw::GlobalLockGuard<BYTE> p(dib.get());
    BYTE* bits = p.get() + info.HeaderBytes();
    std::memset(bits, 0xFF, info.header.biSizeImage);
    bits[info.RowBytes()] = 0x7F;  // the top row is stored last
    return dib;
}

// Top-down position of the single black pixel.
std::pair<int, int> BlackPixel(HGLOBAL dib, LONG& width, LONG& height) {
    tw::GlobalLockGuard<BYTE> p(dib);
    BITMAPINFOHEADER h;
    std::memcpy(&h, p.get(), sizeof(h));
    width = h.biWidth;
    height = h.biHeight;
    const DWORD row = PageBitmapInfo::RowBytesFor(h.biWidth, 1);
    const BYTE* bits = p.get() + sizeof(h) + 8;
    for (LONG y = 0; y < h.biHeight; ++y)
        for (LONG x = 0; x < h.biWidth; ++x)
            if (!((bits[(h.biHeight - 1 - y) * row + x / 8] >> (7 - x % 8)) & 1)) return {x, y};
    return {-1, -1};
}

TEST(DibRotation, QuarterAndHalfTurns) {
    tw::UniqueHGlobal dib = CornerDib();
    LONG w = 0, h = 0;
    tw::UniqueHGlobal anti = tw::RotatePackedDib(dib.get(), tw::kRotateAnticlockwise);
    EXPECT_EQ(BlackPixel(anti.get(), w, h), std::make_pair(0, 2));  // top-left goes to bottom-left
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(2L, 3L));
    tw::UniqueHGlobal clock = tw::RotatePackedDib(dib.get(), tw::kRotateClockwise);
    EXPECT_EQ(BlackPixel(clock.get(), w, h), std::make_pair(1, 0));  // ... and to the top-right
    tw::UniqueHGlobal half = tw::RotatePackedDib(dib.get(), tw::kRotateHalf);
    EXPECT_EQ(BlackPixel(half.get(), w, h), std::make_pair(2, 1));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(3L, 2L));
    {
        tw::GlobalLockGuard<BITMAPINFOHEADER> turned(clock.get());
        EXPECT_EQ(turned->biXPelsPerMeter, 2000);
        EXPECT_EQ(turned->biYPelsPerMeter, 1000);
        EXPECT_EQ(turned->biSizeImage, 4u * 3);
    }
    EXPECT_FALSE(tw::RotatePackedDib(dib.get(), 4));
    EXPECT_FALSE(tw::RotatePackedDib(nullptr, tw::kRotateHalf));
}

}  // namespace

namespace {

TEST(FontQualityRule, AntialiasingSettingAndOutput) {
    tw::FontQualityRule rule;
    rule.setting = 0;
    EXPECT_EQ(rule.Apply(CLEARTYPE_QUALITY), NONANTIALIASED_QUALITY);
    rule.setting = 1;
    EXPECT_EQ(rule.Apply(DEFAULT_QUALITY), ANTIALIASED_QUALITY);
    rule.setting = 2;
    EXPECT_EQ(rule.Apply(DEFAULT_QUALITY), CLEARTYPE_QUALITY);
    rule.setting = 3;
    EXPECT_EQ(rule.Apply(PROOF_QUALITY), PROOF_QUALITY);
    // Any other setting: by output.
    rule.setting = 4;
    rule.outputBits = 1;
    EXPECT_EQ(rule.Apply(CLEARTYPE_QUALITY), NONANTIALIASED_QUALITY);
    rule.outputBits = 24;
    rule.xDpi = 300;
    EXPECT_EQ(rule.Apply(NONANTIALIASED_QUALITY), NONANTIALIASED_QUALITY);
    EXPECT_EQ(rule.Apply(CLEARTYPE_NATURAL_QUALITY), CLEARTYPE_QUALITY);
    EXPECT_EQ(rule.Apply(DEFAULT_QUALITY), ANTIALIASED_QUALITY);
    rule.greyOutput = true;
    rule.outputBits = 8;
    EXPECT_EQ(rule.Apply(CLEARTYPE_QUALITY), ANTIALIASED_QUALITY);
    rule.xDpi = 149;
    EXPECT_EQ(rule.Apply(DRAFT_QUALITY), DRAFT_QUALITY);
}

}  // namespace
