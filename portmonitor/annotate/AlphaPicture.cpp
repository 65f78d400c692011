#include "annotate/AlphaPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "annotate/AnnotationTexts.h"
#include "annotate/WatermarkPicture.h"
#include "emfimage/PackedDib.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr unsigned kOpaque = 255;
constexpr double kAlphaPerBrightness = 2.55;
constexpr DWORD kMaxBrightness = 100;
constexpr SIZE_T kBitfieldMasks = 3 * sizeof(DWORD);

// Where the rows of a loaded 32-bit picture are.
struct Loaded32 {
    LONG width = 0, height = 0;
    bool topDown = false;
    SIZE_T offset = 0;
    const BYTE* Row(const BYTE* block, LONG yFromBottom) const {
        const LONG stored = topDown ? height - 1 - yFromBottom : yFromBottom;
        return block + offset + static_cast<SIZE_T>(stored) * width * 4;
    }
};

bool Read32(const BYTE* block, SIZE_T size, Loaded32& out) {
    BITMAPINFOHEADER h;
    if (size < sizeof(h)) return false;
    std::memcpy(&h, block, sizeof(h));
    if (h.biBitCount != kBits32 || h.biWidth <= 0 || h.biHeight == 0 || h.biSize < sizeof(h)) return false;
    if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
    out.width = h.biWidth;
    out.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    out.topDown = h.biHeight < 0;
    if (static_cast<LONGLONG>(out.width) * out.height > kMaxImagePixels) return false;
    out.offset = h.biSize + (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(h) ? kBitfieldMasks : 0) +
                 static_cast<SIZE_T>(std::min<DWORD>(h.biClrUsed, kMaxPaletteEntries)) * sizeof(RGBQUAD);
    return out.offset + static_cast<SIZE_T>(out.width) * 4 * out.height <= size;
}

bool Is32(HGLOBAL dib) {
    GlobalLockGuard<BYTE> lock(dib);
    if (!lock || lock.size() < sizeof(BITMAPINFOHEADER)) return false;
    return reinterpret_cast<const BITMAPINFOHEADER*>(lock.get())->biBitCount == kBits32;
}

}  // namespace

HGLOBAL NewAlphaDib(LONG width, LONG height) {
    if (width <= 0 || height <= 0 || static_cast<LONGLONG>(width) * height > kMaxImagePixels) return nullptr;
    const SIZE_T bytes = sizeof(BITMAPINFOHEADER) + static_cast<SIZE_T>(width) * 4 * height;
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!block) return nullptr;
    GlobalLockGuard<BITMAPINFOHEADER> h(block);
    if (!h) {
        ::GlobalFree(block);
        return nullptr;
    }
    *h.get() = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, kBits32, BI_RGB, 0, 0, 0, 0, 0};
    h.get()->biSizeImage = static_cast<DWORD>(static_cast<SIZE_T>(width) * 4 * height);
    return block;
}

bool ReadAlphaShape(HGLOBAL dib, LONG& width, LONG& height) {
    GlobalLockGuard<BYTE> lock(dib);
    Loaded32 shape;
    if (!lock || !Read32(lock.get(), lock.size(), shape) || shape.topDown || shape.offset != sizeof(BITMAPINFOHEADER))
        return false;
    width = shape.width;
    height = shape.height;
    return true;
}

UniqueHGlobal NormaliseAlphaPicture(UniqueHGlobal dib) {
    if (!Is32(dib.get())) return dib;
    GlobalLockGuard<BYTE> lock(dib.get());
    Loaded32 in;
    if (!lock || !Read32(lock.get(), lock.size(), in)) return UniqueHGlobal();
    UniqueHGlobal out(NewAlphaDib(in.width, in.height));
    GlobalLockGuard<BYTE> to(out.get());
    if (!to) return UniqueHGlobal();
    BYTE* rows = to.get() + sizeof(BITMAPINFOHEADER);
    const SIZE_T stride = static_cast<SIZE_T>(in.width) * 4;
    bool anyAlpha = false;
    for (LONG y = 0; y < in.height; ++y) {
        std::memcpy(rows + stride * y, in.Row(lock.get(), y), stride);
        for (SIZE_T x = 3; x < stride && !anyAlpha; x += 4) anyAlpha = rows[stride * y + x] != 0;
    }
    if (!anyAlpha)
        for (SIZE_T i = 3; i < stride * in.height; i += 4) rows[i] = kOpaque;
    return out;
}

