// The library's Group 3 / Group 4 coder against libtiff's, byte for byte: corpus pages at fax and
// 300 dpi resolution, text, halftones and noise at awkward widths, a seeded run of random row
// patterns, and the pages and streams the library's exports write.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "FaxPages.h"
#include "LibtiffFax.h"
#include "TiffLibraryFixture.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "support/EmfCorpus.h"

using namespace tifftest;

namespace {

constexpr uint32_t kT4TwoD = 1, kT4EolAligned = 4;
constexpr float kFineDpi = 196, kStandardDpi = 98;

struct NamedCoding {
    const char* name;
    FaxCoding coding;
};
const NamedCoding kCodings[] = {
    {"Group 4", {4, 0, 1, kFineDpi, 0}},
    {"Group 3 1D", {3, 0, 1, kFineDpi, 0}},
    {"Group 3 1D, EOLs aligned", {3, kT4EolAligned, 1, kFineDpi, 0}},
    {"Group 3 2D, K 4", {3, kT4TwoD, 1, kFineDpi, 0}},
    {"Group 3 2D, K 2", {3, kT4TwoD, 1, kStandardDpi, 0}},
    {"Group 3 2D, EOLs aligned", {3, kT4TwoD | kT4EolAligned, 1, kFineDpi, 0}},
    {"Group 4, strips of 7 rows", {4, 0, 1, kFineDpi, 7}},
    {"Group 3 2D, strips of 5 rows", {3, kT4TwoD, 1, kFineDpi, 5}},
};
const FaxCoding& Group4() { return kCodings[0].coding; }

// Where two codings part, for a readable failure instead of two dumped strips.
testing::AssertionResult SameStrips(const std::vector<std::vector<uint8_t>>& expected,
                                    const std::vector<std::vector<uint8_t>>& actual) {
    if (expected.empty()) return testing::AssertionFailure() << "libtiff coded nothing";
    if (expected.size() != actual.size()) {
        return testing::AssertionFailure() << actual.size() << " strips, libtiff " << expected.size();
    }
    for (size_t s = 0; s < expected.size(); ++s) {
        const auto& e = expected[s];
        const auto& a = actual[s];
        if (e == a) continue;
        size_t at = std::mismatch(e.begin(), e.end(), a.begin(), a.end()).first - e.begin();
        return testing::AssertionFailure() << "strip " << s << ": " << a.size() << " bytes, libtiff " << e.size()
                                           << "; first difference at byte " << at;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult MatchesLibtiff(const BitPage& page, const FaxCoding& coding) {
    return SameStrips(LibtiffStrips(page, coding), CoderStrips(page, coding));
}

size_t BlackPixels(const BitPage& page) {
    size_t n = 0;
    for (uint8_t byte : page.bits) n += static_cast<size_t>(__builtin_popcount(byte));
    return n;
}

TEST(FaxCoder, CorpusPagesMatchLibtiffAtFaxAnd300Dpi) {
    const std::vector<std::wstring> files = twtest::EmfCorpusFiles();
    ASSERT_FALSE(files.empty());
    // Fine fax and 300 dpi Letter: widths 6 pixels past a byte boundary.
    const struct {
        uint32_t width, height;
    } sizes[] = {{1734, 2156}, {2550, 3300}};
    size_t inked = 0;
    for (const std::wstring& file : files) {
        for (const auto& size : sizes) {
            const BitPage page = EmfPage(file.c_str(), size.width, size.height);
            if (page.bits.empty()) continue;
            inked += BlackPixels(page) > 0;
            SCOPED_TRACE(tw::ToUtf8(file) + " at " + std::to_string(size.width));
            EXPECT_TRUE(MatchesLibtiff(page, Group4()));
            if (size.width == sizes[0].width) {
                EXPECT_TRUE(MatchesLibtiff(page, kCodings[5].coding));
            }
        }
    }
    EXPECT_GT(inked, files.size()) << "too few corpus pages drew anything";
}

TEST(FaxCoder, TextHalftoneAndNoisePagesInEveryCoding) {
    std::mt19937 rng(22);
    std::vector<std::pair<std::string, BitPage>> pages;
    pages.emplace_back("text 204 dpi", TextPage(204));
    pages.emplace_back("ordered halftone 100 dpi", HalftonePage(100, false));
    pages.emplace_back("error diffusion 100 dpi", HalftonePage(100, true));
    // Widths on and around byte, 32-bit and 64-bit boundaries.
    for (uint32_t width : {1u, 2u, 7u, 8u, 9u, 31u, 32u, 33u, 63u, 64u, 65u, 127u, 129u, 1733u}) {
        for (double black : {0.03, 0.5, 0.97}) {
            pages.emplace_back("noise " + std::to_string(width) + " wide, " + std::to_string(black),
                               NoisePage(width, 24, black, rng));
        }
    }
    for (size_t i = 0; i < 3; ++i) ASSERT_GT(BlackPixels(pages[i].second), 1000u) << pages[i].first;
    for (const auto& [what, page] : pages) {
        for (const NamedCoding& c : kCodings) EXPECT_TRUE(MatchesLibtiff(page, c.coding)) << what << ", " << c.name;
    }
}

TEST(FaxCoder, SeededRowPatternsMatchLibtiff) {
    std::mt19937 rng(2212);
    size_t rows = 0;
    while (rows < 10000) {
        // Mostly page-like widths, with a share of very narrow and very wide rows.
        const uint32_t pick = rng() % 8;
        const uint32_t width = pick == 0 ? 1 + rng() % 70 : pick == 1 ? 5000 + rng() % 9000 : 1 + rng() % 3000;
        const BitPage page = RunPatternPage(width, 1 + rng() % 48, rng);
        const NamedCoding& c = kCodings[rng() % std::size(kCodings)];
        ASSERT_TRUE(MatchesLibtiff(page, c.coding)) << c.name << ", " << width << " x " << page.height << " after "
                                                   << rows << " rows";
        rows += page.height;
    }
}

// The library's exports code with the new coder; what they write must be what libtiff wrote.
class FaxExports : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_lib.Load()); }

