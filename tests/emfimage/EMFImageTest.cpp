// Banded rendering against one-piece PlayEnhMetaFile of the same page: proves the band
// boundaries, the row order and the offsets into the page DIB.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/RenderFixture.h"
#include "support/EmfCorpus.h"
#include "base/WideString.h"
#include "emfimage/EMFImage.h"
#include "emfimage/EmfPageReader.h"
#include "support/TestSupport.h"

namespace {

using twtest::Raster;

struct Page {
    std::string bytes;
    tw::UniqueEnhMetaFile emf;
    tw::EmfPageInfo info;
};

Page LoadPage(const std::wstring& path) {
    Page page;
    page.bytes = twtest::ReadFileBytes(path);
    EXPECT_EQ(tw::ReadMetaFileBytes(reinterpret_cast<const BYTE*>(page.bytes.data()), page.bytes.size(), page.emf,
                                    page.info),
              tw::EmfReadResult::Ok);
    return page;
}

class EMFImageRender : public ::testing::Test {
protected:
    // Renders `page` with the fixture's DEVMODE; the result is the page DIB as a raster.
    Raster Render(const Page& page, BOOL* ok = nullptr) {
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page.bytes));
        tw::CEMFImage image(&fx.Job());
        const BOOL result = image.Create(block.get(), page.bytes.size(), dm);
        if (ok) *ok = result;
        lastPlayback = image.Playback();
        return image.PageDib() ? twtest::RasterFromPackedDib(image.PageDib()) : Raster{};
    }
    void PageSize(int width, int height) {
        fx.DevMode().Set(L"PageWidthInPixels", std::to_wstring(width));
        fx.DevMode().Set(L"PageHeightInPixels", std::to_wstring(height));
    }
    twtest::RenderFixture fx;
    tw::PlaybackStats lastPlayback;
};

TEST_F(EMFImageRender, BandedPagesEqualOnePiecePlayback) {
    struct Case {
        const wchar_t* file;
        int xDpi, yDpi, width, height;
    };
    const Case cases[] = {
        {L"examples\\page1.emf", 204, 196, 1728, 2200},  // a small 1-bit page: one band
        {L"examples\\page2.emf", 300, 300, 2550, 3300},
        {L"examples\\page1.emf", 600, 600, 5100, 6600},  // 4.2 MB: five bands of 1320 rows
        {L"examples\\page2.emf", 600, 600, 5100, 6603},  // five bands, the last 2 rows shorter
        {L"examples\\page1.emf", 200, 200, 1700, 4},     // under five rows: one band
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tw::ToUtf8(c.file) + " " + std::to_string(c.height));
        fx.DevMode().Dpi(c.xDpi, c.yDpi);
        PageSize(c.width, c.height);
        Page page = LoadPage(twtest::RepoFile(c.file));
        BOOL ok = FALSE;
        Raster banded = Render(page, &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(banded.width, c.width);
        ASSERT_EQ(banded.height, c.height);
        EXPECT_EQ(banded.bitCount, 1);
        const RECT rect{0, 0, c.width - 1, c.height - 1};
        Raster whole = twtest::PlayWhole(page.emf.get(), c.width, c.height, 1, rect);
        EXPECT_EQ(twtest::DifferentPixels(banded, whole), 0u);
    }
}

TEST_F(EMFImageRender, CorpusPagesEqualOnePiecePlayback) {
    // Pages that play cleanly (no record refused), at fax resolution and at 300 dpi.
    const wchar_t* files[] = {L"dtformats__Memo.emf", L"libemf2svg__test-000.emf", L"chromium__test4.emf"};
    for (const wchar_t* file : files) {
        for (int dpi : {196, 300}) {
            SCOPED_TRACE(tw::ToUtf8(file) + " at " + std::to_string(dpi));
            const int x = dpi == 196 ? 204 : 300;
            fx.DevMode().Dpi(x, dpi);
            PageSize(x * 17 / 2, dpi * 11);
            Page page = LoadPage(twtest::EmfCorpusFile(file));
            Raster banded = Render(page);
            ASSERT_EQ(lastPlayback.skipped, 0);
            const RECT rect{0, 0, banded.width - 1, banded.height - 1};
            Raster whole = twtest::PlayWhole(page.emf.get(), banded.width, banded.height, 1, rect);
            EXPECT_EQ(twtest::DifferentPixels(banded, whole), 0u);
        }
    }
}