UniqueHGlobal Reduce32To24(UniqueHGlobal dib) {
    if (!Is32(dib.get())) return dib;
    GlobalLockGuard<BYTE> lock(dib.get());
    Loaded32 in;
    if (!lock || !Read32(lock.get(), lock.size(), in)) return UniqueHGlobal();
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
    UniqueHGlobal out(NewPackedDib(in.width, in.height, kBits24, nullptr, 0, h->biXPelsPerMeter, h->biYPelsPerMeter));
    DibView view(out.get());
    if (!view.valid()) return UniqueHGlobal();
    for (LONG y = 0; y < in.height; ++y) {
        const BYTE* src = in.Row(lock.get(), y);
        BYTE* dst = view.StoredRow(y);
        for (LONG x = 0; x < in.width; ++x) std::memcpy(dst + x * 3, src + x * 4, 3);
    }
    return out;
}

UniqueHGlobal FlattenOverWhite(HGLOBAL dib) {
    LONG w = 0, h = 0;
    if (!ReadAlphaShape(dib, w, h)) return UniqueHGlobal();
    GlobalLockGuard<BYTE> lock(dib);
    UniqueHGlobal out(NewPackedDib(w, h, kBits24, nullptr, 0, 0, 0));
    DibView view(out.get());
    if (!lock || !view.valid()) return UniqueHGlobal();
    const BYTE* rows = lock.get() + sizeof(BITMAPINFOHEADER);
    for (LONG y = 0; y < h; ++y) {
        const BYTE* src = rows + static_cast<SIZE_T>(y) * w * 4;
        BYTE* dst = view.StoredRow(y);
        for (LONG x = 0; x < w; ++x, src += 4)
            for (int c = 0; c < 3; ++c) dst[x * 3 + c] = static_cast<BYTE>((src[c] * src[3] + kOpaque * (kOpaque - src[3])) / kOpaque);
    }
    return out;
}

void PutTileComment(HDC dc) {
    static const BYTE kTileComment[4] = {0, 0, 0, 0};
    ::GdiComment(dc, sizeof(kTileComment), kTileComment);
}

bool BlendPicturePieces(HDC dc, HGLOBAL dib, const std::vector<WatermarkCopy>& copies, DWORD brightness,
                        bool tileComments) {
    LONG w = 0, h = 0;
    if (!ReadAlphaShape(dib, w, h)) return false;
    BITMAPINFO bi{};
    bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, kBits32, BI_RGB, 0, 0, 0, 0, 0};
    UniqueDC memory(::CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    UniqueGdiObject section(memory ? ::CreateDIBSection(memory.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!section || !bits) return false;
    {
        // AlphaBlend takes its source premultiplied; the section is top-down.
        GlobalLockGuard<BYTE> lock(dib);
        if (!lock) return false;
        const BYTE* rows = lock.get() + sizeof(BITMAPINFOHEADER);
        auto* to = static_cast<BYTE*>(bits);
        const SIZE_T stride = static_cast<SIZE_T>(w) * 4;
        for (LONG y = 0; y < h; ++y) {
            const BYTE* src = rows + stride * (h - 1 - y);
            BYTE* dst = to + stride * y;
            for (SIZE_T x = 0; x < stride; x += 4) {
                const unsigned a = src[x + 3];
                for (int c = 0; c < 3; ++c) dst[x + c] = static_cast<BYTE>((src[x + c] * a + kOpaque / 2) / kOpaque);
                dst[x + 3] = static_cast<BYTE>(a);
            }
        }
    }
    const auto fade = static_cast<int>(std::lround(std::min(brightness, kMaxBrightness) * kAlphaPerBrightness));
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(kOpaque - fade), AC_SRC_ALPHA};
    SelectGuard select(memory.get(), section.get());
    for (const WatermarkCopy& c : copies) {
        // The section counts rows from the top, the plan from the bottom.
        if (!::AlphaBlend(dc, c.dx, c.dy, c.dw, c.dh, memory.get(), c.sx, h - c.sy - c.sh, c.sw, c.sh, blend)) {
            TW_TRACE(annottext::kAlphaBlendFailed, static_cast<int>(::GetLastError()));
            return false;
        }
        if (tileComments) PutTileComment(dc);
    }
    return true;
}

}  // namespace tw
