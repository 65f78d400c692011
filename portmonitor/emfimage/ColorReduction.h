#pragma once
// The monitor's own colour reductions: grey scale, Stucki error diffusion and the fixed
// threshold. Each takes a packed DIB, leaves it to the caller and returns a new one, or null
// for an image it cannot take or memory it cannot get.
#include <windows.h>

namespace tw {

// 24-bit and 1-bit images become 8-bit grey with the 256-grey palette; 4- and 8-bit images
// keep their indices and get a grey palette of their own size.
HGLOBAL ConvertToGreyScale(HGLOBAL image);

// Stucki error diffusion to `bits` 1 (black and white) or 8 (3-3-2 colour). The source must be
// 4, 8 or 24 bits and deeper than the target.
HGLOBAL StuckiDither(HGLOBAL image, WORD bits);

// 24-bit image to 1 bit: white where red + green + blue reaches 384.
HGLOBAL FixedThreshold(HGLOBAL image);

// Grey level of one pixel as the 1-bit reductions weigh colours.
inline int Luminance(int red, int green, int blue) { return (red * 30 + green * 59 + blue * 11) / 100; }

// The 3-3-2 colour palette of 8-bit Stucki output: index = red << 5 | green << 2 | blue.
inline constexpr int kRedGreenLevels = 8;
inline constexpr int kBlueLevels = 4;
inline constexpr int kRedGreenStep = 36;  // palette value of level n is n x step
inline constexpr int kBlueStep = 85;
inline constexpr int kRedShift = 5;
inline constexpr int kGreenShift = 2;

}  // namespace tw