TEST_F(EMFImageRender, TrueColourBandsEqualOnePiecePlayback) {
    fx.DevMode().Dpi(150, 150).ColorMode(3);
    PageSize(1275, 1650);
    fx.SetPageSetting(L"Antialiasing", 3);  // fonts as recorded, as PlayEnhMetaFile plays them
    Page page = LoadPage(twtest::RepoFile(L"examples\\page1.emf"));
    Raster banded = Render(page);
    ASSERT_EQ(banded.bitCount, 24);
    EXPECT_EQ(banded.paletteEntries, 0u);
    const RECT rect{0, 0, banded.width - 1, banded.height - 1};
    Raster whole = twtest::PlayWhole(page.emf.get(), banded.width, banded.height, 24, rect);
    EXPECT_EQ(twtest::DifferentPixels(banded, whole), 0u);
}

TEST_F(EMFImageRender, AnisotropicPagesAreDrawnAtEmfSizeAndStretched) {
    fx.DevMode().Dpi(300, 600);
    PageSize(2550, 6600);
    Page page = LoadPage(twtest::RepoFile(L"examples\\page2.emf"));
    Raster banded = Render(page);
    ASSERT_EQ(banded.width, 2550);
    ASSERT_EQ(banded.height, 6600);
    const SIZE emfSize = tw::EmfPageSizeInPixels(page.info);
    Raster whole = twtest::PlayWholeScaled(page.emf.get(), emfSize, banded.width, banded.height, 1);
    const size_t total = static_cast<size_t>(banded.width) * banded.height;
    EXPECT_EQ(twtest::DifferentPixels(banded, whole), 0u);
    // And the page is not blank: the stretch did carry the content.
    Raster blank = banded;
    std::fill(blank.bits.begin(), blank.bits.end(), 0xFF);
    EXPECT_GT(twtest::DifferentPixels(banded, blank), total / 200);
}

TEST_F(EMFImageRender, RotationTurnsThePageAndItsResolution) {
    fx.DevMode().Dpi(204, 196);
    PageSize(1728, 2200);
    Page page = LoadPage(twtest::RepoFile(L"examples\\page1.emf"));
    Raster upright = Render(page);
    fx.SetPageSettingText(L"Rotation", L"3");
    Raster turned = Render(page);
    ASSERT_EQ(turned.width, 2200);
    ASSERT_EQ(turned.height, 1728);
    EXPECT_EQ(turned.xPelsPerMeter, upright.yPelsPerMeter);
    EXPECT_EQ(turned.yPelsPerMeter, upright.xPelsPerMeter);
    // Clockwise: the upright page's top-left pixel lands at the top-right.
    size_t mismatches = 0;
    for (LONG y = 0; y < upright.height; y += 37)
        for (LONG x = 0; x < upright.width; x += 29)
            mismatches += upright.Pixel(x, y) != turned.Pixel(upright.height - 1 - y, x);
    EXPECT_EQ(mismatches, 0u);
}

TEST_F(EMFImageRender, BadPagesAreReportedNotRendered) {
    fx.DevMode().Dpi(300, 300);
    Page bad;
    bad.bytes.assign(200, '\0');
    BOOL ok = TRUE;
    Raster none = Render(bad, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(none.width, 0);
    EXPECT_TRUE(fx.Job().HasError());
    EXPECT_NE(fx.Job().StatusText().find(L"Internal error"), std::wstring::npos);

    // A DEVMODE whose page has no rows cannot be sized: internal error 251.
    twtest::RenderFixture other;
    other.DevMode().Set(L"PageHeightInPixels", L"0");
    tw::TarnwellDEVMODE dm = other.DevMode().Record();
    Page page = LoadPage(twtest::RepoFile(L"examples\\page1.emf"));
    tw::UniqueHGlobal block(twtest::GlobalFromBytes(page.bytes));
    tw::CEMFImage image(&other.Job());
    EXPECT_FALSE(image.Create(block.get(), page.bytes.size(), dm));
    EXPECT_NE(other.Job().StatusText().find(L"251"), std::wstring::npos);
}

TEST_F(EMFImageRender, RawPagesOfThePageSizeComeOutUnchanged) {
    fx.DevMode().Dpi(204, 196);
    PageSize(1728, 2203);
    // The independent rendering of a real page is the raw data the driver would send.
    Page page = LoadPage(twtest::RepoFile(L"examples\\page1.emf"));
    Raster source = twtest::PlayWhole(page.emf.get(), 1728, 2203, 1, RECT{0, 0, 1727, 2202});
    std::string dib(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD), '\0');
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 1728, 2203, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
    std::memcpy(dib.data(), &h, sizeof(h));
    const RGBQUAD white{255, 255, 255, 0};
    std::memcpy(dib.data() + sizeof(h) + sizeof(RGBQUAD), &white, sizeof(white));
    dib.append(reinterpret_cast<const char*>(source.bits.data()), source.bits.size());

    tw::TarnwellDEVMODE dm = fx.DevMode().Record();
    tw::UniqueHGlobal block(twtest::GlobalFromBytes(dib));
    tw::CEMFImage image(&fx.Job());
    ASSERT_TRUE(image.CreateFromRawData(block.get(), dib.size(), dm));
    Raster out = twtest::RasterFromPackedDib(image.PageDib());
    ASSERT_EQ(out.height, 2203);
    // Five fifths of 2203 source rows cover 2200; the sixth band takes the last three.
    EXPECT_EQ(twtest::DifferentPixels(out, source), 0u);

    // A DIB that claims more rows than it carries is refused.
    BITMAPINFOHEADER lying = h;
    lying.biHeight = 99999;
    std::memcpy(dib.data(), &lying, sizeof(lying));
    tw::UniqueHGlobal badBlock(twtest::GlobalFromBytes(dib));
    tw::CEMFImage badImage(&fx.Job());
    EXPECT_FALSE(badImage.CreateFromRawData(badBlock.get(), dib.size(), dm));
}

