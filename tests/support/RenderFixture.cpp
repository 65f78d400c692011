#include "support/RenderFixture.h"

#include <cstring>
#include <cwchar>

#include "base/UniqueHandle.h"
#include "job/SettingsStore.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

struct InfoWithPalette {
    BITMAPINFOHEADER header;
    RGBQUAD palette[2];
};

Raster ReadBack(HDC dc, HBITMAP bitmap, LONG width, LONG height, WORD bitCount) {
    Raster r;
    r.width = width;
    r.height = height;
    r.bitCount = bitCount;
    r.bits.assign(static_cast<size_t>(r.RowBytes()) * height, 0);
    InfoWithPalette info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bitCount;
    info.header.biCompression = BI_RGB;
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), r.bits.data(), reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS);
    return r;
}

HBITMAP MakeBitmap(HDC dc, LONG width, LONG height, WORD bitCount) {
    if (bitCount == 1) return ::CreateBitmap(width, height, 1, 1, nullptr);
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    return ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

bool Raster::Pixel(LONG x, LONG yFromTop) const {
    const BYTE* row = bits.data() + static_cast<size_t>(height - 1 - yFromTop) * RowBytes();
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

size_t DifferentPixels(const Raster& a, const Raster& b) {
    if (a.width != b.width || a.height != b.height || a.bitCount != b.bitCount) return SIZE_MAX;
    size_t diff = 0;
    const DWORD row = a.RowBytes();
    const int bytesPerPixel = a.bitCount / 8;
    for (LONG y = 0; y < a.height; ++y) {
        const BYTE* pa = a.bits.data() + static_cast<size_t>(y) * row;
        const BYTE* pb = b.bits.data() + static_cast<size_t>(y) * row;
        for (LONG x = 0; x < a.width; ++x) {
            if (a.bitCount == 1) diff += ((pa[x >> 3] ^ pb[x >> 3]) >> (7 - (x & 7))) & 1;
            else diff += std::memcmp(pa + x * bytesPerPixel, pb + x * bytesPerPixel, bytesPerPixel) != 0;
        }
    }
    return diff;
}

Raster RasterFromPackedDib(HGLOBAL dib) {
    Raster r;
    tw::GlobalLockGuard<BYTE> p(dib);
    if (!p) return r;
    BITMAPINFOHEADER h;
    std::memcpy(&h, p.get(), sizeof(h));
    r.width = h.biWidth;
    r.height = h.biHeight;
    r.bitCount = h.biBitCount;
    r.xPelsPerMeter = h.biXPelsPerMeter;
    r.yPelsPerMeter = h.biYPelsPerMeter;
    r.paletteEntries = h.biClrUsed;
    r.palette.resize(h.biClrUsed);
    std::memcpy(r.palette.data(), p.get() + sizeof(h), h.biClrUsed * sizeof(RGBQUAD));
    const size_t offset = sizeof(h) + h.biClrUsed * sizeof(RGBQUAD);
    r.bits.assign(p.get() + offset, p.get() + offset + static_cast<size_t>(r.RowBytes()) * r.height);
    return r;
}

Raster PlayWhole(HENHMETAFILE emf, LONG width, LONG height, WORD bitCount, const RECT& rect) {
    tw::UniqueDC screen(::CreateCompatibleDC(nullptr));
    tw::UniqueGdiObject bitmap(MakeBitmap(screen.get(), width, height, bitCount));
    {
        tw::SelectGuard select(screen.get(), bitmap.get());
        tw::SelectGuard brush(screen.get(), ::GetStockObject(WHITE_BRUSH));
        ::PatBlt(screen.get(), 0, 0, width, height, PATCOPY);
        ::PlayEnhMetaFile(screen.get(), emf, &rect);
        ::GdiFlush();
    }
    return ReadBack(screen.get(), static_cast<HBITMAP>(bitmap.get()), width, height, bitCount);
}

Raster PlayWholeScaled(HENHMETAFILE emf, SIZE emfSize, LONG width, LONG height, WORD bitCount) {
    tw::UniqueDC screen(::CreateCompatibleDC(nullptr));
    tw::UniqueDC source(::CreateCompatibleDC(nullptr));
    tw::UniqueGdiObject page(MakeBitmap(screen.get(), width, height, bitCount));
    // Room below the page for the sixth slice of a page whose height is not a multiple of 5.
    const LONG slice = emfSize.cy / 5, pageBand = height / 5;
    tw::UniqueGdiObject drawn(MakeBitmap(screen.get(), emfSize.cx, emfSize.cy + slice, bitCount));
    {
        tw::SelectGuard selectSource(source.get(), drawn.get());
        tw::SelectGuard brush(source.get(), ::GetStockObject(WHITE_BRUSH));
        ::PatBlt(source.get(), 0, 0, emfSize.cx, emfSize.cy + slice, PATCOPY);
        const RECT rect{0, 0, emfSize.cx, emfSize.cy};
        ::PlayEnhMetaFile(source.get(), emf, &rect);
        tw::SelectGuard selectPage(screen.get(), page.get());
        ::SetStretchBltMode(screen.get(), BLACKONWHITE);
        for (LONG k = 0; k * pageBand < height; ++k)
            ::StretchBlt(screen.get(), 0, k * pageBand, width, pageBand, source.get(), 0, k * slice, emfSize.cx, slice,
                         SRCCOPY);
        ::GdiFlush();
    }
    return ReadBack(screen.get(), static_cast<HBITMAP>(page.get()), width, height, bitCount);
}

HGLOBAL GlobalFromBytes(const std::string& bytes) {
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    tw::GlobalLockGuard<BYTE> p(h);
    std::memcpy(p.get(), bytes.data(), bytes.size());
    return h;
}

RenderFixture::RenderFixture() : m_printer(UniqueName(L"Render")), m_builder(m_printer) {
    twhost::SimPrinter p;
    p.name = m_printer;
    m_env.Spooler().AddPrinter(p);
    m_job.SetPrinterName(m_printer.c_str());
}

RenderFixture::~RenderFixture() {
    tw::TarnwellDEVMODE dm = m_builder.Record();
    ::RegDeleteTreeW(HKEY_CURRENT_USER,
                     (std::wstring(tw::settings::kRoot) + L"\\" + tw::settings::PrinterRegistryName(&dm)).c_str());
}

void RenderFixture::SetPageSetting(const wchar_t* name, DWORD value) {
    tw::TarnwellDEVMODE dm = m_builder.Record();
    const std::wstring key = tw::settings::GroupPath(&dm, tw::settings::kRoot, tw::settings::kPageSettings);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_DWORD, &value, sizeof(value));
}

}  // namespace twtest

namespace twtest {
void RenderFixture::SetPageSettingText(const wchar_t* name, const wchar_t* value) {
    tw::TarnwellDEVMODE dm = m_builder.Record();
    const std::wstring key = tw::settings::GroupPath(&dm, tw::settings::kRoot, tw::settings::kPageSettings);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value,
                      static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t)));
}
}  // namespace twtest
