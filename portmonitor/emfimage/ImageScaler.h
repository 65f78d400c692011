#pragma once
// Resampling a packed DIB to a new size, for the cells of a pages-per-sheet sheet.
#include <windows.h>

namespace tw {

// A new image of the same depth, palette and resolution at newWidth x newHeight: 1-bit images
// by nearest neighbour, 4-, 8- and 24-bit images by cubic convolution (palette images through
// RGB and back to the nearest palette colour). Null for an unreadable image, a size that is
// not positive or exceeds kMaxImagePixels, or memory that cannot be had. The input stays the
// caller's.
HGLOBAL ScaleImage(HGLOBAL image, LONG newWidth, LONG newHeight);

}  // namespace tw
