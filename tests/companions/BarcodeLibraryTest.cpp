// The four barcode DLLs on their own: sizes agree with the drawings, rotation turns the symbol,
// quiet zones stay white, and every bad value or parameter is refused with its err.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "barcodes/BarcodeLibraries.h"
#include "base/UniqueHandle.h"

using tw::UniqueHGlobal;
using tw::UniqueModule;

namespace {

UniqueHGlobal WhiteDib(int w, int h) {
    const SIZE_T stride = (static_cast<SIZE_T>(w) * 3 + 3) & ~SIZE_T(3);
    UniqueHGlobal dib(::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + stride * h));
    tw::GlobalLockGuard<BYTE> p(dib.get());
    BITMAPINFOHEADER bih{sizeof bih, w, h, 1, 24, BI_RGB};
    std::memcpy(p.get(), &bih, sizeof bih);
    std::memset(p.get() + sizeof bih, 0xFF, stride * h);
    return dib;
}

// The pixels of a 24-bit bottom-up DIB as dark (true) or white, from the top.
struct Pixels {
    explicit Pixels(HGLOBAL dib) {
        tw::GlobalLockGuard<BYTE> p(dib);
        std::memcpy(&bih, p.get(), sizeof bih);
        stride = (bih.biWidth * 3 + 3) & ~3;
        bits.assign(p.get() + sizeof bih, p.get() + sizeof bih + stride * bih.biHeight);
    }
    bool Dark(int x, int y) const { return bits[(bih.biHeight - 1 - y) * stride + 3 * x] == 0; }
    // The smallest box holding every dark pixel.
    RECT Box() const {
        RECT r{bih.biWidth, bih.biHeight, -1, -1};
        for (int y = 0; y < bih.biHeight; ++y)
            for (int x = 0; x < bih.biWidth; ++x)
                if (Dark(x, y)) r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x),
                                     std::max<LONG>(r.bottom, y)};
        return r;
    }
    BITMAPINFOHEADER bih{};
    int stride = 0;
    std::string bits;
};

template <typename F>
F Proc(const UniqueModule& m, const char* name) {
    return reinterpret_cast<F>(::GetProcAddress(m.get(), name));
}

}  // namespace

TEST(BarcodeLibraries, QRSizeMatchesTheDrawingAndKeepsItsQuietZone) {
    UniqueModule lib(::LoadLibraryW(kQRLibrary));
    ASSERT_TRUE(lib);
    auto size = Proc<PFN_GetQRSize>(lib, "pdrel_GetQRSize");
    auto write = Proc<PFN_WriteQR>(lib, "pdrel_WriteQR");
    ASSERT_TRUE(size && write);
    int err = 99;
    const char value[] = "HELLO-123";
    const int side = size(value, 9, 4, 8, 2, &err);
    EXPECT_EQ(err, 0);
    // Version 1 is 21 modules: 21 x 4 pixels and 8 white on each side.
    EXPECT_EQ(side, 21 * 4 + 16);
    UniqueHGlobal white = WhiteDib(side, side);
    UniqueHGlobal drawn(write(white.get(), value, 9, 4, 0, 0, 0, 8, 2, &err));
    ASSERT_TRUE(drawn);
    EXPECT_NE(drawn.get(), white.get());
    EXPECT_EQ(err, 0);
    const RECT box = Pixels(drawn.get()).Box();
    EXPECT_EQ(box.left, 8);
    EXPECT_EQ(box.top, 8);
    EXPECT_EQ(box.right, side - 9);
    EXPECT_EQ(box.bottom, side - 9);
    // The caller's white bitmap is left white.
    EXPECT_EQ(Pixels(white.get()).Box().right, -1);
}

