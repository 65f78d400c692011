// The record corrections every job DEVMODE goes through, on records built as the driver does.
#include <gtest/gtest.h>

#include "host/DevModeBuilder.h"
#include "job/DevModeCorrection.h"
#include "job/PageSelection.h"
#include "portcmd/DevModeLayout.h"

namespace {

using tw::TarnwellDEVMODE;
namespace dmoff = tw::dmoff;

short Get(const TarnwellDEVMODE& dm, size_t off) { return dm.Read<short>(off); }

// A Letter record whose resolution fields hold exactly x and y, codes included.
TarnwellDEVMODE Record(int x, int y) {
    TarnwellDEVMODE dm = twhost::DevModeBuilder().Record();
    dm.Write<short>(dmoff::dmPrintQuality, static_cast<short>(x));
    dm.Write<short>(dmoff::dmYResolution, static_cast<short>(y));
    return dm;
}

TEST(DevModeCorrection, ResolutionCodesAndClamps) {
    struct Case {
        int x, y, wantX, wantY;
    } cases[] = {{-3, -3, 300, 300}, {-1, -1, 204, 98}, {-2, -2, 204, 196}, {-4, -4, 600, 600},
                 {-6, -6, 300, 300}, {4000, 5000, 3000, 3000}, {200, 100, 200, 100}};
    for (const Case& c : cases) {
        TarnwellDEVMODE dm = Record(c.x, c.y);
        tw::CorrectDevModeGeometry(dm, 7);
        EXPECT_EQ(Get(dm, dmoff::dmPrintQuality), c.wantX) << c.x;
        EXPECT_EQ(Get(dm, dmoff::dmYResolution), c.wantY) << c.x;
    }
}

TEST(DevModeCorrection, LandscapeA4SwapsPaperAndComputesPixels) {
    TarnwellDEVMODE dm = Record(300, 300);
    dm.Write<short>(dmoff::dmOrientation, DMORIENT_LANDSCAPE);
    dm.Write<short>(dmoff::dmPaperWidth, 2100);
    dm.Write<short>(dmoff::dmPaperLength, 2970);
    dm.Write<short>(dmoff::dmScale, 100);
    dm.Write<DWORD>(dmoff::dmFields, DM_PAPERLENGTH | DM_PAPERWIDTH | DM_YRESOLUTION | DM_PRINTQUALITY);
    tw::CorrectDevModeGeometry(dm, 7);
    EXPECT_EQ(Get(dm, dmoff::dmPaperWidth), 2970);
    EXPECT_EQ(Get(dm, dmoff::dmPaperLength), 2100);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 3508);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 2480);
}

TEST(DevModeCorrection, PixelsNeedAllFourFieldBits) {
    TarnwellDEVMODE dm = Record(300, 300);
    dm.Write<LONG>(dmoff::PageWidthInPixels, 11);
    dm.Write<LONG>(dmoff::PageHeightInPixels, 22);
    dm.Write<DWORD>(dmoff::dmFields, DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PRINTQUALITY);
    tw::CorrectDevModeGeometry(dm, 7);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 11);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 22);
}

TEST(DevModeCorrection, FaxOutputResolutions) {
    for (DWORD modeFlag : {DWORD{0}, tw::dmflag::FaxResolutionMode1, tw::dmflag::FaxResolutionMode2,
                           tw::dmflag::FaxResolutionMode3}) {
        TarnwellDEVMODE dm = Record(600, 600);
        dm.SetBits(dmoff::Flags, 4, tw::dmflag::IsFaxOutputEnabled | modeFlag, true);
        tw::CorrectDevModeGeometry(dm, 7);
        bool fine = modeFlag == tw::dmflag::FaxResolutionMode2 || modeFlag == tw::dmflag::FaxResolutionMode3;
        EXPECT_EQ(Get(dm, dmoff::dmPrintQuality), 204);
        EXPECT_EQ(Get(dm, dmoff::dmYResolution), fine ? 98 : 196) << std::hex << modeFlag;
        // Letter at 204 x 196 (or 98): 8.5 in wide, 11 in long.
        EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 1734);
        EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), fine ? 1078 : 2156);
    }
}

