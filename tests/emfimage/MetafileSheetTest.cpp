// Pages per sheet for metafiles: each page lands in its cell, with border, mirroring, a turned
// sheet, and the first page's geometry for the whole sheet.
#include <gtest/gtest.h>

#include <cstdlib>

#include "MetafileTestSupport.h"
#include "VectorFixture.h"
#include "emfimage/MetafileSheet.h"
#include "emfimage/PagesPerSheet.h"
#include "portcmd/DevModeLayout.h"

namespace twtest {
namespace {

constexpr int kBorder = tw::PagesPerSheet::kBorderWidth;

std::string BlackPage(int widthMm, int heightMm) {
    return RecordPage(widthMm, heightMm, [](HDC dc) {
        ::PatBlt(dc, 0, 0, ::GetDeviceCaps(dc, HORZRES) * 4, ::GetDeviceCaps(dc, VERTRES) * 4, BLACKNESS);
    });
}

// A black block in the page's upper left quarter only.
std::string MarkedPage(int widthMm, int heightMm) {
    return RecordPage(widthMm, heightMm, [&](HDC dc) {
        const int w = widthMm * ::GetDeviceCaps(dc, HORZRES) / ::GetDeviceCaps(dc, HORZSIZE);
        const int h = heightMm * ::GetDeviceCaps(dc, VERTRES) / ::GetDeviceCaps(dc, VERTSIZE);
        ::PatBlt(dc, 0, 0, w / 4, h / 4, BLACKNESS);
    });
}

void ExpectNear(const RECT& got, const RECT& want, int slack) {
    EXPECT_LE(std::abs(got.left - want.left), slack) << got.left << " vs " << want.left;
    EXPECT_LE(std::abs(got.top - want.top), slack) << got.top << " vs " << want.top;
    EXPECT_LE(std::abs(got.right - want.right), slack) << got.right << " vs " << want.right;
    EXPECT_LE(std::abs(got.bottom - want.bottom), slack) << got.bottom << " vs " << want.bottom;
}

class MetafileSheet : public ::testing::Test {
protected:
    struct Placed {
        tw::UniqueEnhMetaFile page, annotation;
        tw::VectorSize size;
        tw::TarnwellDEVMODE dm;
    };
    Placed Place(const std::string& bits, DWORD index, bool withAnnotation = false) {
        Placed p;
        p.page = EmfFromBits(bits);
        if (withAnnotation) p.annotation = EmfFromBits(bits);
        ENHMETAHEADER h;
        tw::ReadEmfHeader(p.page.get(), h);
        p.size = tw::EmfFloatPageSize(h);
        p.dm = dm;
        EXPECT_TRUE(tw::PlaceMetafilesOnSheet(fx.Printer(), nullptr, fx.Job().Sheet(), index, p.page, p.annotation,
                                              p.dm, p.size));
        return p;
    }
    VectorFixture fx;
    tw::TarnwellDEVMODE dm = fx.DevMode().Record();
};

TEST_F(MetafileSheet, EachPageFillsItsCellWithItsBorder) {
    fx.Job().Sheet().Configure(4, false, true, 100, 50);
    const std::string page = BlackPage(200, 300);
    const tw::SheetLayout& layout = fx.Job().Sheet().Layout();
    for (DWORD i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        Placed p = Place(page, i, true);
        ASSERT_TRUE(p.page);
        ASSERT_TRUE(p.annotation);
        const int w = static_cast<int>(p.size.cx + 0.5f), h = static_cast<int>(p.size.cy + 0.5f);
        const tw::SheetCell cell = layout.CellFor(static_cast<int>(i), w, h, w, h);
        const Raster sheet = PlayInto(p.page.get(), w, h);
        // The border pen's inside frame is GDI's to round: a few pixels either way.
        ExpectNear(BlackBounds(sheet),
                   RECT{cell.left - kBorder, cell.top - kBorder, cell.left + cell.width + kBorder,
                        cell.top + cell.height + kBorder},
                   4);
        // A border of its width just outside the cell, white beyond it.
        const LONG midY = cell.top + cell.height / 2;
        int border = 0;
        for (LONG x = cell.left - kBorder - 3; x < cell.left; ++x) border += !sheet.Pixel(x, midY);
        EXPECT_EQ(border, kBorder);
        EXPECT_TRUE(sheet.Pixel(cell.left - kBorder - 4, midY));
        // The annotation metafile lands in the same cell, without a border.
        ExpectNear(BlackBounds(PlayInto(p.annotation.get(), w, h)),
                   RECT{cell.left, cell.top, cell.left + cell.width, cell.top + cell.height}, 2);
    }
}

TEST_F(MetafileSheet, MirroringFlipsThePageInsideItsCell) {
    fx.Job().Sheet().Configure(4, false, false, 100, 50);
    const std::string page = MarkedPage(200, 300);
    const tw::SheetLayout& layout = fx.Job().Sheet().Layout();
    struct Case {
        DWORD flags;
        bool right, bottom;
    };
    for (const Case c : {Case{0, false, false}, Case{tw::dmflag::MirrorHorizontal, true, false},
                         Case{tw::dmflag::MirrorVertical, false, true},
                         Case{tw::dmflag::MirrorHorizontal | tw::dmflag::MirrorVertical, true, true}}) {
        SCOPED_TRACE(c.flags);
        dm = fx.DevMode().Record();
        dm.SetFlag(c.flags, true);
        Placed p = Place(page, 0);
        const int w = static_cast<int>(p.size.cx + 0.5f), h = static_cast<int>(p.size.cy + 0.5f);
        const tw::SheetCell cell = layout.CellFor(0, w, h, w, h);
        const RECT mark = BlackBounds(PlayInto(p.page.get(), w, h));
        const int qw = cell.width / 4, qh = cell.height / 4;
        const int left = c.right ? cell.left + cell.width - qw : cell.left;
        const int top = c.bottom ? cell.top + cell.height - qh : cell.top;
        ExpectNear(mark, RECT{left, top, left + qw, top + qh}, 3);
    }
}

TEST_F(MetafileSheet, TurnedSheetTakesTheFirstPagesGeometry) {
    fx.Job().Sheet().Configure(2, false, false, 100, 50);
    const std::string page = BlackPage(200, 300);
    const tw::TarnwellDEVMODE original = dm;
    Placed first = Place(page, 0);
    // Two portrait pages side by side: the sheet is landscape.
    EXPECT_GT(first.size.cx, first.size.cy);
    EXPECT_EQ(first.dm.Read<LONG>(tw::dmoff::PageWidthInPixels), original.Read<LONG>(tw::dmoff::PageHeightInPixels));
    EXPECT_EQ(first.dm.Read<short>(tw::dmoff::dmPrintQuality), original.Read<short>(tw::dmoff::dmYResolution));
    ENHMETAHEADER h;
    ASSERT_TRUE(tw::ReadEmfHeader(first.page.get(), h));
    EXPECT_EQ(h.rclFrame.right, 30000);
    EXPECT_EQ(h.rclFrame.bottom, 20000);

    // The second page of the sheet comes with other geometry: the sheet's is put back first.
    dm.Write<LONG>(tw::dmoff::PageWidthInPixels, 1234);
    dm.Write<short>(tw::dmoff::dmPaperSize, DMPAPER_A3);
    Placed second = Place(page, 1);
    EXPECT_EQ(second.dm.Read<LONG>(tw::dmoff::PageWidthInPixels), first.dm.Read<LONG>(tw::dmoff::PageWidthInPixels));
    EXPECT_EQ(second.dm.Read<short>(tw::dmoff::dmPaperSize), original.Read<short>(tw::dmoff::dmPaperSize));
    EXPECT_EQ(second.size.cx, first.size.cx);
    const int w = static_cast<int>(second.size.cx + 0.5f), hh = static_cast<int>(second.size.cy + 0.5f);
    const RECT right = BlackBounds(PlayInto(second.page.get(), w, hh));
    EXPECT_GT(right.left, w / 2);  // the second cell is the right half

    // The next sheet starts over with its own first page.
    dm.Write<LONG>(tw::dmoff::PageWidthInPixels, 4321);
    Placed third = Place(page, 2);
    EXPECT_EQ(third.dm.Read<LONG>(tw::dmoff::PageHeightInPixels), 4321);
}

}  // namespace
}  // namespace twtest
