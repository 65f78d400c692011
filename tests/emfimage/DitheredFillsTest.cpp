// Dithered fills drawn through the mask against GDI drawing them itself: every corpus page and a
// page of the awkward cases (turned boxes, wide and dashed pens, clips, brush origins, paths,
// other raster operations), pixel for pixel, in one piece and in bands.
#include <gtest/gtest.h>

#include <vector>

#include "MetafileTestSupport.h"
#include "support/EmfCorpus.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "emfimage/DitheredFills.h"
#include "emfimage/PagePlayer.h"

namespace twtest {
namespace {

struct Playback {
    Playback(size_t size, tw::PlaybackBudget& budget) : records(size, budget) {}
    tw::CheckedRecords records;
    tw::DitheredFills* fills = nullptr;
};

int CALLBACK PlayOne(HDC dc, HANDLETABLE* table, const ENHMETARECORD* given, int handles, LPARAM param) {
    auto* p = reinterpret_cast<Playback*>(param);
    const tw::CheckedRecords::Step step = p->records.Next(given, dc);
    if (step == tw::CheckedRecords::Step::Stop) return 0;
    if (step == tw::CheckedRecords::Step::Skip) return 1;
    const ENHMETARECORD* record = p->records.Record();
    if (p->fills) {
        p->fills->Observe(record);
        if (p->fills->Play(dc, table, record, handles)) return 1;
    }
    tw::PlayCheckedRecord(dc, table, record, handles);
    return 1;
}

struct Drawn {
    std::vector<BYTE> rows;  // the bands' device rows, top to bottom
    int taken = 0;           // records drawn through the mask
};

// `emf` on a monochrome page of `width` x `height` drawn in bands of `bandHeight` rows as the
// monitor draws it: window origin down the page, brush origin kept to the page.
Drawn Draw(HENHMETAFILE emf, LONG width, LONG height, LONG bandHeight, bool fast) {
    Drawn out;
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    tw::UniqueGdiObject band(::CreateBitmap(width, bandHeight, 1, 1, nullptr));
    const LONG stride = (width + 15) / 16 * 2;
    for (LONG y = 0; y < height; y += bandHeight) {
        tw::SelectGuard bitmap(dc.get(), band.get());
        tw::SelectGuard white(dc.get(), ::GetStockObject(WHITE_BRUSH));
        ::SetWindowOrgEx(dc.get(), 0, 0, nullptr);
        ::PatBlt(dc.get(), 0, 0, width, bandHeight, PATCOPY);
        ::SetWindowOrgEx(dc.get(), 0, y, nullptr);
        ::SetBrushOrgEx(dc.get(), 0, -y, nullptr);
        tw::PlaybackBudget budget;
        Playback p(::GetEnhMetaFileBits(emf, 0, nullptr), budget);
        tw::DitheredFills fills(dc.get());
        if (fast) p.fills = &fills;
        const RECT rect{0, 0, width - 1, height - 1};
        ::EnumEnhMetaFile(dc.get(), emf, PlayOne, &p, &rect);
        out.taken += fills.Taken();
        std::vector<BYTE> rows(static_cast<size_t>(stride) * bandHeight);
        ::GetBitmapBits(static_cast<HBITMAP>(band.get()), static_cast<LONG>(rows.size()), rows.data());
        out.rows.insert(out.rows.end(), rows.begin(), rows.end());
    }
    return out;
}

size_t DifferentBits(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
    if (a.size() != b.size()) return SIZE_MAX;
    size_t n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += __builtin_popcount(a[i] ^ b[i]);
    return n;
}

TEST(DitheredFills, CorpusPagesComeOutAsGdiDrawsThem) {
    const std::vector<std::wstring> pages = EmfCorpusFiles();
    ASSERT_FALSE(pages.empty());
    int taken = 0, filesTaken = 0;
    struct Shape {
        LONG width, height, band;
    };
    // 300 dpi Letter in one piece; fax resolution in five bands of 431 rows and a sixth of one.
    const Shape shapes[] = {{2550, 3300, 3300}, {1728, 2156, 431}};
    for (const std::wstring& path : pages) {
        tw::UniqueEnhMetaFile emf(::GetEnhMetaFileW(path.c_str()));
        if (!emf) continue;
        int fileTaken = 0;
        for (const Shape& s : shapes) {
            SCOPED_TRACE(tw::ToUtf8(path) + " " + std::to_string(s.width) + " wide");
            const Drawn fast = Draw(emf.get(), s.width, s.height, s.band, true);
            fileTaken += fast.taken;
            if (fast.taken == 0) continue;  // every record went to GDI: nothing to compare
            const Drawn gdi = Draw(emf.get(), s.width, s.height, s.band, false);
            EXPECT_EQ(DifferentBits(gdi.rows, fast.rows), 0u);
        }
        taken += fileTaken;
        filesTaken += fileTaken > 0;
    }
    // The comparison proves something only where fills went through the mask.
    EXPECT_GE(filesTaken, 10) << taken << " fills in " << filesTaken << " files";
    EXPECT_GE(taken, 500);
}

// Solid brushes in colours that dither, with every pen and state a fill can meet.
std::string AwkwardPage() {
    return RecordPage(500, 600, [](HDC dc) {
        const COLORREF greys[] = {RGB(192, 192, 192), RGB(128, 128, 128), RGB(255, 255, 200), RGB(40, 90, 200)};
        auto brush = [&](int i) { return tw::UniqueGdiObject(::CreateSolidBrush(greys[i % 4])); };
        // A plain box, and one with a brush origin of its own.
        tw::UniqueGdiObject b0 = brush(0);
        {
            tw::SelectGuard s(dc, b0.get());
            ::Rectangle(dc, 50, 50, 900, 500);
            ::SetBrushOrgEx(dc, 3, 5, nullptr);
            ::Rectangle(dc, 950, 50, 1700, 500);
            ::SetBrushOrgEx(dc, 0, 0, nullptr);
        }
        // A wide mitred geometric pen (its outline is a region) and a dashed pen on an opaque
        // background in a light colour.
        LOGBRUSH penBrush{BS_SOLID, RGB(100, 100, 100), 0};
        tw::UniqueGdiObject wide(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_JOIN_MITER, 25, &penBrush, 0, nullptr));
        tw::UniqueGdiObject dashed(::CreatePen(PS_DASH, 1, RGB(230, 230, 230)));
        tw::UniqueGdiObject b1 = brush(1), b2 = brush(2), b3 = brush(3);
        {
            tw::SelectGuard p(dc, wide.get());
            tw::SelectGuard s(dc, b1.get());
            ::Rectangle(dc, 80, 600, 800, 1100);
            const POINT star[] = {{1200, 600}, {1400, 1300}, {900, 850}, {1500, 850}, {1000, 1300}};
            ::SetPolyFillMode(dc, ALTERNATE);
            ::Polygon(dc, star, 5);
            tw::SelectGuard d(dc, dashed.get());
            ::SetBkMode(dc, OPAQUE);
            ::SetBkColor(dc, RGB(90, 90, 90));
            tw::SelectGuard s2(dc, b2.get());
            ::Rectangle(dc, 50, 1200, 700, 1700);
            ::SetPolyFillMode(dc, WINDING);
            const POINT two[] = {{800, 1200}, {1600, 1200}, {1600, 1700}, {800, 1700},
                                 {900, 1300}, {1500, 1300}, {1500, 1600}, {900, 1600}};
            const INT counts[] = {4, 4};
            ::PolyPolygon(dc, two, counts, 2);
        }
        // A user-styled pen, a clip with a hole, a turned box.
        const DWORD style[] = {7, 3, 2, 3};
        LOGBRUSH white{BS_SOLID, RGB(255, 255, 255), 0};
        tw::UniqueGdiObject styled(::ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 3, &white, 4, style));
        {
            tw::SelectGuard p(dc, styled.get());
            tw::SelectGuard s(dc, b3.get());
            ::SaveDC(dc);
            ::IntersectClipRect(dc, 100, 1800, 1800, 2400);
            ::ExcludeClipRect(dc, 400, 1900, 700, 2200);
            ::Rectangle(dc, 60, 1750, 1000, 2450);
            ::RestoreDC(dc, -1);
            ::SetGraphicsMode(dc, GM_ADVANCED);
            const XFORM turn{0.8f, 0.6f, -0.6f, 0.8f, 1400.0f, 1700.0f};
            ::SetWorldTransform(dc, &turn);
            ::Rectangle(dc, 0, 0, 400, 300);
            ::ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
        }
        // An ellipse, a rounded box and a pattern blit; blits that are not a plain pattern copy.
        {
            tw::SelectGuard s(dc, b2.get());
            ::Ellipse(dc, 1750, 100, 1880, 900);
            tw::SelectGuard p(dc, wide.get());
            ::RoundRect(dc, 1720, 1000, 1880, 1600, 60, 90);
            ::PatBlt(dc, 1100, 2150, 700, 100, PATCOPY);
            ::PatBlt(dc, 100, 2150, 700, 100, PATINVERT);
            ::PatBlt(dc, 100, 2170, 900, 60, DSTINVERT);
        }
        // Fills GDI must draw: inside a path bracket, and with another raster operation.
        {
            tw::SelectGuard s(dc, b0.get());
            ::BeginPath(dc);
            ::Rectangle(dc, 1100, 2000, 1900, 2400);
            ::EndPath(dc);
            ::FillPath(dc);
            ::SetROP2(dc, R2_XORPEN);
            ::Rectangle(dc, 1000, 1900, 1500, 2300);
            ::SetROP2(dc, R2_COPYPEN);
        }
    });
}

