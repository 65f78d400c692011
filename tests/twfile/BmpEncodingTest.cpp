#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/UniqueHandle.h"
#include "twfile/BmpEncoding.h"

namespace {

using tw::DibCheck;

struct DibShape {
    LONG width = 33;
    LONG height = 3;
    WORD bits = 1;
    DWORD clrUsed = 2;
    DWORD sizeImage = 0xFFFFFFFF;  // all-ones: the exact size of the rows
    DWORD paletteEntries = 2;      // entries actually present after the header
    LONG xPelsPerMeter = 7874;     // 200 dpi
    LONG yPelsPerMeter = 3858;     // 98 dpi
};

DWORD RowBytes(const DibShape& s) { return static_cast<DWORD>((s.width * s.bits + 31) / 32 * 4); }

// A packed DIB with a recognisable palette and pixel pattern.
std::vector<BYTE> MakeDib(const DibShape& s) {
    DWORD image = RowBytes(s) * static_cast<DWORD>(s.height);
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof(bih);
    bih.biWidth = s.width;
    bih.biHeight = s.height;
    bih.biPlanes = 1;
    bih.biBitCount = s.bits;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = s.sizeImage == 0xFFFFFFFF ? image : s.sizeImage;
    bih.biXPelsPerMeter = s.xPelsPerMeter;
    bih.biYPelsPerMeter = s.yPelsPerMeter;
    bih.biClrUsed = s.clrUsed;
    std::vector<BYTE> dib(sizeof(bih) + 4 * s.paletteEntries + image);
    std::memcpy(dib.data(), &bih, sizeof(bih));
    for (size_t i = sizeof(bih); i < dib.size(); ++i) dib[i] = static_cast<BYTE>(i * 7 + 1);
    return dib;
}

uint32_t Dword(const std::vector<BYTE>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Word(const std::vector<BYTE>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

std::vector<BYTE> Encode(const std::vector<BYTE>& dib) {
    std::vector<BYTE> file;
    EXPECT_EQ(tw::EncodeBmpFile(dib.data(), dib.size(), file), DibCheck::Ok);
    return file;
}

// File header fields, then the DIB verbatim after it.
void ExpectBmp(const std::vector<BYTE>& file, const std::vector<BYTE>& dib, size_t dibBytes, uint32_t offset) {
    ASSERT_EQ(file.size(), 14 + dibBytes);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Dword(file, 2), file.size());
    EXPECT_EQ(Word(file, 6), 0);
    EXPECT_EQ(Word(file, 8), 0);
    EXPECT_EQ(Dword(file, 10), offset);
    EXPECT_EQ(0, std::memcmp(file.data() + 14, dib.data(), dibBytes));
}

TEST(BmpEncoding, MonochromePageHasBitsAtSixtyTwo) {
    DibShape shape;  // 33 pixels: rows of 8 bytes, 3 rows
    std::vector<BYTE> dib = MakeDib(shape);
    std::vector<BYTE> file = Encode(dib);
    ExpectBmp(file, dib, dib.size(), 62);
    EXPECT_EQ(file.size(), 14u + 40 + 8 + 24);
    // Header fields of the DIB come through untouched: size, width, height, depth, resolution.
    EXPECT_EQ(Dword(file, 14), 40u);
    EXPECT_EQ(Dword(file, 18), 33u);
    EXPECT_EQ(Dword(file, 22), 3u);
    EXPECT_EQ(Word(file, 28), 1);
    EXPECT_EQ(Dword(file, 34), 24u);
    EXPECT_EQ(Dword(file, 38), 7874u);
    EXPECT_EQ(Dword(file, 42), 3858u);
    EXPECT_EQ(Dword(file, 46), 2u);
    // The last pixel byte is the DIB's last byte.
    EXPECT_EQ(file.back(), dib.back());
}

TEST(BmpEncoding, TrueColourPageHasBitsAtFiftyFour) {
    DibShape shape;
    shape.width = 5;  // 15 bytes, padded to 16
    shape.height = 2;
    shape.bits = 24;
    shape.clrUsed = 0;
    shape.paletteEntries = 0;
    std::vector<BYTE> dib = MakeDib(shape);
    std::vector<BYTE> file = Encode(dib);
    ExpectBmp(file, dib, dib.size(), 54);
    EXPECT_EQ(Dword(file, 2), 54u + 32);

    tw::DibLayout layout;
    ASSERT_EQ(tw::MeasurePackedDib(dib.data(), dib.size(), layout), DibCheck::Ok);
    EXPECT_EQ(layout.rowBytes, 16u);
    EXPECT_EQ(layout.imageBytes, 32u);
    auto header = tw::BuildBmpFileHeader(layout);
    EXPECT_EQ(0, std::memcmp(header.data(), file.data(), header.size()));
}

TEST(BmpEncoding, ZeroColourCountMeansTheFullPalette) {
    struct Case { WORD bits; DWORD entries; };
    for (Case c : {Case{1, 2}, Case{4, 16}, Case{8, 256}}) {
        SCOPED_TRACE(c.bits);
        DibShape shape;
        shape.bits = c.bits;
        shape.clrUsed = 0;
        shape.paletteEntries = c.entries;
        std::vector<BYTE> dib = MakeDib(shape);
        ExpectBmp(Encode(dib), dib, dib.size(), 54 + 4 * c.entries);
    }
    // A short palette is taken at its stated length.
    DibShape shape;
    shape.bits = 8;
    shape.clrUsed = 3;
    shape.paletteEntries = 3;
    std::vector<BYTE> dib = MakeDib(shape);
    ExpectBmp(Encode(dib), dib, dib.size(), 54 + 12);
}

TEST(BmpEncoding, SizesComeFromTheHeaderNotTheBlock) {
    // Global blocks may be larger than the DIB: the slack stays out of the file.
    DibShape shape;
    std::vector<BYTE> dib = MakeDib(shape);
    size_t exact = dib.size();
    dib.resize(exact + 100, 0xEE);
    ExpectBmp(Encode(dib), dib, exact, 62);

    // biSizeImage 0 is legal for uncompressed rows; the rows' size is used instead.
    shape.sizeImage = 0;
    dib = MakeDib(shape);
    std::vector<BYTE> file = Encode(dib);
    ExpectBmp(file, dib, dib.size(), 62);
    EXPECT_EQ(Dword(file, 2), 62u + 24);

    // A larger stated image size is honoured when the block holds it.
    shape.sizeImage = 40;
    dib = MakeDib(shape);
    dib.resize(40 + 8 + 40);
    ExpectBmp(Encode(dib), dib, dib.size(), 62);
}

TEST(BmpEncoding, MalformedDibsAreRefusedAndOutputKept) {
    struct Case {
        const char* what;
        void (*mutate)(BITMAPINFOHEADER&);
        DibCheck expected;
    };
    const Case cases[] = {
        {"header size", [](BITMAPINFOHEADER& h) { h.biSize = 108; }, DibCheck::UnsupportedHeader},
        {"zero width", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }, DibCheck::BadDimensions},
        {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -33; }, DibCheck::BadDimensions},
        {"top-down", [](BITMAPINFOHEADER& h) { h.biHeight = -3; }, DibCheck::BadDimensions},
        {"planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }, DibCheck::BadPlanes},
        {"16 bpp", [](BITMAPINFOHEADER& h) { h.biBitCount = 16; }, DibCheck::UnsupportedBitCount},
        {"32 bpp", [](BITMAPINFOHEADER& h) { h.biBitCount = 32; }, DibCheck::UnsupportedBitCount},
        {"0 bpp", [](BITMAPINFOHEADER& h) { h.biBitCount = 0; }, DibCheck::UnsupportedBitCount},
        {"RLE", [](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }, DibCheck::UnsupportedCompression},
        {"palette", [](BITMAPINFOHEADER& h) { h.biClrUsed = 3; }, DibCheck::BadPalette},
        {"huge palette", [](BITMAPINFOHEADER& h) { h.biClrUsed = 0x40000000; }, DibCheck::BadPalette},
        {"image size", [](BITMAPINFOHEADER& h) { h.biSizeImage = 23; }, DibCheck::BadImageSize},
        {"taller than block", [](BITMAPINFOHEADER& h) { h.biHeight = 4; h.biSizeImage = 0; }, DibCheck::Truncated},
        {"wider than block", [](BITMAPINFOHEADER& h) { h.biWidth = 65; h.biSizeImage = 0; }, DibCheck::Truncated},
        {"image past 4 GB", [](BITMAPINFOHEADER& h) { h.biSizeImage = 0xFFFFFFF0; }, DibCheck::TooLarge},
        {"rows past 4 GB",
         [](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; h.biHeight = 0x7FFFFFFF; h.biBitCount = 24;
                                   h.biClrUsed = 0; h.biSizeImage = 0; },
         DibCheck::TooLarge},
    };
    const std::vector<BYTE> kept = {1, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> dib = MakeDib(DibShape{});
        BITMAPINFOHEADER h;
        std::memcpy(&h, dib.data(), sizeof(h));
        c.mutate(h);
        std::memcpy(dib.data(), &h, sizeof(h));
        std::vector<BYTE> out = kept;
        EXPECT_EQ(tw::EncodeBmpFile(dib.data(), dib.size(), out), c.expected);
        EXPECT_EQ(out, kept);
        EXPECT_NE(tw::DibCheckText(c.expected), nullptr);
    }

    std::vector<BYTE> out;
    EXPECT_EQ(tw::EncodeBmpFile(nullptr, 100, out), DibCheck::TooSmallForHeader);
    std::vector<BYTE> dib = MakeDib(DibShape{});
    EXPECT_EQ(tw::EncodeBmpFile(dib.data(), 39, out), DibCheck::TooSmallForHeader);
    EXPECT_TRUE(out.empty());
}

// Reserved pages with an inaccessible page after them, so that a read past a block's end faults.
struct VirtualPages {
    using type = void*;
    static type invalid() { return nullptr; }
    static void close(type p) { ::VirtualFree(p, 0, MEM_RELEASE); }
};

TEST(BmpEncoding, TruncatedBlocksAreNeverReadPastTheirEnd) {
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    const size_t page = si.dwPageSize;
    tw::UniqueHandle<VirtualPages> mem(::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_TRUE(mem.valid());
    DWORD oldProtect = 0;
    BYTE* base = static_cast<BYTE*>(mem.get());
    ASSERT_TRUE(::VirtualProtect(base + page, page, PAGE_NOACCESS, &oldProtect));

    DibShape shape;
    shape.bits = 8;
    shape.clrUsed = 0;  // the implied 256 entries must be present too
    shape.paletteEntries = 256;
    const std::vector<BYTE> dib = MakeDib(shape);
    ASSERT_LT(dib.size(), page);
    // Cut inside the header, at the palette's start and end, and one byte short of the rows.
    for (size_t cut : {size_t{0}, size_t{20}, size_t{40}, size_t{41}, size_t{40 + 1024}, dib.size() - 1}) {
        SCOPED_TRACE(cut);
        BYTE* at = base + page - cut;
        std::memcpy(at, dib.data(), cut);
        std::vector<BYTE> out;
        DibCheck expected = cut < 40 ? DibCheck::TooSmallForHeader : DibCheck::Truncated;
        EXPECT_EQ(tw::EncodeBmpFile(at, cut, out), expected);
    }
    // The whole DIB ending at the guard page encodes.
    BYTE* at = base + page - dib.size();
    std::memcpy(at, dib.data(), dib.size());
    std::vector<BYTE> out;
    ASSERT_EQ(tw::EncodeBmpFile(at, dib.size(), out), DibCheck::Ok);
    ExpectBmp(out, dib, dib.size(), 54 + 1024);
}

}  // namespace
