// The barcode writer: the placement arithmetic, which pages get the symbol, the error table, and
// whole symbols drawn by the real libraries onto a page bitmap, with the errors a page keeps.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "annotate/BarcodeOptions.h"
#include "annotate/BarcodeWriter.h"
#include "base/UniqueHandle.h"
#include "host/DevModeBuilder.h"
#include "portcmd/DevModeLayout.h"

using namespace tw;

namespace {

BarcodeOptions Placed(BYTE h, BYTE v, LONG x, LONG y, BYTE unit = kUnitPixels) {
    BarcodeOptions o;
    o.horizontalAlignment = h;
    o.verticalAlignment = v;
    o.xOffset = x;
    o.yOffset = y;
    o.offsetUnit = unit;
    return o;
}

// A white 24-bit page on a memory DC.
struct Page {
    Page(int w, int h) : width(w), height(h), dc(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB};
        bitmap.reset(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0));
        std::memset(bits, 0xFF, Stride() * h);
        old = ::SelectObject(dc.get(), bitmap.get());
    }
    ~Page() { ::SelectObject(dc.get(), old); }
    size_t Stride() const { return (static_cast<size_t>(width) * 3 + 3) & ~size_t(3); }
    bool Dark(int x, int y) const { return bits[y * Stride() + 3 * x] < 128; }
    RECT Box() const {
        ::GdiFlush();
        RECT r{width, height, -1, -1};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (Dark(x, y)) r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x),
                                     std::max<LONG>(r.bottom, y)};
        return r;
    }
    int width, height;
    UniqueDC dc;
    UniqueGdiObject bitmap;
    BYTE* bits = nullptr;
    HGDIOBJ old = nullptr;
};

twhost::DevModeBuilder QRFromPageText() {
    twhost::DevModeBuilder b;
    b.Dpi(300, 300);
    for (auto [name, value] : {std::pair{L"BarcodeEnabled", L"1"}, {L"BarcodeKind", L"0"}, {L"BarcodeValueSource", L"3"},
                               {L"BarcodeQRParam1", L"2"}, {L"BarcodeQRParam2", L"4"}, {L"BarcodeQRParam3", L"8"},
                               {L"BarcodeOneDParam1", L"2"}, {L"BarcodeOneDParam2", L"4"}, {L"BarcodeOneDParam3", L"4"},
                               {L"BarcodeOneDParam4", L"4"}, {L"BarcodeSymbology", L"2"}})
        EXPECT_TRUE(b.Set(name, value));
    return b;
}

}  // namespace

TEST(BarcodePlacement, AlignmentsOffsetsAndUnits) {
    // At the offset, centred, and from the far edge: a 100-pixel right margin puts the right
    // edge 100 pixels from the page's.
    auto p = PlaceBarcode(Placed(0, 0, 30, 40), 200, 100, 2550, 3300, 300, 300, false);
    EXPECT_EQ((std::vector<int>{p.x, p.y, p.width, p.height}), (std::vector<int>{30, 40, 200, 100}));
    p = PlaceBarcode(Placed(1, 1, 10, -10), 201, 101, 2550, 3300, 300, 300, false);
    EXPECT_EQ(p.x, 10 + 1175);  // (2550 - 201) / 2 = 1174.5, rounded away from zero
    EXPECT_EQ(p.y, -10 + 1600);
    p = PlaceBarcode(Placed(2, 2, 100, 50), 200, 100, 2550, 3300, 300, 300, false);
    EXPECT_EQ(p.x + p.width, 2550 - 100);
    EXPECT_EQ(p.y + p.height, 3300 - 50);
    p = PlaceBarcode(Placed(3, 9, 100, 50), 200, 100, 2550, 3300, 300, 300, false);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    // 254 tenths of a millimetre and 100 hundredths of an inch are one inch.
    p = PlaceBarcode(Placed(0, 0, 254, 127, kUnitTenthMm), 10, 10, 1728, 2200, 204, 196, false);
    EXPECT_EQ(p.x, 204);
    EXPECT_EQ(p.y, 98);
    p = PlaceBarcode(Placed(0, 0, 100, 50, kUnitHundredthInch), 10, 10, 2550, 3300, 300, 300, false);
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 150);
    // Unequal resolutions keep the modules square: the height, or for fax landscape the width.
    p = PlaceBarcode(Placed(0, 0, 0, 0), 204, 204, 1728, 2200, 204, 98, false);
    EXPECT_EQ(p.width, 204);
    EXPECT_EQ(p.height, 98);
    p = PlaceBarcode(Placed(0, 0, 0, 0), 98, 98, 2200, 1728, 204, 98, true);
    EXPECT_EQ(p.width, 204);
    EXPECT_EQ(p.height, 98);
}

