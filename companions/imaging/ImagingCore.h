#pragma once
// The reductions and adjustments of the imaging library, over packed DIBs read through
// DibView. Every function returns a new moveable packed DIB, or null when it cannot be made.
#include <windows.h>

#include <vector>

#include "emfimage/PackedDib.h"

namespace twimg {

using tw::DibView;

// Grey level of an RGB pixel (ITU-R 601 weights, in percent).
inline int Luminance(int r, int g, int b) { return (r * 30 + g * 59 + b * 11) / 100; }

// Brightness and contrast, each -100 to 100, applied to every channel (the palette of palette
// images); the result keeps the source's depth.
HGLOBAL AdjustBrightnessContrast(const DibView& src, int brightness, int contrast);

// An error-diffusion kernel: taps to the right of the pixel on its own row and on the rows
// below it, and the divisor of their weights.
struct DiffusionTap {
    int dx;
    int dy;
    int weight;
};
struct DiffusionKernel {
    const DiffusionTap* taps;
    int count;
    int divisor;
    int rowsBelow;
};
extern const DiffusionKernel kFloydSteinberg;
extern const DiffusionKernel kJarvisJudiceNinke;

// Serpentine error diffusion of the luminance to black and white.
HGLOBAL DiffuseToBilevel(const DibView& src, const DiffusionKernel& kernel);
// Serpentine error diffusion of the colours to the image's own median-cut palette.
HGLOBAL DiffuseToPalette(const DibView& src, const DiffusionKernel& kernel);
// Each pixel to its nearest colour of the median-cut palette, without diffusion.
HGLOBAL MapToPalette(const DibView& src);

// Bayer 8 x 8 ordered dithering: to black and white, and to the 6 x 6 x 6 colour cube.
HGLOBAL OrderedToBilevel(const DibView& src);
HGLOBAL OrderedToCube(const DibView& src);

// Black and white at the threshold that Otsu's method finds in the luminance histogram.
HGLOBAL OtsuToBilevel(const DibView& src);

// A palette of at most 256 colours by Heckbert's median cut over a 5-5-5 histogram of the
// image, with the nearest palette index of every 5-5-5 cell.
struct MedianCutPalette {
    RGBQUAD colours[tw::kMaxPaletteEntries]{};
    DWORD count = 0;
    std::vector<BYTE> nearest;  // 32768 cells, index (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
    BYTE Nearest(int r, int g, int b) const { return nearest[size_t((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))]; }
};
bool BuildMedianCutPalette(const DibView& src, MedianCutPalette& palette);

}  // namespace twimg
