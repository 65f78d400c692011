// Checking, making and reading packed DIBs.
#include "emfimage/PackedDib.h"

#include <cstring>

#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);

bool IsSupportedBits(WORD bits) {
    return bits == kBits1 || bits == kBits4 || bits == kBits8 || bits == kBits24;
}

// Palette entries a header of `bits` may carry; 24-bit images may carry an optional table.
DWORD MaxPaletteEntries(WORD bits) {
    return bits <= kBits8 ? (DWORD{1} << bits) : kMaxPaletteEntries;
}

}  // namespace

DWORD DibStride(LONG width, WORD bits) {
    return static_cast<DWORD>(((ULONGLONG(width) * bits + 31) / 32) * 4);
}

bool ReadDibShape(const BYTE* block, SIZE_T blockSize, DibShape& shape) {
    if (!block || blockSize < kHeaderSize) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, block, sizeof(h));
    if (h.biSize != kHeaderSize || h.biCompression != BI_RGB || h.biPlanes != 1 || !IsSupportedBits(h.biBitCount))
        return false;
    if (h.biWidth <= 0 || h.biHeight <= 0 || LONGLONG(h.biWidth) * h.biHeight > kMaxImagePixels) return false;
    DWORD entries = h.biClrUsed;
    if (entries == 0 && h.biBitCount <= kBits8) entries = MaxPaletteEntries(h.biBitCount);
    if (entries > MaxPaletteEntries(h.biBitCount)) return false;

    shape.width = h.biWidth;
    shape.height = h.biHeight;
    shape.bits = h.biBitCount;
    shape.paletteEntries = entries;
    shape.stride = DibStride(h.biWidth, h.biBitCount);
    shape.bitsOffset = kHeaderSize + SIZE_T(entries) * sizeof(RGBQUAD);
    shape.imageBytes = SIZE_T(shape.stride) * SIZE_T(h.biHeight);
    shape.xPelsPerMeter = h.biXPelsPerMeter;
    shape.yPelsPerMeter = h.biYPelsPerMeter;
    return shape.bitsOffset <= blockSize && shape.imageBytes <= blockSize - shape.bitsOffset;
}

HGLOBAL NewPackedDib(LONG width, LONG height, WORD bits, const RGBQUAD* palette, DWORD entries,
                     LONG xPelsPerMeter, LONG yPelsPerMeter) {
    if (!IsSupportedBits(bits) || width <= 0 || height <= 0 || LONGLONG(width) * height > kMaxImagePixels ||
        entries > MaxPaletteEntries(bits))
        return nullptr;
    const DWORD stride = DibStride(width, bits);
    const SIZE_T imageBytes = SIZE_T(stride) * SIZE_T(height);
    const SIZE_T paletteBytes = SIZE_T(entries) * sizeof(RGBQUAD);
    UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kHeaderSize + paletteBytes + imageBytes));
    if (!block) {
        TW_TRACE(L"NewPackedDib: GlobalAlloc failed: %lu", ::GetLastError());
        return nullptr;
    }
    GlobalLockGuard<BYTE> p(block.get());
    if (!p) return nullptr;
    BITMAPINFOHEADER h{};
    h.biSize = kHeaderSize;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(imageBytes);
    h.biXPelsPerMeter = xPelsPerMeter;
    h.biYPelsPerMeter = yPelsPerMeter;
    h.biClrUsed = entries;
    h.biClrImportant = 0;
    std::memcpy(p.get(), &h, sizeof(h));
    if (palette && entries) std::memcpy(p.get() + kHeaderSize, palette, paletteBytes);
    return block.release();
}

HGLOBAL CopyPackedDib(HGLOBAL dib) {
    GlobalLockGuard<BYTE> src(dib);
    if (!src) return nullptr;
    const SIZE_T size = src.size();
    UniqueHGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy) return nullptr;
    GlobalLockGuard<BYTE> dst(copy.get());
    if (!dst) return nullptr;
    std::memcpy(dst.get(), src.get(), size);
    return copy.release();
}

void FillBlackWhitePalette(RGBQUAD (&palette)[2]) {
    palette[0] = RGBQUAD{0, 0, 0, 0};
    palette[1] = RGBQUAD{255, 255, 255, 0};
}

void FillGreyPalette(RGBQUAD (&palette)[kMaxPaletteEntries]) {
    for (DWORD i = 0; i < kMaxPaletteEntries; ++i) {
        const BYTE v = static_cast<BYTE>(i);
        palette[i] = RGBQUAD{v, v, v, 0};
    }
}

DibView::DibView(HGLOBAL dib) : m_lock(dib) {
    m_bValid = m_lock && ReadDibShape(m_lock.get(), m_lock.size(), m_shape);
}

void DibView::ExpandRowToRgb(LONG index, BYTE* rgb) const {
    const BYTE* row = StoredRow(index);
    const LONG width = m_shape.width;
    if (m_shape.bits == kBits24) {
        for (LONG x = 0; x < width; ++x, row += 3, rgb += 3) {
            rgb[0] = row[2];
            rgb[1] = row[1];
            rgb[2] = row[0];
        }
        return;
    }
    const RGBQUAD* palette = Palette();
    const DWORD entries = m_shape.paletteEntries;
    auto put = [&](DWORD index) {
        if (index < entries) {
            rgb[0] = palette[index].rgbRed;
            rgb[1] = palette[index].rgbGreen;
            rgb[2] = palette[index].rgbBlue;
        } else {
            rgb[0] = rgb[1] = rgb[2] = 0;
        }
        rgb += 3;
    };
    switch (m_shape.bits) {
        case kBits8:
            for (LONG x = 0; x < width; ++x) put(row[x]);
            break;
        case kBits4:
            for (LONG x = 0; x < width; ++x) put((row[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F);
            break;
        default:
            for (LONG x = 0; x < width; ++x) put((row[x / 8] >> (7 - (x & 7))) & 1);
            break;
    }
}

HGLOBAL NewBilevelDib(const DibShape& shape) {
    RGBQUAD bw[2];
    FillBlackWhitePalette(bw);
    return NewPackedDib(shape.width, shape.height, kBits1, bw, 2, shape.xPelsPerMeter, shape.yPelsPerMeter);
}

HGLOBAL NewGreyDib(const DibShape& shape) {
    RGBQUAD grey[kMaxPaletteEntries];
    FillGreyPalette(grey);
    return NewPackedDib(shape.width, shape.height, kBits8, grey, kMaxPaletteEntries, shape.xPelsPerMeter,
                        shape.yPelsPerMeter);
}

UniqueHGlobal AllocatePackedDib(const PageBitmapInfo& info) {
    const SIZE_T bytes = info.HeaderBytes() + info.header.biSizeImage;
    UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
    if (!block) return block;
    GlobalLockGuard<BYTE> p(block.get());
    if (!p) return UniqueHGlobal();
    std::memcpy(p.get(), &info, info.HeaderBytes());
    return block;
}

}  // namespace tw
