#include "PageDib.h"

#include <cstring>

#include "CoverPageLibraries.h"

namespace coverpage {
namespace {

constexpr double kInchesPerMetre = 39.3701;

}  // namespace

HGLOBAL AllocatePageDib(LONG width, LONG height, WORD bits, int xdpi, int ydpi) {
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > TWIMG_MAX_PIXELS) return nullptr;
    const DWORD colours = bits == 1 ? 2 : 0;
    const size_t size = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD) + DibStride(width, bits) * height;
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return nullptr;
    auto* header = static_cast<BITMAPINFOHEADER*>(::GlobalLock(block));
    if (!header) {
        ::GlobalFree(block);
        return nullptr;
    }
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = bits;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(DibStride(width, bits) * height);
    header->biXPelsPerMeter = static_cast<LONG>(xdpi * kInchesPerMetre + 0.5);
    header->biYPelsPerMeter = static_cast<LONG>(ydpi * kInchesPerMetre + 0.5);
    header->biClrUsed = colours;
    if (colours) {
        auto* palette = reinterpret_cast<RGBQUAD*>(header + 1);
        palette[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    }
    ::GlobalUnlock(block);
    return block;
}

bool ViewDib(const BYTE* data, size_t size, DibView& out) {
    if (!data || size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof(h));
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || h.biCompression != BI_RGB || h.biPlanes != 1)
        return false;
    if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 24) return false;
    const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    if (h.biWidth <= 0 || height <= 0 || h.biWidth * height > TWIMG_MAX_PIXELS) return false;
    DWORD colours = h.biClrUsed;
    if (h.biBitCount <= 8) {
        const DWORD most = 1u << h.biBitCount;
        if (colours == 0) colours = most;
        if (colours > most) return false;
    } else if (colours > 256) {
        return false;
    }
    const size_t stride = DibStride(h.biWidth, h.biBitCount);
    const size_t offset = h.biSize + static_cast<size_t>(colours) * sizeof(RGBQUAD);
    if (offset > size || stride * static_cast<size_t>(height) > size - offset) return false;
    out.info = reinterpret_cast<const BITMAPINFO*>(data);
    out.bits = data + offset;
    out.width = h.biWidth;
    out.height = static_cast<LONG>(height);
    out.bitCount = h.biBitCount;
    out.stride = stride;
    return true;
}

}  // namespace coverpage
