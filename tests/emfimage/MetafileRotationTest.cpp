// Turning page metafiles: the geometry a turn exchanges, and the turned metafile drawn against
// the turned raster of the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "MetafileTestSupport.h"
#include "VectorFixture.h"
#include "emfimage/DibRotation.h"
#include "emfimage/MetafileRotation.h"
#include "job/SettingsNames.h"
#include "portcmd/DevModeLayout.h"

namespace twtest {
namespace {

using tw::dmoff::dmPaperLength;
using tw::dmoff::dmPaperWidth;
using tw::dmoff::dmPrintQuality;
using tw::dmoff::dmYResolution;
using tw::dmoff::PageHeightInPixels;
using tw::dmoff::PageWidthInPixels;

// `r` moved one pixel right and/or down, white coming in.
Raster Shifted(const Raster& r, bool right, bool down) {
    Raster out = r;
    std::fill(out.bits.begin(), out.bits.end(), 0xFF);
    auto set = [&](LONG x, LONG y, bool white) {
        BYTE& b = out.bits[static_cast<size_t>(out.height - 1 - y) * out.RowBytes() + (x >> 3)];
        const BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
        b = white ? (b | bit) : (b & ~bit);
    };
    for (LONG y = 0; y + down < r.height; ++y)
        for (LONG x = 0; x + right < r.width; ++x) set(x + right, y + down, r.Pixel(x, y));
    return out;
}

class MetafileRotation : public ::testing::Test {
protected:
    MetafileRotation() {
        fx.DevMode().Dpi(300, 200);
        page = AsymmetricPage(100, 150);
    }
    tw::VectorSize SizeOf(HENHMETAFILE emf) {
        ENHMETAHEADER h;
        EXPECT_TRUE(tw::ReadEmfHeader(emf, h));
        return tw::EmfFloatPageSize(h);
    }
    RECTL FrameOf(HENHMETAFILE emf) {
        ENHMETAHEADER h;
        EXPECT_TRUE(tw::ReadEmfHeader(emf, h));
        return h.rclFrame;
    }
    VectorFixture fx;
    std::string page;
};

TEST_F(MetafileRotation, HalfTurnKeepsGeometryQuarterTurnsExchangeIt) {
    for (int code : {1, 2, 3}) {
        SCOPED_TRACE(code);
        tw::UniqueEnhMetaFile emf = EmfFromBits(page), annotation = EmfFromBits(page);
        const tw::VectorSize before = SizeOf(emf.get());
        const RECTL frame = FrameOf(emf.get());
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        const tw::TarnwellDEVMODE original = dm;
        tw::VectorSize size = before;
        ASSERT_TRUE(tw::RotateMetafiles(fx.Printer(), fx.Job().GdiMutex(), code, emf, annotation, dm, size));
        ASSERT_TRUE(emf);
        ASSERT_TRUE(annotation);
        const bool quarter = code != 2;
        EXPECT_EQ(size.cx, quarter ? before.cy : before.cx);
        EXPECT_EQ(size.cy, quarter ? before.cx : before.cy);
        const RECTL turned = FrameOf(emf.get());
        const RECTL expected = quarter ? RECTL{frame.top, frame.left, frame.bottom, frame.right} : frame;
        EXPECT_EQ(std::make_pair(turned.right, turned.bottom), std::make_pair(expected.right, expected.bottom));
        EXPECT_EQ(FrameOf(annotation.get()).right, expected.right);
        auto swapped = [&](size_t a, size_t b, auto type) {
            using T = decltype(type);
            return dm.Read<T>(a) == original.Read<T>(quarter ? b : a) && dm.Read<T>(b) == original.Read<T>(quarter ? a : b);
        };
        EXPECT_TRUE(swapped(PageWidthInPixels, PageHeightInPixels, LONG{}));
        EXPECT_TRUE(swapped(dmPaperWidth, dmPaperLength, short{}));
        EXPECT_TRUE(swapped(dmPrintQuality, dmYResolution, short{}));
        EXPECT_NE(original.Read<short>(dmPrintQuality), original.Read<short>(dmYResolution));
        if (!quarter) {
            EXPECT_EQ(std::memcmp(dm.Bytes(), original.Bytes(), tw::kDevModeSize), 0);
        }
    }
}

TEST_F(MetafileRotation, TurnedMetafileDrawsTheTurnedRaster) {
    tw::UniqueEnhMetaFile source = EmfFromBits(page);
    const tw::VectorSize size = SizeOf(source.get());
    const LONG w = static_cast<LONG>(size.cx + 0.5f), h = static_cast<LONG>(size.cy + 0.5f);
    const Raster upright = PlayInto(source.get(), w, h);
    ASSERT_GT(BlackPixels(upright), 10000u);
    tw::UniqueHGlobal dib = PackedDibFromRaster(upright);
    for (int code : {1, 2, 3}) {
        SCOPED_TRACE(code);
        tw::UniqueEnhMetaFile emf = EmfFromBits(page), none;
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::VectorSize turnedSize = size;
        ASSERT_TRUE(tw::RotateMetafiles(fx.Printer(), nullptr, code, emf, none, dm, turnedSize));
        EXPECT_FALSE(none);
        const Raster drawn = PlayInto(emf.get(), static_cast<LONG>(turnedSize.cx + 0.5f),
                                      static_cast<LONG>(turnedSize.cy + 0.5f));
        tw::UniqueHGlobal expected = tw::RotatePackedDib(dib.get(), code);
        // GDI leaves out a rectangle's logical right and bottom edges; where a turn mirrors an
        // axis they become the left or top edge on the device: the drawing sits one pixel on.
        const bool xMirrored = code != 1, yMirrored = code != 3;
        const Raster turned = Shifted(RasterFromPackedDib(expected.get()), xMirrored, yMirrored);
        const size_t diff = DifferentPixels(drawn, turned);
        EXPECT_LT(diff, BlackPixels(upright) / 200) << diff;
        // The other directions are far off, so the comparison can tell turns apart.
        const int other = code == 2 ? 1 : 4 - code;
        tw::UniqueHGlobal wrong = tw::RotatePackedDib(dib.get(), other);
        const Raster wrongRaster = RasterFromPackedDib(wrong.get());
        if (wrongRaster.width == drawn.width) {
            EXPECT_GT(DifferentPixels(drawn, wrongRaster), BlackPixels(upright) / 2);
        }
    }
}

TEST_F(MetafileRotation, CodeComesFromTheSettingOrTheRotatePaperFlag) {
    tw::TarnwellDEVMODE dm = fx.DevMode().Record();
    EXPECT_EQ(tw::PageRotationCode(dm), 0);
    fx.SetPageSettingText(tw::settings::kPageRotation, L"3");
    EXPECT_EQ(tw::PageRotationCode(dm), 3);
    fx.SetPageSettingText(tw::settings::kPageRotation, L"7");
    EXPECT_EQ(tw::PageRotationCode(dm), 0);
    fx.SetPageSettingText(tw::settings::kPageRotation, L"1");
    dm.SetFlag(tw::dmflag::IsRotatePaperEnabled, true);
    EXPECT_EQ(tw::PageRotationCode(dm), 0);  // portrait: the flag overrides the setting
    dm.Write<short>(tw::dmoff::dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(tw::PageRotationCode(dm), 3);

    // A landscape page is turned on a portrait description of the paper, orientation flipped.
    tw::UniqueEnhMetaFile emf = EmfFromBits(page), none;
    tw::VectorSize size = SizeOf(emf.get());
    fx.Dcs().devModes.clear();
    ASSERT_TRUE(tw::RotateMetafiles(fx.Printer(), nullptr, 3, emf, none, dm, size));
    ASSERT_EQ(fx.Dcs().devModes.size(), 1u);
    const tw::TarnwellDEVMODE* used = tw::TarnwellDEVMODE::FromBytes(fx.Dcs().devModes[0].data());
    const tw::TarnwellDEVMODE before = fx.DevMode().Record();
    EXPECT_EQ(used->Read<short>(tw::dmoff::dmOrientation), DMORIENT_PORTRAIT);
    EXPECT_EQ(used->Read<LONG>(PageWidthInPixels), before.Read<LONG>(PageHeightInPixels));
    EXPECT_EQ(used->Read<short>(dmPaperWidth), before.Read<short>(dmPaperLength));
}

}  // namespace
}  // namespace twtest