TEST(DitheredFills, AwkwardFillsComeOutAsGdiDrawsThem) {
    tw::UniqueEnhMetaFile emf = EmfFromBits(AwkwardPage());
    ASSERT_TRUE(emf);
    for (LONG band : {2000L, 397L}) {
        SCOPED_TRACE(band);
        const Drawn gdi = Draw(emf.get(), 1700, 2000, band, false);
        const Drawn fast = Draw(emf.get(), 1700, 2000, band, true);
        EXPECT_EQ(DifferentBits(gdi.rows, fast.rows), 0u);
        // Eleven boxes, polygons and blits through the mask (in bands, once for each band a fill
        // reaches); the path, the XOR box and the other blits were left to GDI.
        if (band == 2000) {
            EXPECT_EQ(fast.taken, 11);
        } else {
            EXPECT_GT(fast.taken, 11);
        }
        size_t black = 0;
        for (BYTE b : fast.rows) black += 8 - __builtin_popcount(b);
        EXPECT_GT(black, 100000u);
    }
}

TEST(DitheredFills, LeavesToGdiWhatItCannotDrawTheSame) {
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    EMRRECTANGLE rect{{EMR_RECTANGLE, sizeof(EMRRECTANGLE)}, {0, 0, 120, 120}};
    const auto* record = reinterpret_cast<const ENHMETARECORD*>(&rect);
    tw::UniqueGdiObject grey(::CreateSolidBrush(RGB(128, 128, 128)));
    tw::SelectGuard brush(dc.get(), grey.get());
    HANDLETABLE table{};
    // A 1-bit DIB section keeps its colour table: GDI does not dither on it.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{{sizeof(BITMAPINFOHEADER), 128, 128, 1, 1, BI_RGB}, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    void* bits = nullptr;
    tw::UniqueGdiObject section(
        ::CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        tw::SelectGuard select(dc.get(), section.get());
        tw::DitheredFills fills(dc.get());
        EXPECT_FALSE(fills.Play(dc.get(), &table, record, 1));
    }
    tw::UniqueGdiObject mono(::CreateBitmap(128, 128, 1, 1, nullptr));
    tw::SelectGuard select(dc.get(), mono.get());
    tw::DitheredFills fills(dc.get());
    // A mirrored page, and a fill with another raster operation.
    ::SetLayout(dc.get(), LAYOUT_RTL);
    EXPECT_FALSE(fills.Play(dc.get(), &table, record, 1));
    ::SetLayout(dc.get(), 0);
    ::SetROP2(dc.get(), R2_NOTXORPEN);
    EXPECT_FALSE(fills.Play(dc.get(), &table, record, 1));
    ::SetROP2(dc.get(), R2_COPYPEN);
    EXPECT_EQ(fills.Taken(), 0);
    // The same box on the plain monochrome bitmap is taken.
    EXPECT_TRUE(fills.Play(dc.get(), &table, record, 1));
    EXPECT_EQ(fills.Taken(), 1);
}

}  // namespace
}  // namespace twtest
