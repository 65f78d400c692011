// The GIF LZW coder against a decoder of this test: pixels come back, the code size grows and
// the table is cleared exactly where a standard decoder expects it, batches become sub-blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "twfile/gif/GifLzw.h"

namespace {

// Pixels of a bottom-up DIB made by a fixed generator, so that runs repeat bytes.
struct Page {
    std::vector<BYTE> bits;
    tw::GifPixels pixels;
    Page(LONG width, LONG height, int depth, unsigned seed, int noise) {
        const DWORD stride = (width * depth + 31) / 32 * 4;
        bits.assign(static_cast<size_t>(stride) * height, 0);
        unsigned state = seed;
        for (size_t i = 0; i < bits.size(); ++i) {
            state = state * 1103515245u + 12345u;
            bits[i] = static_cast<BYTE>((state >> 16) % noise);
        }
        pixels = {bits.data(), width, height, stride, depth};
    }
    int Pixel(LONG x, LONG y) const {  // y from the top
        const BYTE* row = bits.data() + static_cast<size_t>(pixels.height - 1 - y) * pixels.stride;
        switch (pixels.depth) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        default: return row[x];
        }
    }
};

struct Decoded {
    std::vector<int> pixels;
    std::vector<int> nextAtClear;   // the decoder's next code at every clear code but the first
    std::vector<int> nextAtGrowth;  // the decoder's next code whenever the code size grew
    std::vector<size_t> blockSizes;
    bool ended = false;
};

Decoded Decode(const std::vector<BYTE>& stream) {
    Decoded d;
    const int minimum = stream.at(0);
    std::vector<BYTE> data;
    size_t at = 1;
    while (at < stream.size()) {
        const size_t n = stream[at++];
        d.blockSizes.push_back(n);
        data.insert(data.end(), stream.begin() + at, stream.begin() + at + n);
        at += n;
    }
    const int clear = 1 << minimum, end = clear + 1;
    std::vector<std::vector<int>> table;
    auto reset = [&] {
        table.assign(clear + 2, {});
        for (int i = 0; i < clear; ++i) table[i] = {i};
    };
    reset();
    int size = minimum + 1, prev = -1;
    size_t bit = 0;
    bool first = true;
    while (bit + size <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < size; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == clear) {
            if (!first) d.nextAtClear.push_back(static_cast<int>(table.size()));
            first = false;
            reset();
            size = minimum + 1;
            prev = -1;
            continue;
        }
        if (code == end) {
            d.ended = true;
            break;
        }
        std::vector<int> entry;
        if (code < static_cast<int>(table.size())) entry = table[code];
        else if (code == static_cast<int>(table.size()) && prev >= 0) {
            entry = table[prev];
            entry.push_back(table[prev][0]);
        } else {
            ADD_FAILURE() << "code " << code << " beyond the table " << table.size();
            return d;
        }
        if (prev >= 0) {
            std::vector<int> added = table[prev];
            added.push_back(entry[0]);
            table.push_back(added);
            if (static_cast<int>(table.size()) == (1 << size) && size < 12) {
                d.nextAtGrowth.push_back(static_cast<int>(table.size()));
                ++size;
            }
        }
        d.pixels.insert(d.pixels.end(), entry.begin(), entry.end());
        prev = code;
    }
    return d;
}

std::vector<BYTE> Compress(const Page& page) {
    std::vector<BYTE> out;
    const tw::GifSink sink = [&out](const BYTE* p, size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    };
    EXPECT_EQ(tw::CompressGifImage(page.pixels, sink), 0);
    return out;
}

void ExpectPixels(const Page& page, const Decoded& d) {
    ASSERT_EQ(d.pixels.size(), static_cast<size_t>(page.pixels.width) * page.pixels.height);
    size_t i = 0;
    for (LONG y = 0; y < page.pixels.height; ++y)
        for (LONG x = 0; x < page.pixels.width; ++x, ++i)
            ASSERT_EQ(d.pixels[i], page.Pixel(x, y)) << x << "," << y;
}

TEST(GifLzw, NoisyPageFillsTheTableSeveralTimesAndClearsAt4095) {
    const Page page(700, 400, 8, 7, 40);
    const std::vector<BYTE> stream = Compress(page);
    const Decoded d = Decode(stream);
    EXPECT_TRUE(d.ended);
    ExpectPixels(page, d);
    ASSERT_GE(d.nextAtClear.size(), 3u);
    for (int next : d.nextAtClear) EXPECT_EQ(next, tw::gifcode::kLastCode);
    // 9 to 12 bits after every clear: growth when the table reaches 512, 1024 and 2048.
    for (size_t i = 0; i < d.nextAtGrowth.size(); ++i) EXPECT_EQ(d.nextAtGrowth[i], 512 << (i % 3)) << i;
    // Batches of 32767 bytes: 128 sub-blocks of 255 and one of 127, the last batch shorter.
    ASSERT_GT(d.blockSizes.size(), 129u);
    for (size_t i = 0; i + 1 < d.blockSizes.size(); ++i)
        EXPECT_EQ(d.blockSizes[i], (i % 129 == 128) ? 127u : 255u) << i;
    EXPECT_EQ(Compress(page), stream);  // the same bytes on every run
}

TEST(GifLzw, OneAndFourBitPagesUseMinimumCodeSizesTwoAndFour) {
    for (int depth : {1, 4}) {
        // Widths that leave bits over at the end of every row.
        const Page page(1003, 250, depth, 11, 256);
        const std::vector<BYTE> stream = Compress(page);
        EXPECT_EQ(stream[0], depth == 1 ? 2 : 4);
        const Decoded d = Decode(stream);
        EXPECT_TRUE(d.ended);
        ExpectPixels(page, d);
        for (int next : d.nextAtClear) EXPECT_EQ(next, tw::gifcode::kLastCode);
        EXPECT_FALSE(d.nextAtClear.empty()) << depth;
    }
}

TEST(GifLzw, TinyAndEmptyPages) {
    const Page one(1, 1, 8, 3, 256);
    const Decoded d = Decode(Compress(one));
    EXPECT_TRUE(d.ended);
    ExpectPixels(one, d);
    Page none(0, 0, 8, 1, 2);
    EXPECT_EQ(tw::CompressGifImage(none.pixels, [](const BYTE*, size_t) { return true; }), tw::giferr::kCoding);
    // A sink that refuses is a failed write.
    EXPECT_EQ(tw::CompressGifImage(one.pixels, [](const BYTE*, size_t) { return false; }), tw::giferr::kFile);
}

}  // namespace
