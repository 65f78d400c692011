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

#include "base/UniqueHandle.h"
#include "emfimage/FillSurfaces.h"

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
    bool DeviceBounds(HDC dc, const ENHMETARECORD* record, RECT& bounds) const;
    HPEN MaskPen(HPEN pen, bool& drawsOutline);
    void Combine(FillSurfaces& surfaces, HBITMAP page, const RECT& bounds);

    bool m_enabled = false;
    bool m_pathOpen = false;
    int m_taken = 0;
    LONG m_width = 0;
    LONG m_height = 0;
    UniqueGdiObject m_penCopy;  // the page's pen in black, for one mask pass
};

}  // namespace tw
