// The monochrome band copy against GDI's own conversion: real pages drawn into band bitmaps of
// awkward widths, copied both ways, byte for byte the same rows.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/EmfCorpus.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "emfimage/BandBitmap.h"
#include "emfimage/PagePlayer.h"

namespace twtest {
namespace {

struct OneBitInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD palette[2]{RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
};

DWORD DibStride(LONG width) { return static_cast<DWORD>((width + 31) / 32 * 4); }

// The top `rows` rows of the band as GetDIBits gives them into a bottom-up DIB.
std::vector<BYTE> ByGetDIBits(HDC dc, HBITMAP band, LONG width, LONG height, LONG rows) {
    OneBitInfo info;
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 1, BI_RGB};
    info.header.biClrUsed = 2;
    std::vector<BYTE> out(DibStride(width) * rows, 0xAA);
    const int copied = ::GetDIBits(dc, band, static_cast<UINT>(height - rows), static_cast<UINT>(rows), out.data(),
                                   reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    EXPECT_EQ(copied, rows);
    return out;
}

TEST(BandCopy, MonochromeRowsMatchGdisConversion) {
    std::vector<std::wstring> pages = EmfCorpusFiles();
    ASSERT_FALSE(pages.empty());
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    std::vector<BYTE> scratch;
    size_t inked = 0;
    // Widths on and off byte, word and dword boundaries; bands whole and cut short.
    const LONG widths[] = {1734, 2550, 1733, 17, 8, 33};
    for (size_t i = 0; i < pages.size(); i += 3) {
        tw::UniqueEnhMetaFile emf(::GetEnhMetaFileW(pages[i].c_str()));
        if (!emf) continue;
        const LONG width = widths[i / 3 % std::size(widths)], height = 431;
        tw::UniqueGdiObject band(::CreateBitmap(width, height, 1, 1, nullptr));
        ASSERT_TRUE(band);
        {
            tw::SelectGuard select(dc.get(), band.get());
            ::PatBlt(dc.get(), 0, 0, width, height, WHITENESS);
            const RECT rect{0, 0, width, height * 3};
            tw::PlaybackBudget budget;  // corpus pages go through the checked player, as in a job
            tw::PlayPage(dc.get(), emf.get(), rect, nullptr, tw::FontQualityRule{}, budget);
        }
        for (LONG rows : {height, LONG{1}, LONG{200}}) {
            SCOPED_TRACE(testing::Message() << tw::ToUtf8(pages[i]) << " width " << width << " rows " << rows);
            const std::vector<BYTE> expected = ByGetDIBits(dc.get(), static_cast<HBITMAP>(band.get()), width, height, rows);
            std::vector<BYTE> copied(expected.size(), 0x55);
            ASSERT_TRUE(tw::CopyMonochromeRows(static_cast<HBITMAP>(band.get()), rows, copied.data(), DibStride(width),
                                               scratch));
            EXPECT_EQ(expected, copied);  // padding included: both leave it zero
            for (BYTE byte : copied) inked += byte != 0xFF;
        }
    }
    EXPECT_GT(inked, 1000u) << "the pages drew nothing: the comparison proves nothing";

    // A colour bitmap is not copied this way.
    tw::UniqueDC screen(::CreateCompatibleDC(nullptr));
    BITMAPINFOHEADER colour{sizeof(BITMAPINFOHEADER), 16, 16, 1, 24, BI_RGB};
    void* bits = nullptr;
    tw::UniqueGdiObject section(::CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&colour),
                                                   DIB_RGB_COLORS, &bits, nullptr, 0));
    std::vector<BYTE> target(64 * 16);
    EXPECT_FALSE(tw::CopyMonochromeRows(static_cast<HBITMAP>(section.get()), 16, target.data(), 64, scratch));
}

}  // namespace
}  // namespace twtest
