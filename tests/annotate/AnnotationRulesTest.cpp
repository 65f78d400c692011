// The arithmetic of the annotations: rotated-text placement, offset units, token expansion,
// the DEVMODE annotation's line, the lightening of pictures and their placement codes.
#include <gtest/gtest.h>

#include <cstring>

#include "annotate/MetafileWatermark.h"
#include "annotate/TextAnnotations.h"
#include "annotate/TextPlacement.h"
#include "annotate/TokenExpansion.h"
#include "annotate/WatermarkPicture.h"
#include "emfimage/PackedDib.h"
#include "host/DevModeBuilder.h"
#include "job/SettingsStore.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "support/TestSupport.h"

namespace {

using namespace tw;

TEST(TextPlacement, RotatedTextReachesAsItsAngleSays) {
    const SIZE text{200, 30};
    // Upright: nothing to the left, the height above the drawing point.
    RotatedExtents e = ComputeRotatedExtents(text, 0);
    EXPECT_EQ(e.left, 0);
    EXPECT_EQ(e.right, 200);
    EXPECT_EQ(e.up, 30);
    EXPECT_EQ(e.down, 0);
    // A quarter turn in the top-left position starts cy pixels from the left edge.
    e = ComputeRotatedExtents(text, 90);
    EXPECT_EQ(ReferencePoint(0, e, 1000, 800).x, 30);
    EXPECT_EQ(ReferencePoint(0, e, 1000, 800).y, 200);
    // -90 is 270; 450 is 90.
    EXPECT_EQ(NormaliseDegrees(-90), 270);
    EXPECT_EQ(NormaliseDegrees(450), 90);
    e = ComputeRotatedExtents(text, 270);
    EXPECT_EQ(e.right, 30);
    EXPECT_EQ(e.down, 200);
    // Positions: bottom right and centre, and an unknown one at the origin.
    e = ComputeRotatedExtents(text, 0);
    EXPECT_EQ(ReferencePoint(4, e, 1000, 800).x, 800);
    EXPECT_EQ(ReferencePoint(4, e, 1000, 800).y, 800);
    EXPECT_EQ(ReferencePoint(2, e, 1000, 800).x, 400);
    EXPECT_EQ(ReferencePoint(2, e, 1000, 800).y, 415);
    EXPECT_EQ(ReferencePoint(7, e, 1000, 800).x, 0);
}

TEST(TextPlacement, OffsetsInEveryUnit) {
    const LONG ppm300 = PelsPerMetre(300);
    EXPECT_EQ(ppm300, 11811);
    EXPECT_EQ(OffsetToPixels(254, 0, ppm300, false), 299);  // 25.4 mm at 300 dpi, truncated
    EXPECT_EQ(OffsetToPixels(100, 1, ppm300, false), 300);  // an inch
    EXPECT_EQ(OffsetToPixels(17, 2, ppm300, false), 17);
    EXPECT_EQ(OffsetToPixels(17, 9, ppm300, false), 17);
    EXPECT_EQ(OffsetToPixels(17, 9, ppm300, true), 0);  // Bates: no offset in an unknown unit
    EXPECT_EQ(OffsetToPixels(50, 1, PelsPerMetre(204), false), 102);
}

class TokenExpansion : public ::testing::Test {
protected:
    TokenExpansion() : printer(twtest::UniqueName(L"Tokens")), builder(printer) { dm = builder.Record(); }
    ~TokenExpansion() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER,
                         (std::wstring(settings::kRoot) + L"\\" + settings::PrinterRegistryName(&dm)).c_str());
    }
    AnnotationContext Context() {
        AnnotationContext ctx;
        ctx.dm = &dm;
        ctx.environment = &env;
        ctx.documentName = L"Report";
        ctx.printerName = printer;
        ctx.pageNumber = 3;
        ctx.printingTime = SYSTEMTIME{2026, 3, 0, 7, 14, 5, 9, 0};
        return ctx;
    }
    void SetGroupText(const wchar_t* group, const wchar_t* name, const wchar_t* value) {
        const std::wstring key = settings::GroupPath(&dm, settings::kRoot, group);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value,
                          static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    std::wstring printer;
    twhost::DevModeBuilder builder;
    TarnwellDEVMODE dm;
    JobEnvironment env{L"alice", L"CORP", L"PC7", L"10.0.0.7", L""};
};

TEST_F(TokenExpansion, JobValuesDatesAndDescriptions) {
    const AnnotationContext ctx = Context();
    EXPECT_EQ(ExpandAnnotationTokens(ctx, L"Page <<pagenum>> of <<DOCNAME>>"), L"Page 3 of Report");
    EXPECT_EQ(ExpandAnnotationTokens(ctx, L"<<USERNAME>>@<<COMPUTERNAME>>/<<DOMAINNAME>> <<IPADDRESS>>"),
              L"alice@PC7/CORP 10.0.0.7");
    EXPECT_EQ(ExpandAnnotationTokens(ctx, L"<<PRINTING TIME>>|<<PRINTING DATE US>>|<<PRINTING DATE EU>>|"
                                          L"<<PRINTING DATE ASIA>>"),
              L"02:05:09 PM|03/07/2026|07/03/2026|2026/03/07");
    EXPECT_EQ(ExpandAnnotationTokens(ctx, L"copy <<COPY>> on <<PRINTERNAME>>"), L"copy 1 on " + printer);
    SetGroupText(settings::kPdfSettings, L"Document Title", L"Annual");
    SetGroupText(settings::kEnvVars, L"PROJECT", L"Apollo");
    EXPECT_EQ(ExpandAnnotationTokens(ctx, L"<<Document Title>>-<<PROJECT>>"), L"Annual-Apollo");
}

