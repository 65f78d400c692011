// The driver-side stream writer and the reader that lists captured streams.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "host/StreamReader.h"
#include "host/StreamWriter.h"
#include "portcmd/PortCmdLayout.h"
#include "support/TestSupport.h"

using twhost::ByteVector;
using twhost::StreamEnd;
using twhost::StreamWriter;

namespace {

DWORD U32At(const ByteVector& b, size_t off) { DWORD v; std::memcpy(&v, b.data() + off, 4); return v; }

TEST(StreamWriter, FramesEveryCommandAsTheMonitorReadsIt) {
    StreamWriter w;
    w.StartDoc(ByteVector(6879, 1));
    w.StartPage(ByteVector(6879, 2));
    w.EndPage(ByteVector(300, 3), true);
    w.WriteTextOut(-5, 6, L"ab");
    w.EndPageRaw(ByteVector(50, 4));
    w.EndDoc();
    const ByteVector& s = w.Bytes();

    const twhost::StreamListing listing = twhost::ReadStream(s);
    EXPECT_EQ(listing.end, StreamEnd::Complete);
    EXPECT_TRUE(listing.problem.empty());
    ASSERT_EQ(listing.commands.size(), 6u);
    const wchar_t* names[] = {L"PORT_CMD_START_DOC", L"PORT_CMD_START_PAGE", L"PORT_CMD_END_PAGE",
                              L"PORT_CMD_WRITE_TEXT_OUT", L"PORT_CMD_END_PAGE_RAW", L"PORT_CMD_END_DOC"};
    const DWORD types[] = {1, 2, 3, 5, 6, 4};
    const DWORD sizes[] = {6879, 6879, 324, 12, 50, 0};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(listing.commands[i].type, types[i]);
        EXPECT_EQ(listing.commands[i].name, names[i]);
        EXPECT_EQ(listing.commands[i].dataSize, sizes[i]);
    }
    EXPECT_EQ(listing.commands[1].offset, 16u + 6879u);
    EXPECT_EQ(listing.endOffset, s.size());

    // Header fields and the placeable prefix, byte by byte.
    const size_t page = listing.commands[2].offset;
    EXPECT_EQ(U32At(s, page), 0x8000F22Fu);
    EXPECT_EQ(U32At(s, page + 4), 16u);
    EXPECT_EQ(U32At(s, page + 8), 3u);
    EXPECT_EQ(U32At(s, page + 12), 324u);
    EXPECT_EQ(U32At(s, page + 16), 0x9AC6CDD7u);
    EXPECT_EQ(s[page + 16 + 24], 3);  // the EMF follows the 24-byte prefix
    // Text out: X, Y, then UTF-16 without terminator.
    const size_t text = listing.commands[3].offset + 16;
    EXPECT_EQ(static_cast<LONG>(U32At(s, text)), -5);
    EXPECT_EQ(U32At(s, text + 4), 6u);
    EXPECT_EQ(std::memcmp(s.data() + text + 8, L"ab", 4), 0);
}

TEST(StreamReader, ReportsWhereAndWhyAStreamStops) {
    StreamWriter w;
    w.EndPage(ByteVector(100, 7));
    w.EndDoc();
    const ByteVector good = w.Bytes();

    ByteVector garbage = good;
    garbage.insert(garbage.end(), {0xDE, 0xAD, 0xBE, 0xEF, 16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 9});
    auto l = twhost::ReadStream(garbage);
    EXPECT_EQ(l.end, StreamEnd::InvalidHeader);
    EXPECT_EQ(l.commands.size(), 2u);
    EXPECT_EQ(l.endOffset, good.size());
    EXPECT_NE(l.problem.find(L"trailing garbage: 17 bytes at offset 132"), std::wstring::npos) << l.problem;

    l = twhost::ReadStream({good.data(), good.size() - 3});
    EXPECT_EQ(l.end, StreamEnd::TruncatedHeader);
    EXPECT_NE(l.problem.find(L"13 of 16"), std::wstring::npos) << l.problem;

    l = twhost::ReadStream({good.data(), 16 + 40});
    EXPECT_EQ(l.end, StreamEnd::TruncatedData);
    ASSERT_EQ(l.commands.size(), 1u);
    EXPECT_EQ(l.commands[0].dataAvailable, 40u);
    EXPECT_NE(l.problem.find(L"40 of 100"), std::wstring::npos) << l.problem;

    StreamWriter huge;
    huge.WriteHeader(tw::TARNWELL_CMD_FLAG, 16, tw::PORT_CMD_END_PAGE, 0xFFFFFFF0);
    l = twhost::ReadStream(huge.Bytes());
    EXPECT_EQ(l.end, StreamEnd::DataTooLarge);
    EXPECT_TRUE(l.commands.empty());

    EXPECT_EQ(twhost::ReadStream({}).end, StreamEnd::Complete);
}