// The source page as a packed DIB of `bits` (1, 4 or 8) whose palette runs from black (0) to
// white (last entry); `clrUsed0` leaves biClrUsed 0, `topDown` stores the rows top-down.
std::string RawDib(const Raster& source, WORD bits, bool clrUsed0, bool topDown) {
    const DWORD entries = 1u << bits;
    const DWORD stride = (source.width * bits + 31) / 32 * 4;
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), source.width, topDown ? -source.height : source.height, 1, bits,
                       BI_RGB, 0, 0, 0, clrUsed0 ? 0 : entries, 0};
    std::string dib(sizeof(h) + entries * sizeof(RGBQUAD) + size_t(stride) * source.height, '\0');
    std::memcpy(dib.data(), &h, sizeof(h));
    for (DWORD i = 0; i < entries; ++i) {
        const BYTE v = static_cast<BYTE>(i * 255 / (entries - 1));
        const RGBQUAD q{v, v, v, 0};
        std::memcpy(dib.data() + sizeof(h) + i * sizeof(RGBQUAD), &q, sizeof(q));
    }
    BYTE* rows = reinterpret_cast<BYTE*>(dib.data()) + sizeof(h) + entries * sizeof(RGBQUAD);
    for (LONG y = 0; y < source.height; ++y) {
        BYTE* row = rows + size_t(topDown ? y : source.height - 1 - y) * stride;
        for (LONG x = 0; x < source.width; ++x) {
            const DWORD index = source.Pixel(x, y) ? entries - 1 : 0;
            row[x * bits / 8] |= static_cast<BYTE>(index << (8 - bits - x * bits % 8));
        }
    }
    return dib;
}

TEST_F(EMFImageRender, RawPagesAreReadAsBmpReadersReadThem) {
    fx.DevMode().Dpi(204, 196);
    PageSize(1728, 2203);
    Page page = LoadPage(twtest::RepoFile(L"examples\\page1.emf"));
    const Raster source = twtest::PlayWhole(page.emf.get(), 1728, 2203, 1, RECT{0, 0, 1727, 2202});
    struct Case {
        const char* name;
        WORD bits;
        bool clrUsed0, topDown;
    };
    const Case cases[] = {{"top-down", 1, false, true},      {"1-bit biClrUsed 0", 1, true, false},
                          {"4-bit biClrUsed 0", 4, true, false}, {"8-bit biClrUsed 0", 8, true, false},
                          {"top-down 8-bit biClrUsed 0", 8, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dib = RawDib(source, c.bits, c.clrUsed0, c.topDown);
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(dib));
        tw::CEMFImage image(&fx.Job());
        ASSERT_TRUE(image.CreateFromRawData(block.get(), dib.size(), dm));
        EXPECT_EQ(twtest::DifferentPixels(twtest::RasterFromPackedDib(image.PageDib()), source), 0u);
    }
    EXPECT_FALSE(fx.Job().HasError());

    // Headers that lie about the rows stay refused whichever way they run.
    for (LONG height : {-99999L, LONG(0x80000000)}) {
        std::string dib = RawDib(source, 1, true, true);
        std::memcpy(dib.data() + offsetof(BITMAPINFOHEADER, biHeight), &height, sizeof(height));
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(dib));
        tw::CEMFImage image(&fx.Job());
        EXPECT_FALSE(image.CreateFromRawData(block.get(), dib.size(), dm));
    }
    EXPECT_NE(fx.Job().StatusText().find(L"251"), std::wstring::npos);
}

}  // namespace