    static BitPage PageOf(const PageDib& dib) {
        BitPage page;
        page.width = static_cast<uint32_t>(dib.Width());
        page.height = static_cast<uint32_t>(dib.Height());
        page.bits.assign(page.RowBytes() * page.height, 0);
        for (uint32_t y = 0; y < page.height; ++y) {
            for (uint32_t x = 0; x < page.width; ++x) {
                if (dib.Ink(static_cast<int>(x), static_cast<int>(y))) page.Row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            }
        }
        return page;
    }

    // A packed bottom-up DIB of the page (palette black, white) at 200 dpi.
    static PageDib DibOf(const BitPage& page) {
        const size_t stride = (size_t{page.width} + 31) / 32 * 4;
        const size_t header = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, header + stride * page.height);
        if (!block) return PageDib();
        {
            tw::GlobalLockGuard<uint8_t> lock(block);
            BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), static_cast<LONG>(page.width), static_cast<LONG>(page.height), 1, 1, BI_RGB};
            h.biClrUsed = 2;
            h.biXPelsPerMeter = h.biYPelsPerMeter = 7874;  // 200 dpi
            const RGBQUAD palette[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
            std::memcpy(lock.get(), &h, sizeof h);
            std::memcpy(lock.get() + sizeof h, palette, sizeof palette);
            for (uint32_t y = 0; y < page.height; ++y) {
                uint8_t* row = lock.get() + header + stride * (page.height - 1 - y);
                for (size_t i = 0; i < page.RowBytes(); ++i) row[i] = static_cast<uint8_t>(~page.Row(y)[i]);
            }
        }
        return PageDib(block);
    }

    std::vector<uint8_t> TiffOf(const PageDib& dib, const PageOptions& options) {
        tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE, 1));
        HTIFFDOC doc = m_lib.OpenTiffInMemory(block.get(), 1, TIFF_MODE_CREATE);
        if (!doc) return {};
        const bool ok = WritePage(m_lib, doc, dib, options) == 0;
        if (!m_lib.CloseTiffFile(doc) || !ok) return {};
        tw::GlobalLockGuard<uint8_t> lock(block.get());
        return std::vector<uint8_t>(lock.get(), lock.get() + lock.size());
    }

    TiffLibrary m_lib;
};

