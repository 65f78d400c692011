#pragma once
// The contract of TWIMGUser.dll, the imaging library that the monitor links by ordinal.
// Every entry takes a packed DIB in moveable global memory (header, palette, bottom-up rows
// padded to 32 bits), leaves it to the caller and returns a new one, or null on failure.
#include <windows.h>

namespace twimg {

inline constexpr wchar_t kLibraryName[] = L"TWIMGUser.dll";

// Exported by ordinal only.
inline constexpr WORD kOrdinalBrightnessContrast = 79;
inline constexpr WORD kOrdinalReduceDefault = 80;    // Floyd-Steinberg / median cut
inline constexpr WORD kOrdinalReduceOrdered = 81;    // Bayer 8x8
inline constexpr WORD kOrdinalReduceJarvis = 82;     // Jarvis-Judice-Ninke
inline constexpr WORD kOrdinalReduceThreshold = 83;  // Otsu threshold / nearest colour

// Brightness and contrast each run from -100 to 100; 0 leaves the image as it is.
inline constexpr int kMinAdjustment = -100;
inline constexpr int kMaxAdjustment = 100;

}  // namespace twimg

// (image, brightness, contrast, reserved = 0) -> image of the same depth.
typedef HGLOBAL(WINAPI* PFN_TwImgBrightnessContrast)(HGLOBAL image, int brightness, int contrast, int reserved);
// (image, bit count 1 or 8) -> image of that depth.
typedef HGLOBAL(WINAPI* PFN_TwImgReduceColors)(HGLOBAL image, int bitCount);
