#pragma once
// 32-bit watermark pictures: their alpha channel kept for the annotation metafile, where they are
// blended over the page, or dropped for the raster page.
#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"

namespace tw {

struct WatermarkCopy;

inline constexpr WORD kBits32 = 32;

// A zero 32-bit packed DIB (40-byte header, BI_RGB, bottom-up) of w x h; null when refused.
HGLOBAL NewAlphaDib(LONG width, LONG height);

// The size of a 32-bit packed DIB as NewAlphaDib makes it; false for anything else.
bool ReadAlphaShape(HGLOBAL dib, LONG& width, LONG& height);

// A 32-bit picture as loaded (BI_RGB or BI_BITFIELDS, either row order) as NewAlphaDib's form,
// alpha not premultiplied. A picture whose alpha bytes are all zero carries none: it becomes
// opaque. The input when it is not 32-bit; null when it is 32-bit but its data is short.
UniqueHGlobal NormaliseAlphaPicture(UniqueHGlobal dib);
// A 32-bit picture as 24 bits, its alpha dropped; the input when it is not 32-bit.
UniqueHGlobal Reduce32To24(UniqueHGlobal dib);
// A 32-bit picture of NewAlphaDib's form laid over white, as 24 bits; null when it is not one.
UniqueHGlobal FlattenOverWhite(HGLOBAL dib);

// Draws the pieces of a 32-bit picture with AlphaBlend (per-pixel alpha, constant alpha from
// the brightness: 255 - round(brightness x 2.55)); `tileComments` follows each piece with an
// empty comment. False when the picture cannot be blended (nothing or part of it drawn).
bool BlendPicturePieces(HDC dc, HGLOBAL dib, const std::vector<WatermarkCopy>& copies, DWORD brightness,
                        bool tileComments);

// The empty comment that separates tiles in an annotation metafile.
void PutTileComment(HDC dc);

}  // namespace tw
