// Bitmap headers read as GDI reads them, every part bounded.
#include "emfimage/DibLayout.h"

#include <climits>
#include <cstring>

namespace tw {
namespace {

constexpr DWORD kCoreHeaderSize = sizeof(BITMAPCOREHEADER);
// The header sizes in use: BITMAPINFOHEADER, its two extensions with colour masks, V4 and V5.
constexpr DWORD kHeaderSizes[] = {sizeof(BITMAPINFOHEADER), 52, 56, sizeof(BITMAPV4HEADER), sizeof(BITMAPV5HEADER)};
constexpr DWORD kMaxColourEntries = 256;
constexpr DWORD kBitfieldMasksBytes = 3 * sizeof(DWORD);

bool KnownHeaderSize(DWORD size) {
    for (DWORD known : kHeaderSizes)
        if (size == known) return true;
    return false;
}

bool DrawableBits(WORD bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

bool DrawableCompression(DWORD compression, WORD bits) {
    switch (compression) {
        case BI_RGB: return true;
        case BI_RLE8: return bits == 8;
        case BI_RLE4: return bits == 4;
        case BI_BITFIELDS: return bits == 16 || bits == 32;
        default: return false;  // JPEG and PNG passthrough and the rest: GDI does not draw them
    }
}

// Fills the shape from a core header; false when it is not one GDI draws.
bool ReadCoreHeader(const BYTE* info, DibLayout& out) {
    BITMAPCOREHEADER h;
    std::memcpy(&h, info, sizeof(h));
    if (h.bcPlanes != 1 || !DrawableBits(h.bcBitCount) || h.bcWidth == 0 || h.bcHeight == 0) return false;
    out.width = h.bcWidth;
    out.height = h.bcHeight;
    out.bits = h.bcBitCount;
    out.compression = BI_RGB;
    out.colourEntries = h.bcBitCount <= 8 ? (DWORD{1} << h.bcBitCount) : 0;
    return true;
}

bool ReadInfoHeader(const BYTE* info, DibLayout& out) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, info, sizeof(h));
    if (h.biPlanes != 1 || !DrawableBits(h.biBitCount) || !DrawableCompression(h.biCompression, h.biBitCount))
        return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == LONG_MIN) return false;
    out.topDown = h.biHeight < 0;
    // Run-length rows are decoded from the bottom; a top-down RLE bitmap is not drawn.
    if (out.topDown && (h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4)) return false;
    if (h.biClrUsed > kMaxColourEntries) return false;
    out.width = h.biWidth;
    out.height = out.topDown ? -h.biHeight : h.biHeight;
    out.bits = h.biBitCount;
    out.compression = h.biCompression;
    out.colourEntries = h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? (DWORD{1} << h.biBitCount) : 0);
    out.imageBytes = h.biSizeImage;  // replaced below for uncompressed rows
    return true;
}

}  // namespace

bool ReadDibLayout(const BYTE* info, ULONGLONG available, UINT usage, ULONGLONG maxPixels, DibLayout& out) {
    out = DibLayout{};
    if (!info || available < kCoreHeaderSize || usage > kDibPalIndices) return false;
    DWORD headerSize;
    std::memcpy(&headerSize, info, sizeof(headerSize));
    if (headerSize > available) return false;
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && !KnownHeaderSize(headerSize)) return false;
    if (core ? !ReadCoreHeader(info, out) : !ReadInfoHeader(info, out)) return false;
    out.headerSize = headerSize;

    if (ULONGLONG(out.width) * ULONGLONG(out.height) > maxPixels) return false;
    const ULONGLONG stride = (ULONGLONG(out.width) * out.bits + 31) / 32 * 4;
    out.stride = static_cast<DWORD>(stride);  // width x 32 bits within maxPixels fits a DWORD
    const bool runLength = out.compression == BI_RLE8 || out.compression == BI_RLE4;
    if (runLength) {
        if (out.imageBytes == 0) return false;
    } else {
        out.imageBytes = stride * ULONGLONG(out.height);
    }

    ULONGLONG entrySize = core ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    if (usage == DIB_PAL_COLORS) entrySize = sizeof(WORD);
    if (usage == kDibPalIndices) entrySize = 0;  // no table: the indexes are the DC's palette
    // A plain 40-byte header is followed by its three colour masks; longer headers hold them.
    const ULONGLONG masks =
        out.compression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER) ? kBitfieldMasksBytes : 0;
    const ULONGLONG infoBytes = headerSize + masks + entrySize * out.colourEntries;
    if (infoBytes > available) return false;
    out.infoBytes = static_cast<DWORD>(infoBytes);
    return true;
}

}  // namespace tw
