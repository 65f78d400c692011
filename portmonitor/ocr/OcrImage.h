#pragma once
// The page preparations before recognition: cutting out the area to read, doubling small pages,
// and the bilevel closing that mends broken strokes. Each takes a packed DIB, leaves it to the
// caller and returns a new one, or null when it cannot.
#include <windows.h>

namespace tw::ocrimage {

// The part of `dib` within left, top, right, bottom (pixels from the top left corner; right
// and bottom exclusive), clipped to the page. Null when nothing of the page is left.
HGLOBAL CropDib(HGLOBAL dib, LONG left, LONG top, LONG right, LONG bottom);

// Every pixel as two by two, with both pels-per-metre fields doubled.
HGLOBAL DoubleDibSize(HGLOBAL dib);

// Black and white: a pixel is white when its grey level reaches `threshold`.
HGLOBAL DitherThreshold(HGLOBAL dib, int threshold);

// Morphological closing of the ink of a 1-bit DIB with a 3 x 3 square: gaps of up to two
// pixels inside and between strokes are filled, nothing grows outwards.
HGLOBAL BinaryClosing(HGLOBAL dib);

}  // namespace tw::ocrimage