TEST_F(FaxExports, TiffPagesHoldLibtiffsStripsInBothFillOrders) {
    const int dpi = 200;
    PageDib dib = PageDib::Make(1733, 301, 1, 7, dpi);
    const BitPage page = PageOf(dib);
    for (int fillOrder : {1, 2}) {
        for (int t4 : {-1, 0, 1, 4, 5}) {
            for (int rowsPerStrip : {0, 64}) {
                PageOptions options;
                options.compression = t4 < 0 ? 4 : 3;
                options.t4Options = t4;
                options.fillOrder = fillOrder;
                options.rowsPerStrip = rowsPerStrip;
                FaxCoding coding{static_cast<uint16_t>(options.compression), static_cast<uint32_t>(std::max(t4, 0)),
                                 static_cast<uint16_t>(fillOrder), float(dpi), static_cast<uint32_t>(rowsPerStrip)};
                SCOPED_TRACE(testing::Message() << "T4Options " << t4 << ", fill order " << fillOrder << ", strips of "
                                                << rowsPerStrip);
                EXPECT_TRUE(SameStrips(LibtiffStrips(page, coding), RawStripsOf(TiffOf(dib, options))));
            }
        }
    }
}

TEST_F(FaxExports, LongStripsGoToTheFileInPiecesUnchanged) {
    // Some 300 KB of coded data in one strip: written as several pieces appended to the strip.
    const BitPage page = HalftonePage(100, true);
    PageDib dib = DibOf(page);
    ASSERT_TRUE(dib.Handle());
    for (int fillOrder : {1, 2}) {
        for (int t4 : {-1, 1}) {
            PageOptions options;
            options.compression = t4 < 0 ? 4 : 3;
            options.t4Options = t4;
            options.fillOrder = fillOrder;
            FaxCoding coding{static_cast<uint16_t>(options.compression), static_cast<uint32_t>(std::max(t4, 0)),
                             static_cast<uint16_t>(fillOrder), 200, 0};
            SCOPED_TRACE(testing::Message() << "T4Options " << t4 << ", fill order " << fillOrder);
            const auto expected = LibtiffStrips(page, coding);
            ASSERT_EQ(expected.size(), 1u);
            EXPECT_GT(expected[0].size(), 4 * 64 * 1024u);
            EXPECT_TRUE(SameStrips(expected, RawStripsOf(TiffOf(dib, options))));
        }
    }
}

TEST_F(FaxExports, HeaderlessStreamsAreLibtiffsStrip) {
    PageDib dib = PageDib::Make(1727, 200, 1, 9);
    const BitPage page = PageOf(dib);
    LockedPage locked(dib);
    for (DWORD coding : {TIFF_CCITT_CODING(4, 0), TIFF_CCITT_CODING(3, 0), TIFF_CCITT_CODING(3, 5)}) {
        SCOPED_TRACE(testing::Message() << "coding " << std::hex << coding);
        wchar_t dir[MAX_PATH], name[MAX_PATH];
        ::GetTempPathW(MAX_PATH, dir);
        ASSERT_TRUE(::GetTempFileNameW(dir, L"fx", 0, name));
        {
            tw::UniqueFile file(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            ASSERT_TRUE(m_lib.EncodeCcittImage(file.get(), dib.Width(), dib.Height(), coding, &locked.mono, MonochromeRows));
        }
        const std::string bytes = ReadBytes(name);
        ::DeleteFileW(name);
        // The streams are coded at fine resolution (K = 4).
        FaxCoding expected{static_cast<uint16_t>(LOWORD(coding)), HIWORD(coding), 1, kFineDpi, 0};
        EXPECT_TRUE(SameStrips(LibtiffStrips(page, expected), {std::vector<uint8_t>(bytes.begin(), bytes.end())}));
    }
}

}  // namespace