TEST(BarcodeLibraries, QRRefusesBadInput) {
    UniqueModule lib(::LoadLibraryW(kQRLibrary));
    auto size = Proc<PFN_GetQRSize>(lib, "pdrel_GetQRSize");
    auto write = Proc<PFN_WriteQR>(lib, "pdrel_WriteQR");
    int err = 0;
    EXPECT_EQ(size("", 0, 4, 8, 2, &err), 0);
    EXPECT_EQ(err, kBarcodeEmptyValue);
    EXPECT_EQ(size(nullptr, 3, 4, 8, 2, &err), 0);
    EXPECT_EQ(err, kBarcodeEmptyValue);
    EXPECT_EQ(size("A", 1, 0, 8, 2, &err), 0);
    EXPECT_EQ(err, kBarcodeBadParameter);
    EXPECT_EQ(size("A", 1, 4, 8, 5, &err), 0);
    EXPECT_EQ(err, kBarcodeBadParameter);
    std::string big(5000, 'x');
    EXPECT_EQ(size(big.c_str(), static_cast<int>(big.size()), 4, 8, 4, &err), 0);
    EXPECT_EQ(err, kBarcodeCannotEncode);
    std::string huge(9000, 'x');
    EXPECT_EQ(size(huge.c_str(), static_cast<int>(huge.size()), 4, 8, 1, &err), 0);
    EXPECT_EQ(err, kBarcodeCannotEncode);
    // A bitmap smaller than the symbol, or none at all.
    UniqueHGlobal small = WhiteDib(20, 20);
    EXPECT_EQ(write(small.get(), "A", 1, 4, 0, 0, 0, 8, 2, &err), nullptr);
    EXPECT_EQ(err, kBarcodeBadBitmap);
    EXPECT_EQ(write(nullptr, "A", 1, 4, 0, 0, 0, 8, 2, &err), nullptr);
    EXPECT_EQ(err, kBarcodeBadBitmap);
    // A null err pointer is no crash.
    EXPECT_EQ(size("", 0, 4, 8, 2, nullptr), 0);
}

TEST(BarcodeLibraries, DataMatrixCountsTheTerminatorAndMeasuresSideLessOne) {
    UniqueModule lib(::LoadLibraryW(kDataMatrixLibrary));
    auto size = Proc<PFN_GetDataMatrixSize>(lib, "pdrel_GetDataMatrixSize");
    auto write = Proc<PFN_WriteDataMatrix>(lib, "pdrel_WriteDataMatrix");
    ASSERT_TRUE(size && write);
    int err = 99;
    const char value[] = "12345";
    // 10x10 modules at 3 pixels, 2 modules of quiet zone: 14 x 3 = 42 pixels, reported as 41.
    const int n = size(nullptr, value, 6, 3, 0, 0, 0, 1, nullptr, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(n, 41);
    const DataMatrixBlock block{0, 1, 0};
    EXPECT_EQ(size(nullptr, value, 6, 3, 0, 0, 0, 1, &block, &err), 29);
    UniqueHGlobal white = WhiteDib(n + 1, n + 1);
    UniqueHGlobal drawn(write(white.get(), value, 6, 3, 0, 0, 1, 1, nullptr, &err));
    ASSERT_TRUE(drawn);
    const RECT box = Pixels(drawn.get()).Box();
    EXPECT_EQ(box.left, 6);
    EXPECT_EQ(box.top, 6);
    EXPECT_EQ(box.right, 41 - 6);
    EXPECT_EQ(box.bottom, 41 - 6);
    const DataMatrixBlock badKind{2, 7, 0};
    EXPECT_EQ(size(nullptr, value, 6, 3, 0, 0, 0, 1, &badKind, &err), 0);
    EXPECT_EQ(err, kBarcodeBadParameter);
    EXPECT_EQ(size(nullptr, "\0", 1, 3, 0, 0, 0, 1, nullptr, &err), 0);
    EXPECT_EQ(err, kBarcodeEmptyValue);
}

TEST(BarcodeLibraries, PDF417TurnsWithItsRotation) {
    UniqueModule lib(::LoadLibraryW(kPDF417Library));
    auto size = Proc<PFN_GetPDF417Size>(lib, "pdrel_GetPDF417Size");
    auto write = Proc<PFN_WritePDF417Barcode>(lib, "pdrel_WritePDF417Barcode");
    ASSERT_TRUE(size && write);
    int w0 = 0, h0 = 0, w1 = 0, h1 = 0, err = 99;
    const char value[] = "PDF417 VALUE";
    ASSERT_EQ(size(nullptr, value, 12, 0, 0, 0, 9, 2, '0', 0, 0, 0, 1, &w0, &h0, &err), 1);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(size(nullptr, value, 12, 0, 0, 0, 9, 2, '0', 0, 0, 1, 1, &w1, &h1, &err), 1);
    EXPECT_EQ(w0, h1);
    EXPECT_EQ(h0, w1);
    EXPECT_GT(w0, h0);  // rows of codewords are wider than the symbol is high
    UniqueHGlobal white = WhiteDib(w1 + 1, h1 + 1);
    UniqueHGlobal drawn(write(white.get(), value, 12, 0, 0, 0, 9, 2, '0', 0, 0, 1, 1, &w1, &h1, &err));
    ASSERT_TRUE(drawn);
    const RECT box = Pixels(drawn.get()).Box();
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.bottom, h1 - 2);
    EXPECT_EQ(size(nullptr, value, 12, 0, 0, 0, 9, 2, 'x', 0, 0, 0, 1, &w0, &h0, &err), 0);
    EXPECT_EQ(err, kBarcodeBadParameter);
    EXPECT_EQ(size(nullptr, value, 12, 0, 31, 0, 9, 2, '0', 0, 0, 0, 1, &w0, &h0, &err), 0);
    EXPECT_EQ(err, kBarcodeBadParameter);
}

