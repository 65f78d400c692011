// Dithered solid fills on a monochrome page: a mask pass at byte speed, GDI's tile laid in.
#include "emfimage/DitheredFills.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <vector>

#include "emfimage/EmfRecordWalk.h"

namespace tw {
namespace {

constexpr DWORD kRopAndNotSource = 0x00220326;  // DSna: the page loses what the mask covers
constexpr COLORREF kIndexFlags = 0xFF000000;  // palette and DIB indexes name no colour of their own
constexpr LONG kBoundsMargin = 2;  // device rounding of the corners and GDI's inclusive edges

// Colours GDI draws without dithering: black, white, palette and DIB indexes.
bool Dithered(COLORREF colour) {
    if (colour & kIndexFlags) return false;
    return colour != RGB(0, 0, 0) && colour != RGB(255, 255, 255);
}

template <typename T>
bool ReadAt(const ENHMETARECORD* record, size_t offset, T& value) {
    if (offset + sizeof(T) > record->nSize) return false;
    value = ReadRecordField<T>(reinterpret_cast<const BYTE*>(record), offset);
    return true;
}

// The records whose fills are drawn through the mask.
bool FillRecord(DWORD type) {
    switch (type) {
    case EMR_BITBLT:
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_ROUNDRECT:
    case EMR_POLYGON16:
    case EMR_POLYPOLYGON16:
    case EMR_POLYGON:
    case EMR_POLYPOLYGON: return true;
    default: return false;
    }
}

// The logical bounding box of a run of points stored as POINTS (16-bit) or POINTL.
template <typename Point>
bool PointsBox(const ENHMETARECORD* record, size_t offset, DWORD count, RECT& box) {
    if (count == 0 || count > (record->nSize - std::min<size_t>(offset, record->nSize)) / sizeof(Point)) return false;
    box = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    const BYTE* p = reinterpret_cast<const BYTE*>(record) + offset;
    for (DWORD i = 0; i < count; ++i, p += sizeof(Point)) {
        Point pt;
        std::memcpy(&pt, p, sizeof(pt));
        box.left = std::min<LONG>(box.left, pt.x);
        box.top = std::min<LONG>(box.top, pt.y);
        box.right = std::max<LONG>(box.right, pt.x);
        box.bottom = std::max<LONG>(box.bottom, pt.y);
    }
    return true;
}

// Polygon records: rclBounds, then (for the poly-polygons) nPolys, then the count, the
// polygons' counts and the points.
template <typename Point>
bool PolygonBox(const ENHMETARECORD* record, bool many, RECT& box) {
    const size_t countOffset = sizeof(EMR) + sizeof(RECTL) + (many ? sizeof(DWORD) : 0);
    DWORD polys = 1, count = 0;
    if (many && !ReadAt(record, sizeof(EMR) + sizeof(RECTL), polys)) return false;
    if (!ReadAt(record, countOffset, count)) return false;
    if (polys > record->nSize / sizeof(DWORD)) return false;
    const size_t pointsOffset = countOffset + sizeof(DWORD) + (many ? polys * sizeof(DWORD) : 0);
    return PointsBox<Point>(record, pointsOffset, count, box);
}

}  // namespace

DitheredFills::DitheredFills(HDC dc) {
    BITMAP bm{};
    const HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
    if (!bitmap || ::GetObjectW(bitmap, sizeof(bm), &bm) != sizeof(bm)) return;
    // A DIB section keeps its colour table and is not dithered; only device bitmaps are.
    m_enabled = bm.bmBitsPixel == 1 && bm.bmPlanes == 1 && !bm.bmBits && bm.bmWidth > 0 && bm.bmHeight > 0;
    m_width = bm.bmWidth;
    m_height = bm.bmHeight;
}

void DitheredFills::Observe(const ENHMETARECORD* record) {
    switch (record->iType) {
    case EMR_BEGINPATH: m_pathOpen = true; break;
    case EMR_ENDPATH:
    case EMR_ABORTPATH: m_pathOpen = false; break;
    case EMR_SAVEDC:
    case EMR_RESTOREDC:
        // A restored state may reopen a bracket this cannot follow: GDI draws the rest.
        if (m_pathOpen) m_enabled = false;
        break;
    default: break;
    }
}

bool DitheredFills::DeviceBounds(HDC dc, const ENHMETARECORD* record, RECT& bounds) const {
    RECT box{};
    switch (record->iType) {
    case EMR_BITBLT: {
        // A pattern fill of a box: no source bitmap, the brush copied.
        DWORD rop = 0, sourceAt = 0, sourceSize = 0;
        struct {
            LONG x, y, cx, cy;
        } dest;
        if (!ReadAt(record, offsetof(EMRBITBLT, dwRop), rop) || rop != PATCOPY ||
            !ReadAt(record, offsetof(EMRBITBLT, offBmiSrc), sourceAt) || sourceAt != 0 ||
            !ReadAt(record, offsetof(EMRBITBLT, cbBmiSrc), sourceSize) || sourceSize != 0 ||
            !ReadAt(record, offsetof(EMRBITBLT, xDest), dest))
            return false;
        box = {std::min(dest.x, dest.x + dest.cx), std::min(dest.y, dest.y + dest.cy),
               std::max(dest.x, dest.x + dest.cx), std::max(dest.y, dest.y + dest.cy)};
        break;
    }
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_ROUNDRECT: {  // each begins with its box
        RECTL r;
        if (!ReadAt(record, sizeof(EMR), r)) return false;
        box = {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
        break;
    }
    case EMR_POLYGON16: if (!PolygonBox<POINTS>(record, false, box)) return false; break;
    case EMR_POLYPOLYGON16: if (!PolygonBox<POINTS>(record, true, box)) return false; break;
    case EMR_POLYGON: if (!PolygonBox<POINTL>(record, false, box)) return false; break;
    case EMR_POLYPOLYGON: if (!PolygonBox<POINTL>(record, true, box)) return false; break;
    default: return false;
    }
    // The four corners, as a world transform may turn the box.
    POINT corners[4] = {{box.left, box.top}, {box.right, box.top}, {box.left, box.bottom}, {box.right, box.bottom}};
    if (!::LPtoDP(dc, corners, 4)) return false;
    bounds = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (const POINT& p : corners) {
        bounds.left = std::min(bounds.left, p.x);
        bounds.top = std::min(bounds.top, p.y);
        bounds.right = std::max(bounds.right, p.x);
        bounds.bottom = std::max(bounds.bottom, p.y);
    }
    bounds.left = std::max<LONG>(0, bounds.left - kBoundsMargin);
    bounds.top = std::max<LONG>(0, bounds.top - kBoundsMargin);
    bounds.right = std::min<LONG>(m_width, bounds.right > LONG_MAX - kBoundsMargin ? m_width : bounds.right + kBoundsMargin);
    bounds.bottom = std::min<LONG>(m_height, bounds.bottom > LONG_MAX - kBoundsMargin ? m_height : bounds.bottom + kBoundsMargin);
    return bounds.left < bounds.right && bounds.top < bounds.bottom;
}

// A pen that draws the outline in the same places as `pen`, in black, so the mask pass leaves
// nothing of it; `drawsOutline` says whether `pen` draws at all.
HPEN DitheredFills::MaskPen(HPEN pen, bool& drawsOutline) {
    LOGPEN lp{};
    if (::GetObjectW(pen, sizeof(lp), &lp) == sizeof(lp)) {
        drawsOutline = lp.lopnStyle != PS_NULL;
        if (!drawsOutline || lp.lopnColor == RGB(0, 0, 0)) return pen;
        lp.lopnColor = RGB(0, 0, 0);
        m_penCopy.reset(::CreatePenIndirect(&lp));
        return static_cast<HPEN>(m_penCopy.get());
    }
    const int size = ::GetObjectW(pen, 0, nullptr);
    if (size < static_cast<int>(sizeof(EXTLOGPEN))) return nullptr;
    std::vector<BYTE> buffer(size);
    if (::GetObjectW(pen, size, buffer.data()) != size) return nullptr;
    const auto* ext = reinterpret_cast<const EXTLOGPEN*>(buffer.data());
    drawsOutline = (ext->elpPenStyle & PS_STYLE_MASK) != PS_NULL;
    if (!drawsOutline) return pen;
    if (ext->elpBrushStyle == BS_NULL) return nullptr;
    const LOGBRUSH black{BS_SOLID, RGB(0, 0, 0), 0};
    m_penCopy.reset(::ExtCreatePen(ext->elpPenStyle, ext->elpWidth, &black, ext->elpNumEntries,
                                   ext->elpNumEntries ? ext->elpStyleEntry : nullptr));
    return static_cast<HPEN>(m_penCopy.get());
}

// The page takes the pattern wherever the mask is set: page = page & ~mask | pattern & mask;
// the mask is cleared behind.
void DitheredFills::Combine(FillSurfaces& surfaces, HBITMAP page, const RECT& bounds) {
    const LONG x = bounds.left, y = bounds.top, w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    SelectGuard onPage(surfaces.PageDc(), page);
    SelectGuard onMask(surfaces.MaskDc(), surfaces.Mask());
    SelectGuard onPattern(surfaces.PatternDc(), surfaces.Pattern());
    ::BitBlt(surfaces.PageDc(), x, y, w, h, surfaces.MaskDc(), x, y, kRopAndNotSource);
    ::BitBlt(surfaces.MaskDc(), x, y, w, h, surfaces.PatternDc(), x, y, SRCAND);
    ::BitBlt(surfaces.PageDc(), x, y, w, h, surfaces.MaskDc(), x, y, SRCPAINT);
    ::PatBlt(surfaces.MaskDc(), x, y, w, h, BLACKNESS);
}

bool DitheredFills::Play(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles) {
    // Every record of the page passes here: the type is looked at before GDI is asked anything.
    if (!m_enabled || m_pathOpen || !FillRecord(record->iType)) return false;
    const HGDIOBJ brush = ::GetCurrentObject(dc, OBJ_BRUSH);
    LOGBRUSH lb{};
    if (!brush || brush == ::GetStockObject(DC_BRUSH) || ::GetObjectW(brush, sizeof(lb), &lb) != sizeof(lb) ||
        lb.lbStyle != BS_SOLID || !Dithered(lb.lbColor))
        return false;
    // A pattern blit names its own operation (only PATCOPY is taken); shapes use the DC's.
    const bool shape = record->iType != EMR_BITBLT;
    if (shape && ::GetROP2(dc) != R2_COPYPEN) return false;
    if (::GetLayout(dc) != 0) return false;  // mirrored pages keep GDI's own fills
    RECT bounds;
    if (!DeviceBounds(dc, record, bounds)) return false;
    if (static_cast<LONGLONG>(bounds.right - bounds.left) * (bounds.bottom - bounds.top) < kMinArea) return false;
    FillSurfaces* surfaces = FillSurfaces::ForThread(m_width, m_height);
    if (!surfaces) {
        m_enabled = false;
        return false;
    }
    POINT origin{};
    ::GetBrushOrgEx(dc, &origin);
    const FillSurfaces::Tile* tile = surfaces->TileFor(lb.lbColor, origin);
    if (!tile || !surfaces->LayPattern(*tile, bounds.bottom)) return false;
    const HPEN pen = static_cast<HPEN>(::GetCurrentObject(dc, OBJ_PEN));
    bool drawsOutline = false;
    const HPEN maskPen = shape ? MaskPen(pen, drawsOutline) : pen;
    if (!maskPen) return false;

    const HGDIOBJ page = ::SelectObject(dc, surfaces->Mask());
    if (!page || page == HGDI_ERROR) return false;
    {
        SelectGuard white(dc, ::GetStockObject(WHITE_BRUSH));
        SelectGuard black(dc, maskPen);
        const int bkMode = ::SetBkMode(dc, TRANSPARENT);  // dash gaps stay out of the mask
        ::PlayEnhMetaFileRecord(dc, table, record, handles);
        ::SetBkMode(dc, bkMode);
    }
    // Both bitmaps leave the page's DC (its clip and transform stay) for DCs without a transform.
    ::SelectObject(dc, surfaces->Parking());
    Combine(*surfaces, static_cast<HBITMAP>(page), bounds);
    ::SelectObject(dc, page);
    m_penCopy.reset();
    if (drawsOutline) {
        SelectGuard none(dc, ::GetStockObject(NULL_BRUSH));
        ::PlayEnhMetaFileRecord(dc, table, record, handles);
    }
    ++m_taken;
    return true;
}

}  // namespace tw
