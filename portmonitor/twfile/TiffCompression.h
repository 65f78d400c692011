#pragma once
// What each TIFF format code asks of the library: the Compression tag, the T4Options tag and
// the code a colour page is saved with in one call.
#include <windows.h>

#include "tifflib/Tiff32.h"

namespace tw {

inline constexpr DWORD kFormatTiffJpeg = 10;
inline constexpr DWORD kFormatTiffPacked = 8;
inline constexpr DWORD kFormatTiffLzw = 9;
inline constexpr DWORD kFormatTiffCisco = 30;

// TIFF Compression values.
inline constexpr int kCompressionNone = 1;
inline constexpr int kCompressionCcittT4 = 3;
inline constexpr int kCompressionCcittT6 = 4;
inline constexpr int kCompressionLzw = 5;
inline constexpr int kCompressionOldJpeg = 6;
inline constexpr int kCompressionPackBits = 32773;
// T4Options bits: 2D coding, EOLs aligned on byte boundaries.
inline constexpr int kT4Options1D = 0;
inline constexpr int kT4Options2D = 1;
inline constexpr int kT4OptionsFillBits = 4;

struct TiffCompression {
    int compression;   // 0: no Compression tag
    int t4Options;     // -1: no T4Options tag
};

// The Compression and T4Options tags of a code. Code 10 in a file gives no Compression tag:
// its monochrome pages are left to the library's default; in memory it is 6.
constexpr TiffCompression TiffCompressionFor(DWORD code, bool inMemory) {
    switch (code) {
    case 3: case 46: case 47: return {kCompressionNone, -1};
    case 4: case 21: case 22: case 23: case 30: case 44: case 45: return {kCompressionCcittT4, kT4Options1D};
    case 5: return {kCompressionCcittT4, kT4OptionsFillBits};
    case 6: return {kCompressionCcittT4, kT4Options2D};
    case 7: case 42: case 43: return {kCompressionCcittT6, -1};
    case kFormatTiffPacked: return {kCompressionPackBits, -1};
    case kFormatTiffLzw: return {kCompressionLzw, -1};
    case kFormatTiffJpeg: return {inMemory ? kCompressionOldJpeg : 0, -1};
    default: return {0, -1};
    }
}

// The code a colour page is handed to SaveDIBInTiffFileW with.
constexpr int TiffSaveCodeFor(DWORD code) {
    switch (code) {
    case kFormatTiffPacked: return TIFF_SAVE_PACKBITS;
    case kFormatTiffLzw: return TIFF_SAVE_LZW;
    case kFormatTiffJpeg: return TIFF_SAVE_JPEG;
    default: return TIFF_SAVE_DEFAULT;
    }
}

}  // namespace tw
