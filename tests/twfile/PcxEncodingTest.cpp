// PCX pages byte for byte: run-length code, header fields and plane layout per depth.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "twfile/PcxEncoding.h"

namespace {

std::vector<BYTE> Line(std::vector<BYTE> bytes) {
    std::vector<BYTE> out;
    tw::EncodePcxLine(bytes.data(), bytes.size(), out);
    return out;
}

TEST(PcxEncoding, RunsAreCutAt63AndHighBytesAlwaysCarryACount) {
    EXPECT_EQ(Line(std::vector<BYTE>(100, 0x11)), (std::vector<BYTE>{0xFF, 0x11, 0xE5, 0x11}));
    EXPECT_EQ(Line({0xC5}), (std::vector<BYTE>{0xC1, 0xC5}));
    EXPECT_EQ(Line({0xBF, 0x00, 0x00}), (std::vector<BYTE>{0xBF, 0xC2, 0x00}));
    EXPECT_EQ(Line({}), std::vector<BYTE>{});
}

struct Dib {
    std::vector<BYTE> bytes;
    tw::DibView view;
    Dib(LONG width, LONG height, WORD bits, DWORD colours, LONG ppm) {
        const DWORD stride = (width * bits + 31) / 32 * 4;
        BITMAPINFOHEADER h{sizeof(h), width, height, 1, bits, BI_RGB, stride * height, ppm, ppm, colours, 0};
        bytes.resize(sizeof(h) + colours * 4 + stride * height);
        std::memcpy(bytes.data(), &h, sizeof(h));
        for (DWORD i = 0; i < colours; ++i) {
            const RGBQUAD q{static_cast<BYTE>(i), static_cast<BYTE>(2 * i), static_cast<BYTE>(3 * i), 0};
            std::memcpy(bytes.data() + sizeof(h) + 4 * i, &q, 4);
        }
        for (size_t i = sizeof(h) + colours * 4; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 13);
        EXPECT_TRUE(tw::ViewDib(bytes.data(), bytes.size(), view));
    }
};

WORD Word(const std::vector<BYTE>& b, size_t at) { return static_cast<WORD>(b[at] | (b[at + 1] << 8)); }

// Undoes the run-length code of `lines` scan lines of `lineBytes` each.
std::vector<BYTE> Expand(const std::vector<BYTE>& page, size_t lineBytes, size_t lines, size_t& end) {
    std::vector<BYTE> out;
    size_t at = tw::pcx::kHeaderBytes;
    while (out.size() < lineBytes * lines) {
        const BYTE b = page.at(at++);
        if ((b & 0xC0) == 0xC0) out.insert(out.end(), b & 0x3F, page.at(at++));
        else out.push_back(b);
        EXPECT_LE(out.size() % lineBytes == 0 ? 0 : out.size() % lineBytes, lineBytes);
    }
    end = at;
    return out;
}

TEST(PcxEncoding, HeaderAndPlanesForEveryDepth) {
    const tw::PcxScreen screen{96, 96, 1024, 768};
    struct Case {
        WORD bits;
        DWORD colours;
        BYTE bitsPerPixel, planes;
        size_t bytesPerPlane;
        WORD paletteInfo;
    } cases[] = {{1, 2, 1, 1, 2, 0}, {4, 16, 1, 4, 2, 0}, {8, 256, 8, 1, 13, 0}, {24, 0, 8, 3, 14, 1}};
    for (const Case& c : cases) {
        const Dib dib(13, 3, c.bits, c.colours, 11811);
        std::vector<BYTE> page;
        ASSERT_TRUE(tw::EncodePcxPage(dib.view, screen, page));
        EXPECT_EQ(page[0], 10);
        EXPECT_EQ(page[1], 5);
        EXPECT_EQ(page[2], 1);
        EXPECT_EQ(page[3], c.bitsPerPixel);
        EXPECT_EQ(Word(page, 8), 12);
        EXPECT_EQ(Word(page, 10), 2);
        EXPECT_EQ(Word(page, 12), 300);  // 11811 / 39.37
        EXPECT_EQ(page[65], c.planes);
        EXPECT_EQ(Word(page, 66), c.bytesPerPlane);
        EXPECT_EQ(Word(page, 68), c.paletteInfo);
        EXPECT_EQ(Word(page, 70), 1024);
        EXPECT_EQ(Word(page, 72), 768);
        // The header's colour map: the DIB palette for up to 16 colours, zero otherwise.
        const DWORD mapped = c.bits <= 4 ? (1u << c.bits) : 0;
        for (DWORD i = 0; i < 16; ++i) {
            const BYTE expected = i < mapped ? static_cast<BYTE>(3 * i) : 0;  // red of entry i
            EXPECT_EQ(page[16 + 3 * i], expected) << c.bits << " " << i;
        }
        size_t end = 0;
        const std::vector<BYTE> lines = Expand(page, c.bytesPerPlane * c.planes, 3, end);
        // The first scan line is the DIB's top row.
        const BYTE* top = dib.view.bits + 2 * dib.view.stride;
        for (LONG x = 0; x < 13; ++x) {
            if (c.bits == 24) {
                EXPECT_EQ(lines[x], top[3 * x + 2]);
                EXPECT_EQ(lines[14 + x], top[3 * x + 1]);
                EXPECT_EQ(lines[28 + x], top[3 * x]);
            } else if (c.bits == 4) {
                const int pixel = (top[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
                int rebuilt = 0;
                for (int k = 0; k < 4; ++k) rebuilt |= ((lines[k * 2 + (x >> 3)] >> (7 - (x & 7))) & 1) << k;
                EXPECT_EQ(rebuilt, pixel) << x;
            }
        }
        if (c.bits == 1 || c.bits == 8) {
            EXPECT_EQ(std::memcmp(lines.data(), top, c.bytesPerPlane), 0);
        }
        // Only 8-bit pages end with the 256-colour palette.
        if (c.bits == 8) {
            ASSERT_EQ(page.size(), end + 1 + 768);
            EXPECT_EQ(page[end], 0x0C);
            EXPECT_EQ(page[end + 1 + 3 * 5], 15);  // red of entry 5
        } else {
            EXPECT_EQ(page.size(), end);
        }
    }
}

TEST(PcxEncoding, ResolutionFromTheScreenWhenTheDibHasNone) {
    const Dib dib(8, 1, 1, 2, 0);
    std::vector<BYTE> page;
    ASSERT_TRUE(tw::EncodePcxPage(dib.view, tw::PcxScreen{120, 72, 800, 600}, page));
    EXPECT_EQ(Word(page, 12), 120);
    EXPECT_EQ(Word(page, 14), 72);
}

}  // namespace
