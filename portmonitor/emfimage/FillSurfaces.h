#pragma once
// The scratch bitmaps of dithered fills, kept per spooler thread from page to page: a page-sized
// mask and pattern made afresh for every page cost more in fresh memory than the fills save.
#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"

namespace tw {

class FillSurfaces {
public:
    static constexpr int kTileSize = 8;  // GDI's dither repeats every 8 pixels both ways

    struct Tile {
        COLORREF colour;
        POINT origin;  // brush origin modulo 8
        BYTE rows[kTileSize];
    };

    // The calling thread's surfaces for a page bitmap of `width` x `height`, made or remade when
    // the shape changed; null when GDI cannot make them.
    static FillSurfaces* ForThread(LONG width, LONG height);
    // Frees the calling thread's surfaces (at thread detach, and when a shape cannot be made).
    static void ReleaseThread();

    // GDI's own dither of `colour` for a brush origin of `origin`, as it lies on device pixels
    // 0..7 of a monochrome bitmap.
    const Tile* TileFor(COLORREF colour, POINT origin);
    // The pattern bitmap holds `tile` repeated from device pixel (0, 0) down to row `rows`.
    bool LayPattern(const Tile& tile, LONG rows);

    HDC PageDc() const { return m_pageDc.get(); }
    HDC MaskDc() const { return m_maskDc.get(); }
    HDC PatternDc() const { return m_patternDc.get(); }
    HBITMAP Mask() const { return static_cast<HBITMAP>(m_mask.get()); }
    HBITMAP Pattern() const { return static_cast<HBITMAP>(m_pattern.get()); }
    HBITMAP Parking() const { return static_cast<HBITMAP>(m_parking.get()); }

private:
    bool Make(LONG width, LONG height);

    LONG m_width = 0;
    LONG m_height = 0;
    // Device bitmaps throughout: blits between two of them copy bytes, where a DIB section's
    // colour table would make GDI convert pixel by pixel.
    UniqueDC m_pageDc;          // holds the page bitmap, with no transform, while a mask is laid in
    UniqueDC m_maskDc;
    UniqueDC m_patternDc;
    UniqueGdiObject m_mask;     // the page's size, all zero between uses
    UniqueGdiObject m_pattern;  // the page's size, one tile repeated
    UniqueGdiObject m_parking;  // sits in the page's DC while its bitmaps are elsewhere
    UniqueGdiObject m_tileBitmap;
    BYTE m_laidRows[kTileSize] = {};  // the tile m_pattern holds, on its first m_laidHeight rows
    LONG m_laidHeight = 0;
    std::vector<Tile> m_tiles;
};

}  // namespace tw
