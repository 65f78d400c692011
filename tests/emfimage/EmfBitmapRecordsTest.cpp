// Records that carry bitmaps, counted arrays and brush patterns: each offset, size and count is
// checked against the record, and a page with such a record damaged still renders, the record
// skipped (GDI's player would read far outside the record and take the spooler down).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "emfimage/EmfBitmapRecords.h"
#include "emfimage/EmfRecordCheck.h"
#include "host/PageDamage.h"
#include "support/RenderFixture.h"
#include "support/TestSupport.h"

namespace {

using tw::EmfRecordVerdict;
using Bytes = std::vector<BYTE>;

constexpr DWORD kSlot = 1;

// Sample kinds of twhost::MakeSampleRecord that carry a bitmap, with where their first
// bitmap's offBmi lies (cbBmi, offBits and cbBits follow it).
struct BitmapSample {
    uint32_t kind;
    DWORD type;
    size_t offBmi;
};
const BitmapSample kBitmapSamples[] = {
    {0, EMR_STRETCHDIBITS, 48}, {1, EMR_SETDIBITSTODEVICE, 48}, {2, EMR_BITBLT, 84}, {3, EMR_STRETCHBLT, 84},
    {4, EMR_ALPHABLEND, 84},    {5, EMR_TRANSPARENTBLT, 84},    {6, EMR_MASKBLT, 84}, {7, EMR_PLGBLT, 96},
    {8, EMR_CREATEDIBPATTERNBRUSHPT, 16}, {9, EMR_CREATEMONOBRUSH, 16}, {10, EMR_EXTCREATEPEN, 12},
};

DWORD Get(const Bytes& b, size_t at) {
    DWORD v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void Put(Bytes& b, size_t at, DWORD v) { std::memcpy(b.data() + at, &v, 4); }

// A page of 2 handle slots: the header, the records, EOF.
Bytes Page(const Bytes& records) {
    constexpr size_t kHeader = 88, kEof = 20;
    Bytes page(kHeader + records.size() + kEof, 0);
    Put(page, 0, EMR_HEADER);
    Put(page, 4, kHeader);
    Put(page, 32, 21590), Put(page, 36, 27940);  // rclFrame: Letter
    Put(page, 40, 0x464D4520);
    Put(page, 48, static_cast<DWORD>(page.size()));
    Put(page, 56, 2);                            // nHandles
    Put(page, 72, 850), Put(page, 76, 1100), Put(page, 80, 216), Put(page, 84, 279);  // device, mm
    if (!records.empty()) std::memcpy(page.data() + kHeader, records.data(), records.size());
    const size_t eof = kHeader + records.size();
    Put(page, eof, EMR_EOF), Put(page, eof + 4, kEof), Put(page, eof + 12, 16), Put(page, eof + 16, kEof);
    return page;
}

// The verdict on the first record after the header.
EmfRecordVerdict FirstVerdict(const Bytes& records) {
    const Bytes page = Page(records);
    const tw::EmfWalkResult walk = tw::WalkEmfRecords(page.data(), page.size());
    return walk.verdicts.size() > 1 ? walk.verdicts[1] : EmfRecordVerdict::BadSize;
}

// Only the first record of a sample (some add a select and a drawing after it).
Bytes FirstRecord(uint32_t kind) {
    Bytes b = twhost::MakeSampleRecord(kind, kSlot);
    b.resize(Get(b, 4));
    return b;
}

TEST(EmfBitmapRecords, GoodBitmapRecordsAreSafe) {
    for (uint32_t kind = 0; !twhost::MakeSampleRecord(kind, kSlot).empty(); ++kind) {
        SCOPED_TRACE(kind);
        const Bytes page = Page(twhost::MakeSampleRecord(kind, kSlot));
        const tw::EmfWalkResult walk = tw::WalkEmfRecords(page.data(), page.size());
        EXPECT_TRUE(walk.reachedEof);
        EXPECT_EQ(walk.UnsafeCount(), 0u);
    }
}

TEST(EmfBitmapRecords, EveryOffsetAndSizeIsCheckedAgainstTheRecord) {
    for (const BitmapSample& s : kBitmapSamples) {
        SCOPED_TRACE(s.type);
        const Bytes good = FirstRecord(s.kind);
        ASSERT_EQ(Get(good, 0), s.type);
        const DWORD size = Get(good, 4);
        const DWORD offBmi = Get(good, s.offBmi), cbBits = Get(good, s.offBmi + 12);
        struct Lie {
            size_t at;
            DWORD value;
        };
        const Lie lies[] = {
            {s.offBmi, 0x7FFFFFF0},           // header far past the record (the crash of the report)
            {s.offBmi, size - 8},             // header starting inside the record, running out of it
            {s.offBmi, 4},                    // header overlapping the record's own size field
            {s.offBmi + 4, 0xFFFFFFF8},       // header size wrapping round
            {s.offBmi + 4, 12},               // colour table cut off from its header
            {s.offBmi + 8, size},             // bits right after the record
            {s.offBmi + 8, 0x80000000},
            {s.offBmi + 12, cbBits - 4},      // one row short of what the header claims
            {s.offBmi + 12, 0xFFFFFFFF},
            {offBmi + 4, 0x7FFFFFFF},         // biWidth: rows far longer than the bits
            {offBmi + 8, 0x80000000},         // biHeight: the one height that has no size
            {offBmi + 16, BI_JPEG},           // a compression GDI does not draw
            {offBmi + 0, 0xFFFF},             // biSize GDI would step over to find the colours
            {offBmi + 32, 300},               // biClrUsed: a table larger than any palette
        };
        for (const Lie& lie : lies) {
            SCOPED_TRACE(lie.at);
            Bytes bad = good;
            Put(bad, lie.at, lie.value);
            EXPECT_EQ(FirstVerdict(bad), EmfRecordVerdict::BadBitmap);
        }
        // More rows than the bits hold (SETDIBITSTODEVICE too: recorded into a metafile it is
        // copied whole, whatever scan lines it sets).
        Bytes tall = good;
        Put(tall, offBmi + 8, 4096);
        EXPECT_EQ(FirstVerdict(tall), EmfRecordVerdict::BadBitmap);
    }
}

TEST(EmfBitmapRecords, ABlitRecordedIntoAMetafileReadsOnlyInsideItsBitmap) {
    // Played onto a page, a blit's source rectangle is clipped to its bitmap; recorded into a
    // metafile (the page transforms) it is copied out row by row as the record says.
    Bytes blit = FirstRecord(2);  // BITBLT of an 8 x 8 bitmap onto 100 x 100
    EXPECT_EQ(FirstVerdict(blit), EmfRecordVerdict::Safe);
    EXPECT_FALSE(tw::BlitSourceInsideBitmap(blit.data(), static_cast<DWORD>(blit.size())));
    Put(blit, 32, 8), Put(blit, 36, 8);  // cxDest, cyDest: the source extent of a BITBLT
    EXPECT_TRUE(tw::BlitSourceInsideBitmap(blit.data(), static_cast<DWORD>(blit.size())));
    for (DWORD xSrc : {DWORD(-3), DWORD(1), DWORD(0x7FFFFFFF)}) {
        Bytes moved = blit;
        Put(moved, 44, xSrc);
        EXPECT_FALSE(tw::BlitSourceInsideBitmap(moved.data(), static_cast<DWORD>(moved.size())));
    }
    Bytes stretch = FirstRecord(3);  // STRETCHBLT of its whole 8 x 8 bitmap
    EXPECT_TRUE(tw::BlitSourceInsideBitmap(stretch.data(), static_cast<DWORD>(stretch.size())));
    Put(stretch, 104, 0x10000);  // cySrc
    EXPECT_FALSE(tw::BlitSourceInsideBitmap(stretch.data(), static_cast<DWORD>(stretch.size())));
    // Without a source a BITBLT is a pattern fill of any size.
    Bytes fill = FirstRecord(2);
    Put(fill, 84, 0), Put(fill, 32, 0x40000000);
    EXPECT_EQ(FirstVerdict(fill), EmfRecordVerdict::Safe);
    EXPECT_TRUE(tw::BlitSourceInsideBitmap(fill.data(), static_cast<DWORD>(fill.size())));
}

TEST(EmfBitmapRecords, BrushesAndPensNeverPassARecordFieldAsAnAddress) {
    // CREATEBRUSHINDIRECT: a DIB pattern's hatch field is a pointer to GDI.
    const Bytes brush = twhost::MakeSampleRecord(19, kSlot);
    Bytes dibBrush(brush.begin(), brush.begin() + 24);
    Put(dibBrush, 12, BS_DIBPATTERNPT);
    Put(dibBrush, 20, 0x12345678);
    EXPECT_EQ(FirstVerdict(dibBrush), EmfRecordVerdict::BadBitmap);
    Put(dibBrush, 12, BS_HATCHED);  // the same field is a pattern index for a hatch
    EXPECT_EQ(FirstVerdict(dibBrush), EmfRecordVerdict::BadBitmap);
    Put(dibBrush, 20, HS_DIAGCROSS);
    EXPECT_EQ(FirstVerdict(dibBrush), EmfRecordVerdict::Safe);

    // EXTCREATEPEN with a pattern needs its bitmap; style entries must lie inside it.
    Bytes pen = FirstRecord(10);
    EXPECT_EQ(FirstVerdict(pen), EmfRecordVerdict::Safe);
    Bytes noBitmap = pen;
    Put(noBitmap, 12, 0), Put(noBitmap, 16, 0);
    EXPECT_EQ(FirstVerdict(noBitmap), EmfRecordVerdict::BadBitmap);
    Bytes entries = pen;
    Put(entries, 48, 1000);
    EXPECT_EQ(FirstVerdict(entries), EmfRecordVerdict::BadBitmap);
    Bytes indexed = pen;
    Put(indexed, 36, BS_INDEXED);
    EXPECT_EQ(FirstVerdict(indexed), EmfRecordVerdict::BadBitmap);
}

TEST(EmfBitmapRecords, CountedArraysStayInsideTheRecord) {
    Bytes poly = twhost::MakeSampleRecord(12, kSlot);  // POLYLINE16 of 4 points
    EXPECT_EQ(FirstVerdict(poly), EmfRecordVerdict::Safe);
    Put(poly, 24, 0x10000000);
    EXPECT_EQ(FirstVerdict(poly), EmfRecordVerdict::BadArray);

    Bytes polyPoly = twhost::MakeSampleRecord(18, kSlot);  // two triangles of 6 points
    EXPECT_EQ(FirstVerdict(polyPoly), EmfRecordVerdict::Safe);
    Put(polyPoly, 32, 5);  // counts 5 + 3 name more points than the 6 carried
    EXPECT_EQ(FirstVerdict(polyPoly), EmfRecordVerdict::BadArray);

    Bytes region = twhost::MakeSampleRecord(14, kSlot);  // EXTSELECTCLIPRGN of 2 rectangles
    EXPECT_EQ(FirstVerdict(region), EmfRecordVerdict::Safe);
    Put(region, 16 + 8, 3);  // nCount
    EXPECT_EQ(FirstVerdict(region), EmfRecordVerdict::BadArray);

    Bytes gradient = twhost::MakeSampleRecord(15, kSlot);
    EXPECT_EQ(FirstVerdict(gradient), EmfRecordVerdict::Safe);
    Put(gradient, Get(gradient, 4) - 4, 2);  // the mesh names a third vertex of two
    EXPECT_EQ(FirstVerdict(gradient), EmfRecordVerdict::BadArray);

    // A colour space record of 12 bytes: GDI's player reads a whole LOGCOLORSPACE from it.
    const Bytes colourSpace = {EMR_CREATECOLORSPACE, 0, 0, 0, 12, 0, 0, 0, kSlot, 0, 0, 0};
    EXPECT_EQ(FirstVerdict(colourSpace), EmfRecordVerdict::TooShortForType);
}

class BitmapRecordPages : public ::testing::Test {
protected:
    // Renders an EMF page at 100 dpi; the page DIB as a raster (empty when it failed).
    twtest::Raster Render(const Bytes& page, BOOL* ok = nullptr) {
        fx.DevMode().Dpi(100, 100);
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(std::string(page.begin(), page.end())));
        tw::CEMFImage image(&fx.Job());
        image.SetPlaybackLimits(limits);
        const BOOL result = image.Create(block.get(), page.size(), dm);
        if (ok) *ok = result;
        playback = image.Playback();
        return image.PageDib() ? twtest::RasterFromPackedDib(image.PageDib()) : twtest::Raster{};
    }
    static size_t Ink(const twtest::Raster& r) {
        size_t black = 0;
        for (LONG y = 0; y < r.height; ++y)
            for (LONG x = 0; x < r.width; ++x) black += !r.Pixel(x, y);
        return black;
    }
    twtest::RenderFixture fx;
    tw::PlaybackLimits limits;
    tw::PlaybackStats playback;
};

TEST_F(BitmapRecordPages, ABitmapHeaderPastTheRecordIsSkippedAndThePageRenders) {
    Bytes stretch = FirstRecord(0);
    Put(stretch, 48, 0x7FFFFFF0);  // offBmiSrc
    const Bytes rectangle = {EMR_RECTANGLE, 0, 0, 0, 24, 0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 0, 60, 0, 0, 0, 60, 0, 0, 0};
    Bytes records = stretch;
    records.insert(records.end(), rectangle.begin(), rectangle.end());
    BOOL ok = FALSE;
    const twtest::Raster page = Render(Page(records), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(playback.skipped, 1);  // the bitmap record (a small 1-bit page is one band)
    EXPECT_GT(Ink(page), 100u);      // the rectangle after it was drawn
}

TEST_F(BitmapRecordPages, AColourTableCutShortIsPlayedWhole) {
    // An 8-bit STRETCHDIBITS whose table stops after 2 of its 256 colours: GDI would read the
    // other 254 past the record; the record is played from a copy with the table made whole.
    Bytes stretch = FirstRecord(1);  // SETDIBITSTODEVICE of an 8-bit 16 x 8 bitmap, table of 256
    const DWORD offBmi = Get(stretch, 48), offBits = Get(stretch, 56), cbBits = Get(stretch, 60);
    Bytes cut(stretch.begin(), stretch.begin() + offBmi + 40 + 2 * 4);
    cut.insert(cut.end(), stretch.begin() + offBits, stretch.begin() + offBits + cbBits);
    Put(cut, 4, static_cast<DWORD>(cut.size()));
    Put(cut, 52, 40 + 2 * 4);                 // cbBmi
    Put(cut, 56, offBmi + 40 + 2 * 4);        // offBits
    EXPECT_EQ(FirstVerdict(cut), EmfRecordVerdict::ShortColourTable);
    BOOL ok = FALSE;
    const twtest::Raster page = Render(Page(cut), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(playback.skipped, 0);
    EXPECT_GT(Ink(page), 10u);  // black from the two colours there are and the missing ones
}

TEST_F(BitmapRecordPages, APatternPenIsMadeFromTheBitmapItCarries) {
    // GDI's player would take the hatch field for the pattern's address.
    Bytes pen = twhost::MakeSampleRecord(10, kSlot);
    Put(pen, 44, 0x7FFF0000);
    const Bytes move = {EMR_MOVETOEX, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 0};
    Bytes records = move;
    records.insert(records.end(), pen.begin(), pen.end());
    BOOL ok = FALSE;
    const twtest::Raster page = Render(Page(records), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(playback.skipped, 0);
    EXPECT_GT(Ink(page), 100u);  // the 5-pixel patterned line
}

// A record of `type` with these 32-bit fields.
Bytes Record(DWORD type, std::initializer_list<LONG> fields) {
    Bytes r(8 + 4 * fields.size(), 0);
    Put(r, 0, type);
    Put(r, 4, static_cast<DWORD>(r.size()));
    size_t at = 8;
    for (LONG f : fields) Put(r, at, static_cast<DWORD>(f)), at += 4;
    return r;
}

TEST_F(BitmapRecordPages, ShapesPensFontsAndBlitsBeyondAnyPageAreSkipped) {
    // Each of these makes GDI crash, or work for minutes and gigabytes, on its own.
    const LONG g = 1 << 30;
    const std::vector<Bytes> giants = {
        Record(EMR_ARC, {-1000000, -1000000, 1000000, 1000000, 0, 0, 100, 100}),
        Record(EMR_ANGLEARC, {0, 0, 0x40000000, 0, 0x43B40000 /* 360.0f */}),
        Record(EMR_POLYGON, {0, 0, 0, 0, 4, -g, -g, g, -g + 5, g, g, -g, g - 5}),
        Record(EMR_ELLIPSE, {-g, -g, g, g}),
    };
    Bytes records;
    for (const Bytes& r : giants) records.insert(records.end(), r.begin(), r.end());
    // A pen 100 000 pixels wide and a font 20 000 pixels high, each selected and used.
    for (const Bytes& r : {Record(EMR_CREATEPEN, {1, PS_SOLID, 100000, 0, 0}), Record(EMR_SELECTOBJECT, {1}),
                           Record(EMR_MOVETOEX, {0, 0}), Record(EMR_LINETO, {500, 100}),
                           Record(EMR_SELECTOBJECT, {LONG(0x80000000 | BLACK_PEN)}), Record(EMR_DELETEOBJECT, {1})})
        records.insert(records.end(), r.begin(), r.end());
    Bytes text = twhost::MakeSampleRecord(17, kSlot);  // EXTCREATEFONTINDIRECTW, select, EXTTEXTOUTW
    Put(text, 12, static_cast<DWORD>(-20000));  // lfHeight
    records.insert(records.end(), text.begin(), text.end());
    // Blits whose destination ends 2^31 pixels away: GDI's 32-bit stretch arithmetic divides by zero.
    Bytes stretch = FirstRecord(3);
    Put(stretch, 36, 0x7FFFFFF0);  // cyDest
    Bytes dib = FirstRecord(0);
    Put(dib, 72, 0x7FFFFFF0);  // cxDest
    for (const Bytes* r : {&stretch, &dib}) records.insert(records.end(), r->begin(), r->end());
    const Bytes rectangle = Record(EMR_RECTANGLE, {10, 10, 60, 60});
    records.insert(records.end(), rectangle.begin(), rectangle.end());
    BOOL ok = FALSE;
    const twtest::Raster page = Render(Page(records), &ok);
    ASSERT_TRUE(ok);
    // The four shapes, the line of the wide pen, the text and the two blits.
    EXPECT_EQ(playback.skipped, 8);
    EXPECT_GT(Ink(page), 100u);
}

TEST_F(BitmapRecordPages, SavedStatesNestNoDeeperThanTheLimit) {
    Bytes records;
    const Bytes save = {EMR_SAVEDC, 0, 0, 0, 8, 0, 0, 0};
    for (int i = 0; i < 3000; ++i) records.insert(records.end(), save.begin(), save.end());
    BOOL ok = FALSE;
    Render(Page(records), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(playback.skipped, 3000 - tw::PlaybackLimits::kDefaultSavedDcDepth);
}

TEST_F(BitmapRecordPages, APageBeyondItsPlaybackBudgetFailsWithAnError) {
    limits.records = 10;  // the page below plays 12 records
    Bytes records;
    const Bytes line = {EMR_LINETO, 0, 0, 0, 16, 0, 0, 0, 100, 0, 0, 0, 100, 0, 0, 0};
    for (int i = 0; i < 10; ++i) records.insert(records.end(), line.begin(), line.end());
    BOOL ok = TRUE;
    Render(Page(records), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(playback.exhausted);
    EXPECT_TRUE(fx.Job().HasError());
    EXPECT_NE(fx.Job().StatusText().find(L"55"), std::wstring::npos);
}

}  // namespace
