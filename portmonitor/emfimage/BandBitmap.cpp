// Per-thread band bitmaps.
#include "emfimage/BandBitmap.h"

#include "base/UniqueHandle.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

struct ThreadBand {
    UniqueGdiObject bitmap;
    BITMAPINFOHEADER header{};
    bool madeBefore = false;
};

thread_local ThreadBand t_band;

bool SameShape(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
    return a.biWidth == b.biWidth && a.biHeight == b.biHeight && a.biBitCount == b.biBitCount;
}

HBITMAP MakeBitmap(HDC dc, const PageBitmapInfo& info) {
    if (info.header.biBitCount == 1)
        return ::CreateBitmap(info.header.biWidth, info.header.biHeight, 1, 1, nullptr);
    void* bits = nullptr;
    return ::CreateDIBSection(dc, info.AsBitmapInfo(), DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

HBITMAP AcquireBandBitmap(HDC dc, const PageBitmapInfo& band) {
    if (t_band.bitmap && SameShape(t_band.header, band.header))
        return static_cast<HBITMAP>(t_band.bitmap.get());
    t_band.bitmap.reset();
    if (band.header.biBitCount == 1)
        TW_TRACE(t_band.madeBefore ? L"Creating new MONOCHROME BITMAP 2" : L"Creating new MONOCHROME BITMAP 1");
    else
        TW_TRACE(L"Creating new DIB section");
    t_band.bitmap.reset(MakeBitmap(dc, band));
    t_band.header = band.header;
    t_band.madeBefore = true;
    return static_cast<HBITMAP>(t_band.bitmap.get());
}

void ReleaseBandBitmap() {
    t_band.bitmap.reset();
    t_band.header = BITMAPINFOHEADER{};
}

HBITMAP GetDIBSection2(HDC dc, const PageBitmapInfo& info) {
    if (info.header.biBitCount == 1) {
        TW_TRACE(L"GetDIBSection2: Creating new MONOCHROME BITMAP");
        if (HBITMAP bitmap = ::CreateBitmap(info.header.biWidth, info.header.biHeight, 1, 1, nullptr)) return bitmap;
    }
    TW_TRACE(L"GetDIBSection2: Creating new DIB section");
    void* bits = nullptr;
    return ::CreateDIBSection(dc, info.AsBitmapInfo(), DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace tw