TEST(StreamReader, RandomBytesAreListedWithoutCrashing) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        ByteVector bytes(rng() % 3000);
        for (BYTE& b : bytes) b = static_cast<BYTE>(rng());
        if (bytes.size() >= 16 && round % 2) std::memcpy(bytes.data(), &tw::TARNWELL_CMD_FLAG, 4);
        const auto l = twhost::ReadStream(bytes);
        EXPECT_LE(l.endOffset, bytes.size());
        EXPECT_EQ(l.end == StreamEnd::Complete, l.problem.empty());
    }
}

TEST(StreamWriter, WritesToAFileThatTheReaderLists) {
    const std::wstring dir = twtest::MakeTempDir(L"stream");
    const std::wstring path = dir + L"\\capture.twc";
    StreamWriter w;
    ASSERT_TRUE(w.WriteToFile(path));
    w.EndPage(ByteVector(5000, 1));
    w.EndDoc();
    EXPECT_TRUE(w.Bytes().empty());
    ASSERT_TRUE(w.CloseFile());

    twhost::StreamListing l;
    ASSERT_TRUE(twhost::ReadStreamFile(path, l));
    EXPECT_EQ(l.end, StreamEnd::Complete);
    ASSERT_EQ(l.commands.size(), 2u);
    EXPECT_EQ(l.commands[0].dataSize, 5000u);
    EXPECT_NE(twhost::FormatListing(l).find(L"PORT_CMD_END_DOC"), std::wstring::npos);
    EXPECT_FALSE(twhost::ReadStreamFile(dir + L"\\missing.twc", l));
    EXPECT_FALSE(l.problem.empty());
    twtest::RemoveTree(dir);
}

// A BMP file: file header, info header, `palette` entries, then the rows.
ByteVector MakeBmp(LONG width, LONG height, WORD bpp, DWORD clrUsed, DWORD paletteEntries) {
    const DWORD stride = ((width * bpp + 31) / 32) * 4;
    const DWORD offBits = 14 + 40 + 4 * paletteEntries;
    ByteVector b(offBits + stride * std::abs(height));
    b[0] = 'B';
    b[1] = 'M';
    const DWORD fileSize = static_cast<DWORD>(b.size());
    std::memcpy(b.data() + 2, &fileSize, 4);
    std::memcpy(b.data() + 10, &offBits, 4);
    BITMAPINFOHEADER info{};
    info.biSize = 40;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = bpp;
    info.biClrUsed = clrUsed;
    std::memcpy(b.data() + 14, &info, 40);
    for (DWORD i = 0; i < paletteEntries; ++i) b[54 + 4 * i] = static_cast<BYTE>(i);
    for (size_t i = offBits; i < b.size(); ++i) b[i] = static_cast<BYTE>(i);
    return b;
}

TEST(BmpToPackedDib, DropsTheFileHeaderAndStatesThePalette) {
    ByteVector dib;
    const ByteVector bmp1 = MakeBmp(33, 10, 1, 0, 2);
    ASSERT_TRUE(twhost::BmpToPackedDib(bmp1, dib));
    ASSERT_EQ(dib.size(), bmp1.size() - 14);
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib.data(), 40);
    EXPECT_EQ(info.biClrUsed, 0u);  // as the file has it; the implied palette follows
    EXPECT_EQ(info.biSizeImage, 80u);
    EXPECT_TRUE(std::equal(dib.begin() + 40, dib.end(), bmp1.begin() + 54));

    const ByteVector bmp24 = MakeBmp(3, -2, 24, 0, 0);
    ASSERT_TRUE(twhost::BmpToPackedDib(bmp24, dib));
    EXPECT_EQ(dib.size(), 40u + 24u);

    std::wstring why;
    ByteVector bad = bmp24;
    bad[0] = 'X';
    EXPECT_FALSE(twhost::BmpToPackedDib(bad, dib, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(twhost::BmpToPackedDib({bmp1.data(), bmp1.size() - 1}, dib, &why));  // bits cut short
    EXPECT_FALSE(twhost::BmpToPackedDib(MakeBmp(4, 4, 8, 300, 0), dib, &why));       // palette too large
    EXPECT_FALSE(twhost::BmpToPackedDib({bmp1.data(), 20}, dib, &why));
}

}  // namespace