TEST(BarcodePlacement, WhichPagesGetTheBarcode) {
    BarcodeOptions o;
    EXPECT_FALSE(BarcodeOnPage(o, false, true));
    o.flags = dmbarcode::Enabled;
    EXPECT_TRUE(BarcodeOnPage(o, false, true));
    EXPECT_TRUE(BarcodeOnPage(o, false, false));
    EXPECT_FALSE(BarcodeOnPage(o, true, true));
    o.flags = dmbarcode::Enabled | dmbarcode::FirstPageOnly;
    EXPECT_TRUE(BarcodeOnPage(o, false, true));
    EXPECT_FALSE(BarcodeOnPage(o, false, false));
    o.flags = dmbarcode::Enabled | dmbarcode::InsertedCoverPageOnly;
    EXPECT_TRUE(BarcodeOnPage(o, true, false));
    EXPECT_FALSE(BarcodeOnPage(o, false, true));
}

TEST(BarcodeErrors, TextsOfTheTable) {
    EXPECT_EQ(BarcodeErrorText(0, L""), L"No Error");
    EXPECT_EQ(BarcodeErrorText(1, L"Could not load QR dll"), L"Internal Error (Could not load QR dll)");
    EXPECT_EQ(BarcodeErrorText(2, L""), L"Invalid barcode value");
    EXPECT_EQ(BarcodeErrorText(3, L"C:\\x.re"), L"Regular expression file not found (C:\\x.re)");
    EXPECT_EQ(BarcodeErrorText(4, L"f"), L"Regular expression format file not found (f)");
    EXPECT_EQ(BarcodeErrorText(5, L"v"), L"Barcode value file not found (v)");
    EXPECT_EQ(BarcodeErrorText(6, L"x"), L"Unknown Error");
    EXPECT_EQ(BarcodeErrorText(-1, L""), L"Unknown Error");
}

TEST(BarcodeWriter, DrawsTheSymbolWhereThePlacementSays) {
    twhost::DevModeBuilder b = QRFromPageText();
    b.Set(L"BarcodeHorizontalAlignment", L"2");
    b.Set(L"BarcodeXOffset", L"100");
    b.Set(L"BarcodeVerticalAlignment", L"1");
    Page page(800, 600);
    CBarcodeWriter writer;
    writer.AddText(L"HELLO");
    EXPECT_TRUE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_FALSE(writer.HasError());
    // Version 1: 21 modules of 4 pixels in 8 pixels of quiet zone, 100 pixels from the right.
    const int side = 21 * 4 + 16;
    const RECT box = page.Box();
    EXPECT_EQ(box.right, 800 - 100 - 8 - 1);
    EXPECT_EQ(box.left, 800 - 100 - side + 8);
    EXPECT_EQ(box.top, (600 - side + 1) / 2 + 8);
    // Every band of the page draws the same symbol again; the page's text no longer matters.
    writer.AddText(L" MORE");
    EXPECT_TRUE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_EQ(page.Box().left, box.left);
}

