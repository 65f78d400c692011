#include "emfimage/TestPages.h"

#include <cstring>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/PackedDib.h"

namespace twtest {
namespace {

constexpr LONG kPelsPerMeter = 3937;  // 100 DPI

struct Section {
    tw::UniqueDC dc;
    tw::UniqueGdiObject bitmap;
    BYTE* bits = nullptr;
};

bool MakeSection(LONG width, LONG height, Section& s) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    s.dc.reset(::CreateCompatibleDC(nullptr));
    s.bitmap.reset(::CreateDIBSection(s.dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    s.bits = static_cast<BYTE*>(bits);
    if (!s.dc || !s.bitmap) return false;
    RECT all{0, 0, width, height};
    tw::SelectGuard keep(s.dc.get(), s.bitmap.get());
    ::FillRect(s.dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    return true;
}

template <typename Draw>
HGLOBAL Drawn(LONG width, LONG height, Draw draw) {
    Section s;
    if (!MakeSection(width, height, s)) return nullptr;
    {
        tw::SelectGuard keep(s.dc.get(), s.bitmap.get());
        draw(s.dc.get());
        ::GdiFlush();
    }
    return PackDibSection(static_cast<HBITMAP>(s.bitmap.get()));
}

}  // namespace

HGLOBAL PackDibSection(HBITMAP section) {
    DIBSECTION ds{};
    if (::GetObjectW(section, sizeof(ds), &ds) != sizeof(ds) || ds.dsBm.bmBitsPixel != 24) return nullptr;
    const LONG width = ds.dsBm.bmWidth, height = ds.dsBm.bmHeight;
    HGLOBAL dib = tw::NewPackedDib(width, height, tw::kBits24, nullptr, 0, kPelsPerMeter, kPelsPerMeter);
    tw::DibView view(dib);
    if (!view.valid()) return dib;
    const BYTE* bits = static_cast<const BYTE*>(ds.dsBm.bmBits);
    for (LONG y = 0; y < height; ++y)
        std::memcpy(view.StoredRow(y), bits + size_t(y) * ds.dsBm.bmWidthBytes, view.Shape().stride);
    return dib;
}

HGLOBAL UniformPage(LONG width, LONG height, Rgb c) {
    HGLOBAL dib = tw::NewPackedDib(width, height, tw::kBits24, nullptr, 0, kPelsPerMeter, kPelsPerMeter);
    tw::DibView view(dib);
    for (LONG y = 0; view.valid() && y < height; ++y) {
        BYTE* row = view.StoredRow(y);
        for (LONG x = 0; x < width; ++x) {
            row[x * 3] = c.b;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.r;
        }
    }
    return dib;
}

HGLOBAL PhotoPage(LONG width, LONG height) {
    return Drawn(width, height, [&](HDC dc) {
        TRIVERTEX v[2] = {{0, 0, 0xFF00, 0x8000, 0x2000, 0}, {width, height / 2, 0x1000, 0x4000, 0xE000, 0}};
        GRADIENT_RECT rect{0, 1};
        ::GradientFill(dc, v, 2, &rect, 1, GRADIENT_FILL_RECT_H);
        TRIVERTEX w[2] = {{0, height / 2, 0x2000, 0xC000, 0x3000, 0}, {width, height, 0xF000, 0xF000, 0x9000, 0}};
        ::GradientFill(dc, w, 2, &rect, 1, GRADIENT_FILL_RECT_V);
        for (int i = 0; i < 6; ++i) {
            tw::UniqueGdiObject brush(::CreateSolidBrush(RGB(40 * i, 255 - 35 * i, 90 + 25 * i)));
            tw::SelectGuard keep(dc, brush.get());
            const LONG cx = width * (i + 1) / 7, cy = height * (1 + (i % 3)) / 4, r = width / 9;
            ::Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
        }
        unsigned seed = 7;
        for (LONG y = height * 3 / 4; y < height * 3 / 4 + height / 10; ++y)
            for (LONG x = 0; x < width; ++x) {
                seed = seed * 1103515245u + 12345u;
                const BYTE n = BYTE(seed >> 24);
                ::SetPixel(dc, x, y, RGB(n, BYTE(n / 2 + 64), BYTE(255 - n)));
            }
    });
}

HGLOBAL GreyTextPage(LONG width, LONG height) {
    return Drawn(width, height, [&](HDC dc) {
        LOGFONTW lf{};
        lf.lfHeight = -height / 40;
        lf.lfQuality = ANTIALIASED_QUALITY;
        wcscpy(lf.lfFaceName, L"Liberation Serif");
        tw::UniqueGdiObject font(::CreateFontIndirectW(&lf));
        tw::SelectGuard keep(dc, font.get());
        ::SetBkMode(dc, TRANSPARENT);
        const wchar_t line[] = L"The quick brown fox jumps over the lazy dog 0123456789";
        for (int i = 0; i < 30; ++i) {
            ::SetTextColor(dc, (i % 3 == 0) ? RGB(0, 0, 0) : RGB(96 + i * 2, 96 + i * 2, 96 + i * 2));
            ::TextOutW(dc, width / 20, height / 20 + i * height / 34, line, int(wcslen(line)));
        }
    });
}

HGLOBAL EmfPage(const std::wstring& emfPath, LONG width, LONG height) {
    tw::UniqueEnhMetaFile emf(::GetEnhMetaFileW(emfPath.c_str()));
    if (!emf) return nullptr;
    return Drawn(width, height, [&](HDC dc) {
        RECT all{0, 0, width, height};
        ::PlayEnhMetaFile(dc, static_cast<HENHMETAFILE>(emf.get()), &all);
    });
}

Rgb PixelAt(HGLOBAL dib, LONG x, LONG y) {
    tw::DibView view(dib);
    if (!view.valid()) return {0, 0, 0};
    std::vector<BYTE> rgb(size_t(view.Shape().width) * 3);
    view.ExpandRowToRgb(view.Shape().height - 1 - y, rgb.data());
    return {rgb[x * 3], rgb[x * 3 + 1], rgb[x * 3 + 2]};
}

namespace {
template <typename Value>
double Mean(HGLOBAL dib, Value value) {
    tw::DibView view(dib);
    if (!view.valid()) return -1;
    const tw::DibShape& s = view.Shape();
    std::vector<BYTE> rgb(size_t(s.width) * 3);
    double total = 0;
    for (LONG y = 0; y < s.height; ++y) {
        view.ExpandRowToRgb(y, rgb.data());
        for (LONG x = 0; x < s.width; ++x) total += value(&rgb[size_t(x) * 3]);
    }
    return total / (double(s.width) * s.height);
}
}  // namespace

double MeanGrey(HGLOBAL dib) {
    return Mean(dib, [](const BYTE* p) { return (p[0] * 30 + p[1] * 59 + p[2] * 11) / 100.0; });
}

double MeanChannel(HGLOBAL dib, int channel) {
    return Mean(dib, [channel](const BYTE* p) { return double(p[channel]); });
}

WORD BitCount(HGLOBAL dib) {
    tw::DibView view(dib);
    return view.valid() ? view.Shape().bits : 0;
}

DWORD PaletteSize(HGLOBAL dib) {
    tw::DibView view(dib);
    return view.valid() ? view.Header()->biClrUsed : 0;
}

RGBQUAD PaletteEntry(HGLOBAL dib, DWORD index) {
    tw::DibView view(dib);
    return view.valid() && index < view.Shape().paletteEntries ? view.Palette()[index] : RGBQUAD{};
}

int IndexAt(HGLOBAL dib, LONG x, LONG y) {
    tw::DibView view(dib);
    if (!view.valid()) return -1;
    const BYTE* row = view.RowFromTop(y);
    switch (view.Shape().bits) {
        case 1: return (row[x / 8] >> (7 - (x & 7))) & 1;
        case 4: return (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
        case 8: return row[x];
        default: return -1;
    }
}

bool SameImage(HGLOBAL a, HGLOBAL b) {
    tw::GlobalLockGuard<BYTE> pa(a), pb(b);
    return pa && pb && pa.size() == pb.size() && std::memcmp(pa.get(), pb.get(), pa.size()) == 0;
}

}  // namespace twtest