TEST(BarcodeLibraries, OneDimensionalSymbologiesLengthsAndRefusals) {
    UniqueModule lib(::LoadLibraryW(kOneDLibrary));
    auto size = Proc<PFN_GetBarCodeSize>(lib, "pdrel_GetBarCodeSize");
    auto write = Proc<PFN_WriteBarCodeToRectangle>(lib, "pdrel_WriteBarCodeToRectangle");
    ASSERT_TRUE(size && write);
    const int none[4] = {0, 0, 0, 0};
    int w = 0, h = 0, err = 99;
    struct Case {
        int code;
        const char* value;
        int err;
    };
    const Case cases[] = {
        {0, "CODE39", 0},        {0, "BAD~", kBarcodeInvalidValue},
        {1, "lower ok", 0},      {2, "Code 128 \x7f", 0},
        {3, "400638133393", 0},  {3, "4006381333931", 0},
        {3, "4006381333932", kBarcodeInvalidValue},  // wrong check digit
        {3, "40063813339", kBarcodeInvalidValue},    {4, "03600029145", 0},
        {4, "036000291452", 0},  {4, "03600029145X", kBarcodeInvalidValue},
        {5, "1234567890", 0},    {5, "12AB", kBarcodeInvalidValue},
        {6, "A12345B", 0},       {7, "CODE93", 0},
        {8, "9638507", 0},       {9, "0123456", 0},
        {10, "1", kBarcodeBadParameter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " " + c.value);
        err = 99;
        const int ok = size(nullptr, c.code, none, c.value, 0, 0, 2, 4, 4, 4, 0, &w, &h, &err);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(ok, c.err == 0 ? 1 : 0);
    }
    // Bars 4 x 10 module widths of 2 pixels long, 4 modules of white above and below.
    ASSERT_EQ(size(nullptr, 2, none, "ABC", 0, 0, 2, 4, 4, 4, 0, &w, &h, &err), 1);
    EXPECT_EQ(h + 1, 80 + 16);
    // The margin in the rectangle sets the bars' length: the fourth value upright, the third lying.
    const int upright[4] = {0, 0, 0, 59};
    ASSERT_EQ(size(nullptr, 2, upright, "ABC", 0, 0, 2, 4, 4, 4, 0, &w, &h, &err), 1);
    EXPECT_EQ(h + 1, 60 + 16);
    const int lying[4] = {0, 0, 59, 0};
    int lw = 0, lh = 0;
    ASSERT_EQ(size(nullptr, 2, lying, "ABC", 2, 0, 2, 4, 4, 4, 0, &lw, &lh, &err), 1);
    EXPECT_EQ(lw + 1, 60 + 16);
    EXPECT_EQ(lh, w);
    // Drawn a quarter turn: the bars run across the bitmap.
    UniqueHGlobal white = WhiteDib(lw + 1, lh + 1);
    UniqueHGlobal drawn(write(white.get(), 2, lying, "ABC", 2, 0, 2, 4, 4, 4, 0, &lw, &lh, &err));
    ASSERT_TRUE(drawn);
    Pixels px(drawn.get());
    const RECT box = px.Box();
    EXPECT_EQ(box.left, 8);
    EXPECT_EQ(box.right, lw - 8);
    EXPECT_EQ(box.top, 8);  // the quiet zone of 4 modules of 2 pixels
    for (int x = box.left; x <= box.right; ++x) EXPECT_TRUE(px.Dark(x, box.top)) << x;
}
