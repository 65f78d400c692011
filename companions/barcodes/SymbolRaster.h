#pragma once
// A symbol's modules as pixels: module sizes, quiet zones and quarter-turn rotation, the size
// of the result and drawing it into the caller's 24-bit packed DIB.
#include <windows.h>

#include "SymbolGrid.h"

namespace barcodes {

struct RasterLayout {
    int moduleWidth = 1;   // pixels per module across
    int moduleHeight = 1;  // pixels per module height unit (rows are rowHeights of these)
    int quietX = 0;        // white pixels left and right
    int quietY = 0;        // white pixels above and below
    int quarterTurns = 0;  // clockwise, 0 to 3
    int barHeight = 0;     // when non-zero, every row is this many pixels high (one-dimensional)
    int originX = 0, originY = 0;  // where in the bitmap the symbol's top left corner goes
};

// Square modules of `module` pixels, `quiet` white pixels on every side, turned `quarterTurns`
// clockwise and placed at (x, y): the two-dimensional symbols' layout.
inline RasterLayout SquareModuleLayout(int module, int quiet, int quarterTurns, int x, int y) {
    RasterLayout layout;
    layout.moduleWidth = layout.moduleHeight = module;
    layout.quietX = layout.quietY = quiet;
    layout.quarterTurns = quarterTurns;
    layout.originX = x;
    layout.originY = y;
    return layout;
}

// The largest side a symbol may have, in pixels.
inline constexpr int kMaxSymbolSide = 30000;

// The symbol's size in pixels after rotation; kBarcodeOk, or kBarcodeTooLarge / kBarcodeBadParameter.
int SymbolPixels(const SymbolGrid& grid, const RasterLayout& layout, int& width, int& height);

// A new moveable DIB: a copy of `bitmap` (a packed 24-bit DIB at least the symbol's size) with
// the symbol drawn black with its top left corner at the layout's origin. Null with `err` set when it cannot be made.
HGLOBAL DrawSymbol(HGLOBAL bitmap, const SymbolGrid& grid, const RasterLayout& layout, int& err);

}  // namespace barcodes
