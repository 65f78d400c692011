// Reading the caller's packed DIB into a Leptonica picture. The header is checked against the
// block's size before any row is read, so a damaged block is refused instead of read past.
#include "PixFromDib.h"

#include <leptonica/allheaders.h>

#include <cstring>

#include "TwOCRx.h"

namespace twocr {
namespace {

constexpr double kInchesPerMetre = 0.0254;
constexpr int kDefaultDpi = 300;

struct Shape {
    LONG width = 0;
    LONG height = 0;
    WORD bits = 0;
    DWORD paletteEntries = 0;
    DWORD stride = 0;
    SIZE_T bitsOffset = 0;
};

bool ReadShape(const BYTE* block, SIZE_T size, Shape& s) {
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, block, sizeof(h));
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB || h.biPlanes != 1) return false;
    if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 24) return false;
    if (h.biWidth <= 0 || h.biHeight <= 0) return false;
    DWORD maxEntries = h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
    DWORD entries = h.biClrUsed == 0 ? maxEntries : h.biClrUsed;
    if (entries > maxEntries && h.biBitCount <= 8) return false;
    if (h.biBitCount == 24) entries = h.biClrUsed;
    s.width = h.biWidth;
    s.height = h.biHeight;
    s.bits = h.biBitCount;
    s.paletteEntries = entries;
    s.stride = static_cast<DWORD>(((static_cast<ULONGLONG>(h.biWidth) * h.biBitCount + 31) / 32) * 4);
    s.bitsOffset = sizeof(BITMAPINFOHEADER) + SIZE_T(entries) * sizeof(RGBQUAD);
    ULONGLONG need = s.bitsOffset + ULONGLONG(s.stride) * ULONGLONG(s.height);
    return need <= size;
}

int Grey(const RGBQUAD& c) { return (c.rgbRed * 30 + c.rgbGreen * 59 + c.rgbBlue * 11) / 100; }

// Rows are stored bottom-up in the DIB, top-down in the picture.
const BYTE* SourceRow(const BYTE* block, const Shape& s, LONG yFromTop) {
    return block + s.bitsOffset + SIZE_T(s.height - 1 - yFromTop) * s.stride;
}

PixPtr Bilevel(const BYTE* block, const Shape& s, const RGBQUAD* palette) {
    PixPtr pix(pixCreate(s.width, s.height, 1));
    if (!pix) return nullptr;
    // Leptonica's 1 is ink: when index 0 is the darker colour the bits are turned over.
    bool zeroIsInk = s.paletteEntries < 2 || Grey(palette[0]) < Grey(palette[1]);
    l_uint32* data = pixGetData(pix.get());
    int wpl = pixGetWpl(pix.get());
    SIZE_T rowBytes = (SIZE_T(s.width) + 7) / 8;
    for (LONG y = 0; y < s.height; ++y) {
        BYTE* out = reinterpret_cast<BYTE*>(data + SIZE_T(y) * wpl);
        const BYTE* in = SourceRow(block, s, y);
        if (zeroIsInk) {
            for (SIZE_T i = 0; i < rowBytes; ++i) out[i] = static_cast<BYTE>(~in[i]);
        } else {
            std::memcpy(out, in, rowBytes);
        }
    }
    // The rows were copied byte by byte; Leptonica keeps its pixels in 32-bit words.
    pixEndianByteSwap(pix.get());
    pixSetPadBits(pix.get(), 0);
    return pix;
}

PixPtr Greyscale(const BYTE* block, const Shape& s, const RGBQUAD* palette) {
    PixPtr pix(pixCreate(s.width, s.height, 8));
    if (!pix) return nullptr;
    BYTE lut[256] = {};
    for (DWORD i = 0; i < s.paletteEntries && i < 256; ++i) lut[i] = static_cast<BYTE>(Grey(palette[i]));
    l_uint32* data = pixGetData(pix.get());
    int wpl = pixGetWpl(pix.get());
    for (LONG y = 0; y < s.height; ++y) {
        l_uint32* line = data + SIZE_T(y) * wpl;
        const BYTE* in = SourceRow(block, s, y);
        for (LONG x = 0; x < s.width; ++x) {
            int v;
            if (s.bits == 24) {
                const BYTE* p = in + SIZE_T(x) * 3;
                v = (p[2] * 30 + p[1] * 59 + p[0] * 11) / 100;
            } else if (s.bits == 8) {
                v = lut[in[x]];
            } else {
                v = lut[(x & 1) ? (in[x / 2] & 0x0F) : (in[x / 2] >> 4)];
            }
            SET_DATA_BYTE(line, x, v);
        }
    }
    return pix;
}

int Dpi(LONG pelsPerMetre) {
    if (pelsPerMetre <= 0) return kDefaultDpi;
    return static_cast<int>(pelsPerMetre * kInchesPerMetre + 0.5);
}

}  // namespace

void PixDeleter::operator()(Pix* pix) const { pixDestroy(&pix); }

PixResult PixFromDib(HGLOBAL dib, int resolution) {
    PixResult result;
    SIZE_T size = ::GlobalSize(dib);
    const BYTE* block = static_cast<const BYTE*>(::GlobalLock(dib));
    if (!block) {
        result.error = TWOCR_ERR_BAD_DIB;
        return result;
    }
    Shape s;
    if (!ReadShape(block, size, s)) {
        result.error = TWOCR_ERR_BAD_DIB;
    } else if (LONGLONG(s.width) * s.height > TWOCR_MAX_PIXELS) {
        result.error = TWOCR_ERR_PAGE_TOO_LARGE;
    } else {
        const auto* palette = reinterpret_cast<const RGBQUAD*>(block + sizeof(BITMAPINFOHEADER));
        result.pix = s.bits == 1 ? Bilevel(block, s, palette) : Greyscale(block, s, palette);
        if (!result.pix) {
            result.error = TWOCR_ERR_NO_MEMORY;
        } else {
            const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(block);
            int xDpi = resolution > 0 ? resolution : Dpi(h->biXPelsPerMeter);
            int yDpi = resolution > 0 ? resolution : Dpi(h->biYPelsPerMeter);
            pixSetResolution(result.pix.get(), xDpi, yDpi);
        }
    }
    ::GlobalUnlock(dib);
    return result;
}

}  // namespace twocr
