#pragma once
// Watermark pictures: loading a BMP, PNG, JPEG or TIFF file into a packed DIB, lightening it
// by the brightness percentage, and placing it on a page by its position code.
#include <windows.h>

#include <string>
#include <vector>

#include "base/UniqueHandle.h"

namespace tw {

class TarnwellDEVMODE;
class DibView;

// A picture file as a packed DIB of 1, 4, 8 or 24 bits: 32-bit pictures are reduced to 24 (the
// raster page has no alpha), or with `keepAlpha` kept as 32-bit DIBs of NewAlphaDib's form
// (PNG pictures with transparency, 32-bit BMPs). Null, with `error` saying why, when it cannot
// be used.
UniqueHGlobal LoadWatermarkPicture(const std::wstring& path, const TarnwellDEVMODE& dm, std::wstring& error,
                                   bool keepAlpha = false);

// The picture lightened by `brightness` percent: a new 24-bit DIB of the same size; null when
// the input is no usable DIB.
UniqueHGlobal LightenPicture(HGLOBAL dib, DWORD brightness);

// Where a picture of w x h goes on a W x H page for one position code, as the copy calls
// (StretchDIBits) take it: destination rectangle and source rectangle, source rows counted from
// the bottom of the picture.
struct WatermarkCopy {
    int dx, dy, dw, dh;
    int sx, sy, sw, sh;
};
// The copies of a code (tiles for code 8, at most kMaxWatermarkTiles); empty for an unknown code.
inline constexpr size_t kMaxWatermarkTiles = 65536;
std::vector<WatermarkCopy> PlanWatermark(DWORD code, int w, int h, int W, int H);

// Draws the picture at its position on the raster page. `stretchBlt` copies through a
// compatible bitmap (the formats that need it).
bool DrawWatermarkPicture(HDC dc, HGLOBAL dib, DWORD code, int W, int H, bool stretchBlt);
// Each piece with StretchDIBits and `rop`; `tileComments` follows every piece with an empty comment.
void CopyPicturePieces(HDC dc, const DibView& view, const std::vector<WatermarkCopy>& copies, DWORD rop,
                       bool tileComments);

}  // namespace tw