TEST_F(TokenExpansion, UnknownTokensStayAndLongValuesAreLeftOut) {
    const AnnotationContext ctx = Context();
    EXPECT_EQ(ExpandAnnotationTokens(ctx, L"a <<NO_SUCH_NAME_42>> b"), L"a <<NO_SUCH_NAME_42>> b");
    EXPECT_EQ(ExpandAnnotationTokens(ctx, L"open <<DOCNAME"), L"open Report");
    AnnotationContext longName = ctx;
    longName.documentName.assign(300, L'x');
    EXPECT_EQ(ExpandAnnotationTokens(longName, L"[<<DOCNAME>>]"), L"[]");
    EXPECT_LE(ExpandAnnotationTokens(ctx, std::wstring(400, L'y')).size(), kAnnotationTextChars);
}

TEST_F(TokenExpansion, DevModeAnnotationLine) {
    builder.Set(L"AnnotationText1", L"Doc <<DOCNAME>>");
    builder.Set(L"AnnotationText2", L"<<DOCNAME>>");  // the second text is not expanded
    builder.Set(L"AnnotationOptions", std::to_wstring(0x1 | 0x2 | 0x4 | 0x40 | 0x200 | 0x400 | 0x1000 | 0x2000));
    dm = builder.Record();
    EXPECT_EQ(DevModeAnnotationText(Context()), L"Doc Report <<DOCNAME>> 07-MAR-2026 02:05:09 PM");
    struct Case {
        DWORD bits;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0x4 | 0x8, L"03/07/2026 "},  {0x4 | 0x10, L"3/7/26 "}, {0x4 | 0x20, L"07/03/2026 "},
        {0x4 | 0x80, L"2026/03/07 "}, {0x4 | 0x8 | 0x80, L"03/07/2026 "},
        {0x4 | 0x100, L"2461107 "},  // the Julian day number of 7 March 2026
        {0x200 | 0x800 | 0x1000, L"14:05"}, {0x200 | 0x400, L"02 PM"},
    };
    for (const Case& c : cases) {
        builder.Set(L"AnnotationOptions", std::to_wstring(0x1 | c.bits));
        dm = builder.Record();
        EXPECT_EQ(DevModeAnnotationText(Context()), c.text) << std::hex << c.bits;
    }
    AnnotationContext midnight = Context();
    midnight.printingTime.wHour = 0;
    builder.Set(L"AnnotationOptions", std::to_wstring(0x1 | 0x200 | 0x400 | 0x1000));
    dm = builder.Record();
    EXPECT_EQ(DevModeAnnotationText(midnight), L"12:05 AM");
}

// A packed DIB of `bits` per pixel with the given palette and one row of pixel bytes.
UniqueHGlobal Picture(WORD bits, std::initializer_list<RGBQUAD> palette, std::initializer_list<BYTE> row,
                      LONG width) {
    std::vector<RGBQUAD> entries(palette);
    HGLOBAL dib = NewPackedDib(width, 1, bits, entries.empty() ? nullptr : entries.data(),
                               static_cast<DWORD>(entries.size()), 0, 0);
    DibView view(dib);
    std::copy(row.begin(), row.end(), view.StoredRow(0));
    return UniqueHGlobal(dib);
}

std::vector<BYTE> Pixels(const UniqueHGlobal& dib) {
    DibView view(dib.get());
    EXPECT_TRUE(view.valid());
    EXPECT_EQ(view.Shape().bits, 24);
    return std::vector<BYTE>(view.StoredRow(0), view.StoredRow(0) + view.Shape().width * 3);
}

