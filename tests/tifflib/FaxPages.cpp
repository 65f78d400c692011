#include "FaxPages.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/PagePlayer.h"

namespace tifftest {
namespace {

constexpr double kLetterWidthInches = 8.5, kLetterHeightInches = 11.0;

void SetBlack(BitPage& page, uint32_t x, uint32_t y) { page.Row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7)); }

BitPage Blank(uint32_t width, uint32_t height) {
    BitPage page;
    page.width = width;
    page.height = height;
    page.bits.assign(page.RowBytes() * height, 0);
    return page;
}

BitPage LetterPage(int dpi) {
    return Blank(static_cast<uint32_t>(kLetterWidthInches * dpi), static_cast<uint32_t>(kLetterHeightInches * dpi));
}

// A 1-bit top-down DIB section (palette black, white) that `draw` paints, as a page.
template <typename Draw>
BitPage DrawnPage(uint32_t width, uint32_t height, Draw draw) {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD palette[2];
    } bi{};
    bi.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), static_cast<LONG>(width), -static_cast<LONG>(height), 1, 1, BI_RGB};
    bi.h.biClrUsed = 2;
    bi.palette[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    tw::UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits,
                                                  nullptr, 0));
    if (!dc || !bitmap) return BitPage{};
    {
        tw::SelectGuard select(dc.get(), bitmap.get());
        ::PatBlt(dc.get(), 0, 0, static_cast<int>(width), static_cast<int>(height), WHITENESS);
        draw(dc.get());
        ::GdiFlush();
    }
    BitPage page = Blank(width, height);
    const size_t stride = (size_t{width} + 31) / 32 * 4;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = static_cast<const uint8_t*>(bits) + stride * y;
        for (size_t i = 0; i < page.RowBytes(); ++i) page.Row(y)[i] = static_cast<uint8_t>(~src[i]);  // ink is 1
    }
    // Bits past the width stay white: the page's own pixels only.
    if (width % 8) {
        for (uint32_t y = 0; y < height; ++y) page.Row(y)[page.RowBytes() - 1] &= static_cast<uint8_t>(0xFF00 >> (width % 8));
    }
    return page;
}

// Photographic tones in [0, 1] (1 black) over the page.
double Tone(double x, double y) {
    const double rings = 0.5 + 0.5 * std::sin(std::hypot(x - 0.3, y - 0.4) * 40.0);
    const double waves = 0.5 + 0.5 * std::sin(x * 17.0) * std::cos(y * 11.0);
    return std::clamp(0.4 * rings + 0.4 * waves + 0.2 * x, 0.0, 1.0);
}

}  // namespace

BitPage TextPage(int dpi) {
    const uint32_t width = static_cast<uint32_t>(kLetterWidthInches * dpi), height = static_cast<uint32_t>(kLetterHeightInches * dpi);
    return DrawnPage(width, height, [dpi](HDC dc) {
        const int points = 10, lineHeight = dpi * points * 12 / 10 / 72;
        tw::UniqueGdiObject font(::CreateFontW(-dpi * points / 72, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                               DEFAULT_PITCH, L"Liberation Serif"));
        tw::SelectGuard selectFont(dc, font.get());
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkMode(dc, TRANSPARENT);
        const wchar_t* words[] = {L"printing", L"port", L"monitor", L"page", L"fax", L"document", L"the", L"of",
                                  L"and", L"resolution", L"compression", L"Group", L"encoding", L"rows", L"output"};
        unsigned seed = 12345;
        for (int y = dpi; y + lineHeight < static_cast<int>(kLetterHeightInches * dpi) - dpi; y += lineHeight) {
            std::wstring text;
            while (text.size() < 88) {
                seed = seed * 1103515245u + 12345u;
                text += words[(seed >> 16) % std::size(words)];
                text += L' ';
            }
            ::TextOutW(dc, dpi, y, text.c_str(), static_cast<int>(text.size()));
        }
    });
}

BitPage HalftonePage(int dpi, bool errorDiffusion) {
    BitPage page = LetterPage(dpi);
    static constexpr int kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                         {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
                                         {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
                                         {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    std::vector<double> error(size_t{page.width} + 2, 0.0), next(size_t{page.width} + 2, 0.0);
    for (uint32_t y = 0; y < page.height; ++y) {
        for (uint32_t x = 0; x < page.width; ++x) {
            const double tone = Tone(double(x) / page.width, double(y) / page.height);
            bool black;
            if (errorDiffusion) {  // Floyd-Steinberg
                const double value = tone + error[x + 1];
                black = value >= 0.5;
                const double e = value - (black ? 1.0 : 0.0);
                error[x + 2] += e * 7 / 16;
                next[x] += e * 3 / 16;
                next[x + 1] += e * 5 / 16;
                next[x + 2] += e / 16;
            } else {
                black = tone * 64 > kBayer[y % 8][x % 8] + 0.5;
            }
            if (black) SetBlack(page, x, y);
        }
        error.swap(next);
        std::fill(next.begin(), next.end(), 0.0);
    }
    return page;
}

BitPage NoisePage(uint32_t width, uint32_t height, double black, std::mt19937& rng) {
    BitPage page = Blank(width, height);
    std::bernoulli_distribution ink(black);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (ink(rng)) SetBlack(page, x, y);
        }
    }
    return page;
}

BitPage RunPatternPage(uint32_t width, uint32_t height, std::mt19937& rng) {
    BitPage page = Blank(width, height);
    // Run lengths of one scale per row: single pixels, text strokes, wide areas, longer than the
    // longest make-up code.
    const uint32_t scales[] = {3, 40, 700, 6000};
    for (uint32_t y = 0; y < height; ++y) {
        if (y > 0 && rng() % 2) {
            // The row above with each pixel taken from up to three pixels left or right.
            const int shift = static_cast<int>(rng() % 7) - 3;
            for (uint32_t x = 0; x < width; ++x) {
                const int64_t from = int64_t{x} + (rng() % 4 == 0 ? static_cast<int>(rng() % 7) - 3 : shift);
                if (from >= 0 && from < width && page.Black(static_cast<uint32_t>(from), y - 1)) SetBlack(page, x, y);
            }
            continue;
        }
        const uint32_t scale = scales[rng() % std::size(scales)];
        bool black = rng() % 2;
        for (uint32_t x = 0; x < width;) {
            const uint32_t run = 1 + rng() % scale;
            for (uint32_t end = std::min(width, x + run); x < end; ++x) {
                if (black) SetBlack(page, x, y);
            }
            black = !black;
        }
    }
    return page;
}

BitPage EmfPage(const wchar_t* file, uint32_t width, uint32_t height) {
    tw::UniqueEnhMetaFile emf(::GetEnhMetaFileW(file));
    if (!emf) return BitPage{};
    return DrawnPage(width, height, [&emf, width, height](HDC dc) {
        const RECT rect{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
        tw::PlaybackBudget budget;
        tw::PlayPage(dc, emf.get(), rect, nullptr, tw::FontQualityRule{}, budget);
    });
}

}  // namespace tifftest
