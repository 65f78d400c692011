// Per-thread band bitmaps.
#include "emfimage/BandBitmap.h"

#include <algorithm>
#include <climits>
#include <cstring>

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

bool CopyMonochromeRows(HBITMAP band, LONG rows, BYTE* target, DWORD targetStride, std::vector<BYTE>& scratch) {
    BITMAP bm{};
    if (!::GetObjectW(band, sizeof(bm), &bm) || bm.bmBitsPixel != 1 || bm.bmPlanes != 1) return false;
    if (rows <= 0 || rows > bm.bmHeight) return rows == 0;
    const size_t sourceStride = static_cast<size_t>(bm.bmWidthBytes);
    const size_t bytes = sourceStride * static_cast<size_t>(rows);
    if (bytes > static_cast<size_t>(LONG_MAX)) return false;
    scratch.resize(bytes);
    if (::GetBitmapBits(band, static_cast<LONG>(bytes), scratch.data()) != static_cast<LONG>(bytes)) return false;
    // Only the row's own bits are copied; the padding of a DIB row reads as zero.
    const size_t used = (static_cast<size_t>(bm.bmWidth) + 7) / 8;
    const size_t copied = std::min({used, sourceStride, static_cast<size_t>(targetStride)});
    const BYTE lastMask = static_cast<BYTE>(bm.bmWidth % 8 ? 0xFF << (8 - bm.bmWidth % 8) : 0xFF);
    for (LONG i = 0; i < rows; ++i) {
        BYTE* row = target + static_cast<size_t>(rows - 1 - i) * targetStride;
        std::memcpy(row, scratch.data() + static_cast<size_t>(i) * sourceStride, copied);
        if (copied) row[copied - 1] &= lastMask;
        std::memset(row + copied, 0, targetStride - copied);
    }
    return true;
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
