#pragma once
// The pages the benchmarks code: a 300 dpi Letter page of body text (1 bit) and a picture page
// of the same size (24 bits), drawn by GDI into DIB sections.
#include <windows.h>

#include <cstring>
#include <string>

#include "base/UniqueHandle.h"

namespace bench {

constexpr int kWidth = 2550, kHeight = 3300, kDpi = 300;
constexpr int kPelsPerMeter = (kDpi * 10000 + 127) / 254;

// A drawn page: its DIB section and a BITMAPINFOHEADER with palette that describes the bits.
struct Page {
    tw::UniqueGdiObject bitmap;
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD palette[2];
    } info{};
    const BYTE* bits = nullptr;
    size_t Stride() const { return (static_cast<size_t>(info.h.biWidth) * info.h.biBitCount + 31) / 32 * 4; }
    size_t ImageBytes() const { return Stride() * static_cast<size_t>(info.h.biHeight); }
};

inline bool CreatePage(Page& page, WORD bits, tw::UniqueDC& dc) {
    page.info.h.biSize = sizeof(BITMAPINFOHEADER);
    page.info.h.biWidth = kWidth;
    page.info.h.biHeight = kHeight;
    page.info.h.biPlanes = 1;
    page.info.h.biBitCount = bits;
    page.info.h.biClrUsed = bits == 1 ? 2 : 0;
    page.info.h.biXPelsPerMeter = page.info.h.biYPelsPerMeter = kPelsPerMeter;
    page.info.palette[1] = RGBQUAD{255, 255, 255, 0};
    void* p = nullptr;
    dc.reset(::CreateCompatibleDC(nullptr));
    page.bitmap.reset(::CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO*>(&page.info), DIB_RGB_COLORS, &p, nullptr, 0));
    page.bits = static_cast<const BYTE*>(p);
    return dc && page.bitmap;
}

// 66 lines of 10-point serif type at 300 dpi.
inline bool RenderTextPage(Page& page) {
    tw::UniqueDC dc;
    if (!CreatePage(page, 1, dc)) return false;
    tw::SelectGuard selectBitmap(dc.get(), page.bitmap.get());
    ::PatBlt(dc.get(), 0, 0, kWidth, kHeight, WHITENESS);
    tw::UniqueGdiObject font(::CreateFontW(-42, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                           CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Liberation Serif"));
    tw::SelectGuard selectFont(dc.get(), font.get());
    ::SetTextColor(dc.get(), RGB(0, 0, 0));
    ::SetBkMode(dc.get(), TRANSPARENT);
    const wchar_t* words[] = {L"printing", L"port", L"monitor", L"page", L"fax", L"document", L"the", L"of", L"and",
                              L"resolution", L"compression", L"Group", L"encoding", L"rows", L"TIFF", L"output"};
    unsigned seed = 12345;
    for (int line = 0; line < 66; ++line) {
        std::wstring text;
        while (text.size() < 88) {
            seed = seed * 1103515245u + 12345u;
            text += words[(seed >> 16) % (sizeof words / sizeof words[0])];
            text += L' ';
        }
        ::TextOutW(dc.get(), 300, 300 + line * 41, text.c_str(), static_cast<int>(text.size()));
    }
    ::GdiFlush();
    return true;
}

// Colour gradients under overlapping filled circles: a photograph's smooth areas and edges.
inline bool RenderPicturePage(Page& page) {
    tw::UniqueDC dc;
    if (!CreatePage(page, 24, dc)) return false;
    tw::SelectGuard selectBitmap(dc.get(), page.bitmap.get());
    auto* bits = const_cast<BYTE*>(page.bits);
    const size_t stride = page.Stride();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            BYTE* p = bits + stride * y + 3 * x;
            p[0] = static_cast<BYTE>(x * 255 / kWidth);
            p[1] = static_cast<BYTE>(y * 255 / kHeight);
            p[2] = static_cast<BYTE>((x + y) * 255 / (kWidth + kHeight));
        }
    unsigned seed = 4321;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        tw::UniqueGdiObject brush(::CreateSolidBrush(RGB(seed >> 8 & 255, seed >> 16 & 255, seed >> 24 & 255)));
        tw::SelectGuard selectBrush(dc.get(), brush.get());
        const int x = static_cast<int>(seed % kWidth), y = static_cast<int>((seed >> 12) % kHeight), r = 100 + i * 7;
        ::Ellipse(dc.get(), x - r, y - r, x + r, y + r);
    }
    ::GdiFlush();
    return true;
}

// The page as a packed DIB in a moveable global block, as the writers receive it.
inline HGLOBAL PackedDib(const Page& page) {
    const size_t palette = page.info.h.biClrUsed * sizeof(RGBQUAD);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + palette + page.ImageBytes());
    tw::GlobalLockGuard<BYTE> to(block);
    if (!to) return block;
    BITMAPINFOHEADER h = page.info.h;
    h.biSizeImage = static_cast<DWORD>(page.ImageBytes());
    std::memcpy(to.get(), &h, sizeof(h));
    std::memcpy(to.get() + sizeof(h), page.info.palette, palette);
    std::memcpy(to.get() + sizeof(h) + palette, page.bits, page.ImageBytes());
    return block;
}

inline double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace bench