TEST(Lightening, EveryDepthByItsRule) {
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0};
    // 1 bit: brightness 0 paints black pure black, 100 paints it white; white stays white.
    UniqueHGlobal bilevel = Picture(1, {black, white}, {0x40}, 2);  // pixels black, white
    EXPECT_EQ(Pixels(LightenPicture(bilevel.get(), 0)), (std::vector<BYTE>{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(Pixels(LightenPicture(bilevel.get(), 100)), (std::vector<BYTE>(6, 255)));
    EXPECT_EQ(Pixels(LightenPicture(bilevel.get(), 40)), (std::vector<BYTE>{102, 102, 102, 255, 255, 255}));
    // 8 bits: palette component + B% of 255, held at 255.
    UniqueHGlobal grey = Picture(8, {RGBQUAD{10, 20, 200, 0}}, {0, 0, 0, 0}, 1);
    EXPECT_EQ(Pixels(LightenPicture(grey.get(), 40)), (std::vector<BYTE>{112, 122, 255}));
    // 24 bits: brightness 0 counts as 1 (2 levels).
    UniqueHGlobal colour = Picture(24, {}, {10, 20, 250, 0}, 1);
    EXPECT_EQ(Pixels(LightenPicture(colour.get(), 0)), (std::vector<BYTE>{12, 22, 252}));
    EXPECT_EQ(Pixels(LightenPicture(colour.get(), 50)), (std::vector<BYTE>{137, 147, 255}));
    // 4 bits go through their palette like 8 bits (rather than staying black).
    UniqueHGlobal sixteen = Picture(4, {black, RGBQUAD{100, 100, 100, 0}}, {0x10, 0, 0, 0}, 2);
    EXPECT_EQ(Pixels(LightenPicture(sixteen.get(), 40)), (std::vector<BYTE>{202, 202, 202, 102, 102, 102}));
    EXPECT_FALSE(LightenPicture(nullptr, 40));
}

TEST(WatermarkPlacement, EveryCode) {
    // Code 8: a 100 x 100 picture on a 250 x 120 page gives three tiles a row, two rows.
    std::vector<WatermarkCopy> tiles = PlanWatermark(8, 100, 100, 250, 120);
    ASSERT_EQ(tiles.size(), 6u);
    EXPECT_EQ(tiles[5].dx, 200);
    EXPECT_EQ(tiles[5].dy, 100);
    // Code 4 with a picture larger than the page: its centre, cropped on all sides.
    std::vector<WatermarkCopy> c = PlanWatermark(4, 300, 200, 250, 120);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].sx, 25);
    EXPECT_EQ(c[0].sw, 250);
    EXPECT_EQ(c[0].sy, 40);
    EXPECT_EQ(c[0].sh, 120);
    EXPECT_EQ(c[0].dx, 0);
    EXPECT_EQ(c[0].dy, 0);
    struct Case {
        DWORD code;
        int dx, dy, dw, dh;
    };
    // A 50 x 20 picture on a 200 x 100 page.
    const Case cases[] = {
        {1, 0, 0, 200, 100}, {2, 0, 10, 200, 80}, {4, 75, 40, 50, 20},  {16, 75, 80, 50, 20},
        {32, 0, 20, 200, 80}, {64, 75, 0, 50, 20}, {128, 0, 0, 200, 80},
    };
    for (const Case& k : cases) {
        c = PlanWatermark(k.code, 50, 20, 200, 100);
        ASSERT_EQ(c.size(), 1u) << k.code;
        EXPECT_EQ(c[0].dx, k.dx) << k.code;
        EXPECT_EQ(c[0].dy, k.dy) << k.code;
        EXPECT_EQ(c[0].dw, k.dw) << k.code;
        EXPECT_EQ(c[0].dh, k.dh) << k.code;
    }
    EXPECT_TRUE(PlanWatermark(5, 50, 20, 200, 100).empty());
    // A one-pixel tile on a large page stops at the tile limit instead of drawing for minutes.
    EXPECT_EQ(PlanWatermark(8, 1, 1, 3000, 3000).size(), kMaxWatermarkTiles);
}

// The annotation metafile's picture keeps its shape on pixels that are not square, and a fax
// page lying landscape is measured from its paper.
TEST(WatermarkPlacement, MetafilePageAndPictureScale) {
    twhost::DevModeBuilder b;
    b.Dpi(200, 100);
    b.Set(L"PageWidthInPixels", L"1700");
    b.Set(L"PageHeightInPixels", L"1100");
    MetafileWatermarkPage page = MetafileWatermarkPageFor(b.Record(), 200, 100);
    EXPECT_EQ(page.width, 1700);
    EXPECT_EQ(page.height, 1100);
    EXPECT_DOUBLE_EQ(page.scaleX, 1.0);
    EXPECT_DOUBLE_EQ(page.scaleY, 0.5);
    page = MetafileWatermarkPageFor(b.Record(), 300, 300);
    EXPECT_DOUBLE_EQ(page.scaleY, 1.0);

    b.Landscape();
    b.Set(L"IsFaxOutputEnabled", L"1");
    b.Set(L"dmScale", L"100");
    b.Set(L"dmPaperWidth", L"2794");
    b.Set(L"dmPaperLength", L"2159");
    // The landscape fax page: the fine fax resolution across, 204 dpi down.
    page = MetafileWatermarkPageFor(b.Record(), 196, 204);
    EXPECT_EQ(page.width, 2156);   // 11 in at 196 dpi
    EXPECT_EQ(page.height, 1734);  // 8.5 in at 204 dpi
    EXPECT_DOUBLE_EQ(page.scaleX, 196.0 / 204.0);
    EXPECT_DOUBLE_EQ(page.scaleY, 1.0);
    // A scale of 1000 counts the paper in millimetres.
    b.Set(L"dmScale", L"1000");
    b.Set(L"dmPaperWidth", L"279");
    b.Set(L"dmPaperLength", L"216");
    page = MetafileWatermarkPageFor(b.Record(), 196, 204);
    EXPECT_EQ(page.width, 2153);
    EXPECT_EQ(page.height, 1735);
}

}  // namespace