TEST(DevModeCorrection, LandscapeFaxExchangesTheResolutions) {
    TarnwellDEVMODE dm = Record(204, 98);
    dm.SetBits(dmoff::Flags, 4, tw::dmflag::IsFaxOutputEnabled | tw::dmflag::FaxResolutionMode2, true);
    dm.Write<short>(dmoff::dmOrientation, DMORIENT_LANDSCAPE);
    tw::CorrectDevModeGeometry(dm, 7);
    // Width (11 in after the swap) at 98 dpi, length (8.5 in) at 204 dpi.
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 1078);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 1734);
}

TEST(DevModeCorrection, FormatBoundFlags) {
    TarnwellDEVMODE dm = Record(300, 300);
    dm.SetBits(dmoff::AnnotationOptions, 4, 0x3, true);
    dm.SetBits(dmoff::WatermarkFlags, 4, 0x3, true);
    dm.SetBits(dmoff::CoverPageOptions, 1, 0x41, true);
    dm.SetBits(dmoff::Flags, 4, tw::dmflag::BatesNumberingEnabled | tw::dmflag::IsReverseBitOrderEnabled, true);
    TarnwellDEVMODE d18 = dm;
    tw::CorrectDevModeGeometry(d18, 18);
    EXPECT_EQ(d18.Read<DWORD>(dmoff::AnnotationOptions), 0x2u);
    EXPECT_EQ(d18.Read<DWORD>(dmoff::WatermarkFlags), 0x2u);
    EXPECT_EQ(d18.Read<BYTE>(dmoff::CoverPageOptions), 0x40);
    EXPECT_FALSE(d18.HasFlag(tw::dmflag::BatesNumberingEnabled));

    TarnwellDEVMODE d21 = Record(300, 300), d22 = dm, d30 = dm;
    tw::CorrectDevModeGeometry(d21, 21);
    EXPECT_TRUE(d21.HasFlag(tw::dmflag::IsPageNumberingEnabled) && d21.HasFlag(tw::dmflag::IsReverseBitOrderEnabled));
    tw::CorrectDevModeGeometry(d22, 22);
    EXPECT_TRUE(d22.HasFlag(tw::dmflag::IsPageNumberingEnabled));
    EXPECT_FALSE(d22.HasFlag(tw::dmflag::IsReverseBitOrderEnabled));
    tw::CorrectDevModeGeometry(d30, 30);
    EXPECT_FALSE(d30.HasFlag(tw::dmflag::IsReverseBitOrderEnabled));
    EXPECT_TRUE(d30.HasFlag(tw::dmflag::BatesNumberingEnabled));
}

TEST(DevModeCorrection, SwapTwiceRestores) {
    twhost::DevModeBuilder b;
    b.Landscape(true);
    TarnwellDEVMODE dm = b.Record(), before = dm;
    tw::SwapLandscapeWidthHeight(dm);
    EXPECT_NE(0, memcmp(dm.Bytes(), before.Bytes(), tw::kDevModeSize));
    tw::SwapLandscapeWidthHeight(dm);
    EXPECT_EQ(0, memcmp(dm.Bytes(), before.Bytes(), tw::kDevModeSize));
}

TEST(PageSelection, NumbersRangesAndJunk) {
    tw::PageSelection sel;
    sel.Parse(L"1, 3-5,x9,,7-6, 12a");
    EXPECT_TRUE(sel.Active());
    EXPECT_EQ(sel.Pages(), (std::vector<DWORD>{1, 3, 4, 5, 6, 7, 9, 12}));
    EXPECT_EQ(sel.Lowest(), 1u);
    EXPECT_EQ(sel.Highest(), 12u);
    EXPECT_TRUE(sel.Contains(4));
    EXPECT_FALSE(sel.Contains(2));

    sel.Parse(L"pages");
    EXPECT_FALSE(sel.Active());
    // A huge range is bounded instead of exhausting memory.
    sel.Parse(L"1-999999999");
    EXPECT_TRUE(sel.Active());
    EXPECT_LE(sel.Pages().size(), 100001u);
    sel.Parse(L"0,-,5-");
    EXPECT_FALSE(sel.Active());
}

}  // namespace
