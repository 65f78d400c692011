#pragma once
// Fills with dithered solid brushes on a monochrome page bitmap, drawn faster than GDI draws them.
//
// GDI dithers a solid brush whose colour is neither black nor white when it fills on a
// monochrome bitmap, and Wine's monochrome pattern fill goes pixel by pixel: a page-sized pale
// background rectangle costs 25-30 ms at 300 dpi, more than all the rest of a text page. Here the
// record is played once with a plain white brush onto a scratch bitmap (GDI's own shape, clip and
// pen geometry, filled at byte speed), the brush's 8x8 dither tile (made by GDI itself) is laid
// into that mask, the result is blitted onto the page, and the record is played again with a
// null brush for its outline. The page comes out as GDI's single pass would draw it.
#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"

namespace tw {

class DitheredFills {
public:
    // Areas below this many device pixels are left to GDI: the passes cost more than they save.
    static constexpr LONG kMinArea = 64 * 64;

    // Takes over records only when `dc` has a monochrome device-dependent bitmap selected.
    explicit DitheredFills(HDC dc);
    DitheredFills(const DitheredFills&) = delete;
    DitheredFills& operator=(const DitheredFills&) = delete;

    // Sees every record that is played, in order (path brackets draw nothing and are left alone).
    void Observe(const ENHMETARECORD* record);
    // Plays `record` the fast way and returns true, or returns false to leave it to the caller.
    bool Play(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles);
    // Records drawn the fast way so far.
    int Taken() const { return m_taken; }

private:
    struct Tile {
        COLORREF colour;
        POINT origin;  // brush origin modulo 8
        BYTE rows[8];
    };

    bool DeviceBounds(HDC dc, const ENHMETARECORD* record, RECT& bounds) const;
    bool Prepare();
    const Tile* TileFor(COLORREF colour, POINT origin);
    bool LayPattern(const Tile& tile);
    HPEN MaskPen(HPEN pen, bool& drawsOutline);
    void Combine(HBITMAP page, const RECT& bounds);

    bool m_enabled = false;
    bool m_pathOpen = false;
    int m_taken = 0;
    LONG m_width = 0;
    LONG m_height = 0;
    // Device bitmaps throughout: blits between two of them copy bytes, where a DIB section's
    // colour table would make GDI convert pixel by pixel.
    UniqueDC m_pageDc;          // holds the page bitmap, with no transform, while the mask is laid in
    UniqueDC m_maskDc;
    UniqueDC m_patternDc;
    UniqueGdiObject m_mask;     // the page's size, all zero between uses
    UniqueGdiObject m_pattern;  // the page's size, one tile repeated
    UniqueGdiObject m_parking;  // sits in the page's DC while its bitmaps are elsewhere
    UniqueGdiObject m_tileBitmap;
    BYTE m_laidRows[8] = {};    // the tile m_pattern holds
    bool m_hasLaid = false;
    std::vector<Tile> m_tiles;
    UniqueGdiObject m_penCopy;  // the page's pen in black, for one mask pass
};

}  // namespace tw
