#include "twfile/BmpEncoding.h"

#include <cstdint>
#include <cstring>

#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr size_t kRgbQuadSize = 4;
constexpr DWORD kMaxPaletteEntries = 256;
constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFull;

// BMP fields are little-endian on disk whatever the host does.
void PutWord(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

void PutDword(BYTE* p, DWORD v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

bool SupportedBitCount(WORD bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

}  // namespace

DibCheck MeasurePackedDib(const BYTE* dib, size_t size, DibLayout& layout) {
    TW_TRACE(L"> MeasurePackedDib: %llu", static_cast<unsigned long long>(size));
    if (!dib || size < kDibHeaderSize) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"HeaderSize");
        return DibCheck::TooSmallForHeader;
    }
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, dib, sizeof(bih));
    static_assert(sizeof(bih) == kDibHeaderSize);

    if (bih.biSize != kDibHeaderSize) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"biSize");
        return DibCheck::UnsupportedHeader;
    }
    if (bih.biWidth <= 0 || bih.biHeight <= 0) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"Dimensions");
        return DibCheck::BadDimensions;
    }
    if (bih.biPlanes != 1) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"biPlanes");
        return DibCheck::BadPlanes;
    }
    if (!SupportedBitCount(bih.biBitCount)) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"biBitCount");
        return DibCheck::UnsupportedBitCount;
    }
    if (bih.biCompression != BI_RGB) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"biCompression");
        return DibCheck::UnsupportedCompression;
    }

    // A zero count at <= 8 bpp means the full palette follows the header; taking it as empty
    // would point the file's bits offset into the palette.
    DWORD maxEntries = bih.biBitCount <= 8 ? (1u << bih.biBitCount) : kMaxPaletteEntries;
    DWORD entries = bih.biClrUsed;
    if (entries == 0 && bih.biBitCount <= 8) entries = maxEntries;
    if (entries > maxEntries) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"biClrUsed");
        return DibCheck::BadPalette;
    }

    uint64_t rowBytes = (static_cast<uint64_t>(bih.biWidth) * bih.biBitCount + 31) / 32 * 4;
    uint64_t needed = rowBytes * static_cast<uint64_t>(bih.biHeight);  // < 2^64: width, height < 2^31
    uint64_t imageBytes = needed;
    if (bih.biSizeImage != 0) {
        if (bih.biSizeImage < needed) {
            TW_TRACE_FAILED(L"MeasurePackedDib", L"biSizeImage");
            return DibCheck::BadImageSize;
        }
        imageBytes = bih.biSizeImage;
    }

    uint64_t dibBytes = kDibHeaderSize + kRgbQuadSize * entries + imageBytes;
    uint64_t fileBytes = kBmpFileHeaderSize + dibBytes;
    if (fileBytes > kMaxFileBytes) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"FileSize");
        return DibCheck::TooLarge;
    }
    if (dibBytes > size) {
        TW_TRACE_FAILED(L"MeasurePackedDib", L"Truncated");
        return DibCheck::Truncated;
    }

    layout.paletteEntries = entries;
    layout.rowBytes = static_cast<DWORD>(rowBytes);
    layout.imageBytes = static_cast<DWORD>(imageBytes);
    layout.dibBytes = static_cast<DWORD>(dibBytes);
    layout.bitsOffset = static_cast<DWORD>(kBmpFileHeaderSize + kDibHeaderSize + kRgbQuadSize * entries);
    layout.fileBytes = static_cast<DWORD>(fileBytes);
    TW_TRACE_RESULT(L"MeasurePackedDib", TRUE);
    return DibCheck::Ok;
}

std::array<BYTE, kBmpFileHeaderSize> BuildBmpFileHeader(const DibLayout& layout) {
    std::array<BYTE, kBmpFileHeaderSize> header{};
    PutWord(&header[0], kBmpSignature);
    PutDword(&header[2], layout.fileBytes);
    // Offsets 6 and 8 are the two reserved words, left zero.
    PutDword(&header[10], layout.bitsOffset);
    return header;
}

DibCheck EncodeBmpFile(const BYTE* dib, size_t size, std::vector<BYTE>& out) {
    TW_TRACE(L"> EncodeBmpFile");
    DibLayout layout;
    DibCheck check = MeasurePackedDib(dib, size, layout);
    if (check != DibCheck::Ok) {
        TW_TRACE(L"EncodeBmpFile: %s", DibCheckText(check));
        TW_TRACE_FAILED(L"EncodeBmpFile", L"MeasurePackedDib");
        return check;
    }
    std::array<BYTE, kBmpFileHeaderSize> header = BuildBmpFileHeader(layout);
    std::vector<BYTE> file;
    file.reserve(layout.fileBytes);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), dib, dib + layout.dibBytes);
    out.swap(file);
    TW_TRACE_RESULT(L"EncodeBmpFile", TRUE);
    return DibCheck::Ok;
}

const wchar_t* DibCheckText(DibCheck check) {
    switch (check) {
        case DibCheck::Ok: return L"valid DIB";
        case DibCheck::TooSmallForHeader: return L"DIB smaller than its header";
        case DibCheck::UnsupportedHeader: return L"DIB header size is not 40";
        case DibCheck::BadDimensions: return L"DIB width or height is not positive";
        case DibCheck::BadPlanes: return L"DIB plane count is not 1";
        case DibCheck::UnsupportedBitCount: return L"DIB bit count is not 1, 4, 8 or 24";
        case DibCheck::UnsupportedCompression: return L"DIB is compressed";
        case DibCheck::BadPalette: return L"DIB palette is longer than its bit depth allows";
        case DibCheck::BadImageSize: return L"DIB image size is smaller than its rows";
        case DibCheck::TooLarge: return L"BMP file would exceed 4 GB";
        case DibCheck::Truncated: return L"DIB block ends before its palette or rows";
    }
    return L"unknown DIB check";
}

}  // namespace tw
