#include "SymbolRaster.h"

#include <cstring>

#include "BarcodeLibraries.h"
#include "base/UniqueHandle.h"

namespace barcodes {
namespace {

constexpr WORD kBits24 = 24;
constexpr int kBytesPerPixel = 3;

// Unrotated size of the symbol with its quiet zones; false when it exceeds the largest side.
bool PlainPixels(const SymbolGrid& grid, const RasterLayout& l, long long& w, long long& h) {
    w = static_cast<long long>(grid.columns) * l.moduleWidth + 2LL * l.quietX;
    h = 2LL * l.quietY;
    for (int r = 0; r < grid.rows; ++r)
        h += l.barHeight > 0 ? l.barHeight : static_cast<long long>(grid.rowHeights[r]) * l.moduleHeight;
    return w > 0 && h > 0 && w <= kMaxSymbolSide && h <= kMaxSymbolSide;
}

// Where a pixel of the unrotated symbol (w x h) lands after the rotation.
void Rotate(int turns, long long w, long long h, long long x, long long y, long long& rx, long long& ry) {
    switch (turns) {
    case 1: rx = h - 1 - y; ry = x; break;
    case 2: rx = w - 1 - x; ry = h - 1 - y; break;
    case 3: rx = y; ry = w - 1 - x; break;
    default: rx = x; ry = y; break;
    }
}

}  // namespace

int SymbolPixels(const SymbolGrid& grid, const RasterLayout& layout, int& width, int& height) {
    if (layout.moduleWidth <= 0 || layout.moduleHeight <= 0 || layout.quietX < 0 || layout.quietY < 0 ||
        layout.quarterTurns < 0 || layout.quarterTurns > 3)
        return kBarcodeBadParameter;
    long long w = 0, h = 0;
    if (!PlainPixels(grid, layout, w, h)) return kBarcodeTooLarge;
    const bool turned = layout.quarterTurns % 2 == 1;
    width = static_cast<int>(turned ? h : w);
    height = static_cast<int>(turned ? w : h);
    return kBarcodeOk;
}

HGLOBAL DrawSymbol(HGLOBAL bitmap, const SymbolGrid& grid, const RasterLayout& layout, int& err) {
    int width = 0, height = 0;
    err = SymbolPixels(grid, layout, width, height);
    if (err != kBarcodeOk) return nullptr;
    err = kBarcodeBadBitmap;
    const SIZE_T size = bitmap ? ::GlobalSize(bitmap) : 0;
    if (size < sizeof(BITMAPINFOHEADER)) return nullptr;
    tw::UniqueHGlobal out(::GlobalAlloc(GMEM_MOVEABLE, size));
    if (!out) {
        err = kBarcodeNoMemory;
        return nullptr;
    }
    {
        tw::GlobalLockGuard<BYTE> src(bitmap), dst(out.get());
        if (!src || !dst) return nullptr;
        std::memcpy(dst.get(), src.get(), size);
        BITMAPINFOHEADER bih;
        std::memcpy(&bih, dst.get(), sizeof bih);
        const long long rows = bih.biHeight < 0 ? -static_cast<long long>(bih.biHeight) : bih.biHeight;
        if (bih.biSize != sizeof bih || bih.biBitCount != kBits24 || bih.biCompression != BI_RGB ||
            layout.originX < 0 || layout.originY < 0 || bih.biWidth - layout.originX < width ||
            rows - layout.originY < height)
            return nullptr;
        const long long stride = (static_cast<long long>(bih.biWidth) * kBytesPerPixel + 3) & ~3LL;
        const SIZE_T bitsOffset = bih.biSize + static_cast<SIZE_T>(bih.biClrUsed) * sizeof(RGBQUAD);
        if (bitsOffset + stride * rows > size) return nullptr;
        BYTE* bits = dst.get() + bitsOffset;
        const bool bottomUp = bih.biHeight > 0;
        long long w = 0, h = 0;
        PlainPixels(grid, layout, w, h);
        auto paint = [&](long long x, long long y) {
            long long rx = 0, ry = 0;
            Rotate(layout.quarterTurns, w, h, x, y, rx, ry);
            rx += layout.originX;
            ry += layout.originY;
            const long long row = bottomUp ? rows - 1 - ry : ry;
            std::memset(bits + row * stride + rx * kBytesPerPixel, 0, kBytesPerPixel);
        };
        long long top = layout.quietY;
        for (int r = 0; r < grid.rows; ++r) {
            const long long rowPixels =
                layout.barHeight > 0 ? layout.barHeight : static_cast<long long>(grid.rowHeights[r]) * layout.moduleHeight;
            for (int c = 0; c < grid.columns; ++c) {
                if (!grid.Dark(r, c)) continue;
                const long long left = layout.quietX + static_cast<long long>(c) * layout.moduleWidth;
                for (long long y = top; y < top + rowPixels; ++y)
                    for (long long x = left; x < left + layout.moduleWidth; ++x) paint(x, y);
            }
            top += rowPixels;
        }
    }
    err = kBarcodeOk;
    return out.release();
}

}  // namespace barcodes
