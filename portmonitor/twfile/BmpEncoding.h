#pragma once
// Turning a packed page DIB into the bytes of a BMP file. The DIB is checked against its own
// header before any of it is copied, so a malformed page is refused instead of read past its end.
#include <windows.h>

#include <array>
#include <cstddef>
#include <vector>

namespace tw {

constexpr size_t kBmpFileHeaderSize = 14;  // BITMAPFILEHEADER on disk
constexpr size_t kDibHeaderSize = 40;      // BITMAPINFOHEADER
constexpr WORD kBmpSignature = 0x4D42;     // "BM"

enum class DibCheck {
    Ok,
    TooSmallForHeader,   // fewer bytes than a BITMAPINFOHEADER
    UnsupportedHeader,   // biSize is not 40
    BadDimensions,       // width or height not positive (top-down rows are not page DIBs)
    BadPlanes,
    UnsupportedBitCount, // not 1, 4, 8 or 24
    UnsupportedCompression,
    BadPalette,          // more palette entries than the bit depth can index
    BadImageSize,        // biSizeImage smaller than the rows need
    TooLarge,            // the BMP file would not fit a 32-bit size
    Truncated,           // the block ends before the palette or the rows do
};

// Where the parts of a checked DIB lie and how big the BMP file made of it is.
struct DibLayout {
    DWORD paletteEntries = 0;  // biClrUsed, or the full palette it implies when 0 at <= 8 bpp
    DWORD rowBytes = 0;        // one row padded to 32 bits
    DWORD imageBytes = 0;      // biSizeImage, or the rows' size when it is 0
    DWORD dibBytes = 0;        // header + palette + image: what the BMP file carries after its header
    DWORD bitsOffset = 0;      // from the start of the BMP file
    DWORD fileBytes = 0;
};

// Checks the DIB in `dib[0, size)` and measures it. `size` may exceed the DIB (global blocks
// round up); bytes after the image are ignored.
DibCheck MeasurePackedDib(const BYTE* dib, size_t size, DibLayout& layout);

// The 14-byte file header for a measured DIB.
std::array<BYTE, kBmpFileHeaderSize> BuildBmpFileHeader(const DibLayout& layout);

// The whole BMP file: file header followed by the DIB as it lies in memory. `out` is replaced
// on success and left untouched otherwise.
DibCheck EncodeBmpFile(const BYTE* dib, size_t size, std::vector<BYTE>& out);

// A short English description for traces and reports.
const wchar_t* DibCheckText(DibCheck check);

}  // namespace tw
