// TwDibx.dll: whether a page DIB is blank, so that a template page's scan noise is not drawn.
#include <windows.h>

#include "CoverPageLibraries.h"
#include "PageDib.h"

namespace {

// A palette entry or pixel darker than mid-grey counts as ink.
bool Dark(BYTE b, BYTE g, BYTE r) { return b + g + r < 3 * 128; }

bool PaletteDark(const BITMAPINFO* info, unsigned index) {
    const DWORD used = info->bmiHeader.biClrUsed ? info->bmiHeader.biClrUsed : (1u << info->bmiHeader.biBitCount);
    if (index >= used) return true;
    const RGBQUAD& q = info->bmiColors[index];
    return Dark(q.rgbBlue, q.rgbGreen, q.rgbRed);
}

long long DarkPixels(const coverpage::DibView& v) {
    long long dark = 0;
    bool paletteDark[256] = {};
    if (v.bitCount <= 8)
        for (unsigned i = 0; i < (1u << v.bitCount); ++i) paletteDark[i] = PaletteDark(v.info, i);
    for (LONG y = 0; y < v.height; ++y) {
        const BYTE* row = v.bits + static_cast<size_t>(y) * v.stride;
        for (LONG x = 0; x < v.width; ++x) {
            switch (v.bitCount) {
            case 1: dark += paletteDark[(row[x / 8] >> (7 - x % 8)) & 1]; break;
            case 4: dark += paletteDark[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF]; break;
            case 8: dark += paletteDark[row[x]]; break;
            default: dark += Dark(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]); break;
            }
        }
    }
    return dark;
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI IsImageBlank(HGLOBAL dib, int sensitivity, int* darkPpm) {
    if (!dib) return -1;
    const BYTE* data = static_cast<const BYTE*>(::GlobalLock(dib));
    if (!data) return -1;
    coverpage::DibView v;
    int result = -1;
    if (coverpage::ViewDib(data, ::GlobalSize(dib), v)) {
        const long long pixels = static_cast<long long>(v.width) * v.height;
        const int ppm = static_cast<int>(DarkPixels(v) * 1000000 / pixels);
        if (darkPpm) *darkPpm = ppm;
        const int limit = sensitivity > 0 ? sensitivity : TWDIB_DEFAULT_BLANK_PPM;
        result = ppm <= limit ? 1 : 0;
    }
    ::GlobalUnlock(dib);
    return result;
}

}  // extern "C"