TEST(BarcodeWriter, ErrorsOfAPageFirstOneWinsAndANewPageForgetsThem) {
    twhost::DevModeBuilder b = QRFromPageText();
    Page page(400, 400);
    CBarcodeWriter writer;
    EXPECT_FALSE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_EQ(writer.ErrorText(), L"Invalid barcode value (Value not set)");
    EXPECT_EQ(page.Box().right, -1);

    // One-dimensional values longer than 50 bytes.
    b.Set(L"BarcodeKind", L"3");
    writer.ClearText();
    EXPECT_FALSE(writer.HasError());
    writer.AddText(std::wstring(51, L'7').c_str());
    EXPECT_FALSE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_EQ(writer.ErrorText(), L"Invalid barcode value");
    writer.ClearText();
    writer.AddText(std::wstring(50, L'7').c_str());
    writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE);
    // 50 digits of Code 128 fit the library but not this page: refused, not cut off.
    EXPECT_EQ(writer.ErrorText(), L"Invalid barcode value (Barcode larger than the page)");

    // A value the symbology cannot take, and an unknown kind.
    b.Set(L"BarcodeSymbology", L"3");
    writer.ClearText();
    writer.AddText(L"NOT DIGITS");
    EXPECT_FALSE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_EQ(writer.ErrorText(), L"Invalid barcode value");
    b.Set(L"BarcodeKind", L"7");
    writer.ClearText();
    writer.AddText(L"1");
    EXPECT_FALSE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_EQ(writer.ErrorText(), L"Internal Error (Could not load barcode dll)");
    // A parameter the library refuses is its err, in decimal.
    b.Set(L"BarcodeKind", L"0");
    b.Set(L"BarcodeQRParam1", L"9");
    writer.ClearText();
    writer.AddText(L"1");
    EXPECT_FALSE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_EQ(writer.ErrorText(), L"Internal Error (-2)");
}

TEST(BarcodeWriter, NonAsciiValuesAreUtf8ForQRAndAnsiForTheOthers) {
    twhost::DevModeBuilder b = QRFromPageText();
    Page page(600, 600);
    CBarcodeWriter writer;
    // A lone surrogate is no text: UTF-8 refuses it instead of guessing.
    std::wstring broken = L"ab";
    broken.push_back(static_cast<wchar_t>(0xDC00));
    writer.AddText(broken.c_str());
    EXPECT_FALSE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
    EXPECT_EQ(writer.ErrorText(), L"Invalid barcode value (Unicode ANSI conversion failed)");
    writer.ClearText();
    writer.AddTextAnsi("Gr\xfc\xdf" "e");
    EXPECT_EQ(writer.PageText(), L"Grüße");
    EXPECT_TRUE(writer.Draw(page.dc.get(), page.width, page.height, b.Record(), FALSE));
}

TEST(BarcodeWriter, RecordsTheSymbolIntoAnAnnotationMetafile) {
    twhost::DevModeBuilder b = QRFromPageText();
    b.Set(L"BarcodeXOffset", L"40");
    b.Set(L"BarcodeYOffset", L"30");
    Page page(400, 400);
    // Recorded on the page's DC as reference, one metafile unit a page pixel, then played back.
    const RECT frame{0, 0, 400 * 2540 / ::GetDeviceCaps(page.dc.get(), LOGPIXELSX),
                     400 * 2540 / ::GetDeviceCaps(page.dc.get(), LOGPIXELSY)};
    UniqueDC recorder(::CreateEnhMetaFileW(page.dc.get(), nullptr, &frame, nullptr));
    ASSERT_TRUE(recorder);
    CBarcodeWriter writer;
    writer.AddText(L"VECTOR");
    EXPECT_TRUE(writer.Draw(recorder.get(), 400, 400, b.Record(), TRUE));
    UniqueEnhMetaFile emf(::CloseEnhMetaFile(recorder.release()));
    ASSERT_TRUE(emf);
    EXPECT_EQ(page.Box().right, -1);  // nothing on the page until the metafile is played
    const RECT all{0, 0, 400, 400};
    ASSERT_TRUE(::PlayEnhMetaFile(page.dc.get(), emf.get(), &all));
    const RECT box = page.Box();
    EXPECT_EQ(box.left, 40 + 8);
    EXPECT_EQ(box.top, 30 + 8);
    EXPECT_EQ(box.right - box.left + 1, 21 * 4);
}
