// Drawing records measured on the device they are played onto.
#include "emfimage/EmfDrawingBounds.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "emfimage/EmfArrayRecords.h"
#include "emfimage/EmfBitmapRecords.h"
#include "emfimage/EmfTextRecords.h"

namespace tw {
namespace {

constexpr size_t kBox = 8;             // rclBox of ELLIPSE, RECTANGLE, ROUNDRECT, ARC and kin
constexpr size_t kLineTo = 8;          // ptl of LINETO
constexpr size_t kAngleArcCentre = 8;
constexpr size_t kAngleArcRadius = 16;
constexpr double kThinPen = 1.5;       // a pen at most this wide is drawn as a plain line
// Where the blits keep their destination: the corner, then the extent (STRETCHDIBITS keeps its
// extent after the bitmap fields, SETDIBITSTODEVICE has only the source's); PLGBLT: 3 corners.
constexpr size_t kBlitDest = 24;
constexpr size_t kBlitExtent = 32;
constexpr size_t kStretchDibExtent = 72;
constexpr size_t kSetDibExtent = 40;
constexpr size_t kPlgBltCorners = 3;

template <typename T>
T ReadAt(const BYTE* p, size_t offset) {
    T v;
    std::memcpy(&v, p + offset, sizeof(v));
    return v;
}

// Logical to device coordinates of a DC as it is now: world transform, then window to viewport.
struct DeviceMapping {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    bool Turned() const { return m12 != 0.0 || m21 != 0.0; }
    // An upper bound of how much a length grows on the device.
    double Scale() const { return std::max(std::fabs(m11) + std::fabs(m21), std::fabs(m12) + std::fabs(m22)); }
    bool Within(double x, double y) const {
        const double dxv = x * m11 + y * m21 + dx, dyv = x * m12 + y * m22 + dy;
        // Written so that a NaN from a broken transform is out of bounds too.
        return std::fabs(dxv) <= kMaxDeviceCoordinate && std::fabs(dyv) <= kMaxDeviceCoordinate;
    }
};

DeviceMapping MappingOf(HDC dc) {
    XFORM w{1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
    ::GetWorldTransform(dc, &w);
    POINT wo{}, vo{};
    SIZE we{1, 1}, ve{1, 1};
    ::GetWindowOrgEx(dc, &wo);
    ::GetViewportOrgEx(dc, &vo);
    ::GetWindowExtEx(dc, &we);
    ::GetViewportExtEx(dc, &ve);
    const double sx = we.cx ? static_cast<double>(ve.cx) / we.cx : 1.0;
    const double sy = we.cy ? static_cast<double>(ve.cy) / we.cy : 1.0;
    DeviceMapping m;
    m.m11 = w.eM11 * sx;
    m.m21 = w.eM21 * sx;
    m.dx = (w.eDx - wo.x) * sx + vo.x;
    m.m12 = w.eM12 * sy;
    m.m22 = w.eM22 * sy;
    m.dy = (w.eDy - wo.y) * sy + vo.y;
    return m;
}

bool BoxWithin(const DeviceMapping& m, double left, double top, double right, double bottom) {
    return m.Within(left, top) && m.Within(right, top) && m.Within(left, bottom) && m.Within(right, bottom);
}

// Every point the record carries (already checked to lie inside it), `stride` bytes apart.
bool PointsWithin(const DeviceMapping& m, const BYTE* r, size_t first, size_t count, bool shortPoints,
                  size_t stride = 0) {
    if (stride == 0) stride = shortPoints ? 2 * sizeof(SHORT) : 2 * sizeof(LONG);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = first + stride * i;
        const double x = shortPoints ? ReadAt<SHORT>(r, at) : ReadAt<LONG>(r, at);
        const double y = shortPoints ? ReadAt<SHORT>(r, at + sizeof(SHORT)) : ReadAt<LONG>(r, at + sizeof(LONG));
        if (!m.Within(x, y)) return false;
    }
    return true;
}

bool CurrentPositionWithin(HDC dc, const DeviceMapping& m) {
    POINT p{};
    return !::GetCurrentPositionEx(dc, &p) || m.Within(p.x, p.y);
}

// The shape's points on the device; false when one lies beyond the bound.
bool ShapeWithin(HDC dc, const DeviceMapping& m, const BYTE* r, DWORD type) {
    switch (type) {
        case EMR_ELLIPSE: case EMR_RECTANGLE: case EMR_ROUNDRECT: case EMR_ARC: case EMR_CHORD: case EMR_PIE:
            return BoxWithin(m, ReadAt<LONG>(r, kBox), ReadAt<LONG>(r, kBox + 4), ReadAt<LONG>(r, kBox + 8),
                             ReadAt<LONG>(r, kBox + 12));
        case EMR_ARCTO:
            return CurrentPositionWithin(dc, m) &&
                   BoxWithin(m, ReadAt<LONG>(r, kBox), ReadAt<LONG>(r, kBox + 4), ReadAt<LONG>(r, kBox + 8),
                             ReadAt<LONG>(r, kBox + 12));
        case EMR_ANGLEARC: {
            const double x = ReadAt<LONG>(r, kAngleArcCentre), y = ReadAt<LONG>(r, kAngleArcCentre + 4);
            const double radius = ReadAt<DWORD>(r, kAngleArcRadius);
            return CurrentPositionWithin(dc, m) && BoxWithin(m, x - radius, y - radius, x + radius, y + radius);
        }
        case EMR_LINETO:
            return CurrentPositionWithin(dc, m) && m.Within(ReadAt<LONG>(r, kLineTo), ReadAt<LONG>(r, kLineTo + 4));
        case EMR_POLYBEZIERTO: case EMR_POLYLINETO: case EMR_POLYDRAW:
            if (!CurrentPositionWithin(dc, m)) return false;
            [[fallthrough]];
        case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE:
            return PointsWithin(m, r, emfarr::kPolyPoints, ReadAt<DWORD>(r, emfarr::kPolyCount), false);
        case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16: case EMR_POLYDRAW16:
            if (!CurrentPositionWithin(dc, m)) return false;
            [[fallthrough]];
        case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16:
            return PointsWithin(m, r, emfarr::kPolyPoints, ReadAt<DWORD>(r, emfarr::kPolyCount), true);
        case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: {
            const size_t polys = ReadAt<DWORD>(r, emfarr::kPolyPolyCount);
            const bool shortPoints = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
            return PointsWithin(m, r, emfarr::kPolyPolyCounts + 4 * polys, ReadAt<DWORD>(r, emfarr::kPolyPolyTotal),
                                shortPoints);
        }
        case EMR_GRADIENTFILL:
            return PointsWithin(m, r, emfarr::kGradientData, ReadAt<DWORD>(r, emfarr::kGradientVertices), false,
                                emfarr::kTriVertexSize);
        case EMR_PLGBLT:
            return PointsWithin(m, r, kBlitDest, kPlgBltCorners, false);
        case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_MASKBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT:
        case EMR_STRETCHDIBITS: case EMR_SETDIBITSTODEVICE: {
            const size_t extent = type == EMR_STRETCHDIBITS ? kStretchDibExtent
                                  : type == EMR_SETDIBITSTODEVICE ? kSetDibExtent : kBlitExtent;
            const double x = ReadAt<LONG>(r, kBlitDest), y = ReadAt<LONG>(r, kBlitDest + 4);
            return BoxWithin(m, x, y, x + ReadAt<LONG>(r, extent), y + ReadAt<LONG>(r, extent + 4));
        }
        default:
            return true;
    }
}

// The selected pen's width on the device; 0 for a pen that draws nothing.
double DevicePenWidth(HDC dc, const DeviceMapping& m) {
    HGDIOBJ pen = ::GetCurrentObject(dc, OBJ_PEN);
    const int bytes = pen ? ::GetObjectW(pen, 0, nullptr) : 0;
    if (bytes <= 0) return 1.0;
    std::vector<BYTE> buffer(static_cast<size_t>(bytes));
    if (::GetObjectW(pen, bytes, buffer.data()) != bytes) return 1.0;
    double width;
    DWORD style;
    if (bytes == sizeof(LOGPEN)) {
        const LOGPEN lp = ReadAt<LOGPEN>(buffer.data(), 0);
        style = lp.lopnStyle;
        width = lp.lopnWidth.x;
    } else {
        if (static_cast<size_t>(bytes) < offsetof(EXTLOGPEN, elpBrushStyle)) return 1.0;
        style = ReadAt<DWORD>(buffer.data(), offsetof(EXTLOGPEN, elpPenStyle));
        if ((style & PS_TYPE_MASK) == PS_COSMETIC) return 1.0;
        width = ReadAt<DWORD>(buffer.data(), offsetof(EXTLOGPEN, elpWidth));
    }
    if ((style & PS_STYLE_MASK) == PS_NULL) return 0.0;
    return std::max(1.0, width * m.Scale());
}

double DeviceFontHeight(HDC dc, const DeviceMapping& m) {
    LOGFONTW font{};
    HGDIOBJ current = ::GetCurrentObject(dc, OBJ_FONT);
    if (!current || ::GetObjectW(current, sizeof(font), &font) != sizeof(font)) return 0.0;
    return std::fabs(static_cast<double>(font.lfHeight)) * m.Scale();
}

enum class Cost { None, Text, Stroke, LinesWhenWide, RectangleWhenTurned, Shape, Blit };

Cost CostOf(DWORD type) {
    switch (type) {
        case EMR_ELLIPSE: case EMR_ROUNDRECT: case EMR_ARC: case EMR_ARCTO: case EMR_CHORD: case EMR_PIE:
        case EMR_ANGLEARC: case EMR_POLYGON: case EMR_POLYGON16: case EMR_POLYPOLYGON: case EMR_POLYPOLYGON16:
        case EMR_GRADIENTFILL:
            return Cost::Shape;
        case EMR_RECTANGLE: return Cost::RectangleWhenTurned;
        case EMR_LINETO: case EMR_POLYLINE: case EMR_POLYLINE16: case EMR_POLYBEZIER: case EMR_POLYBEZIER16:
        case EMR_POLYBEZIERTO: case EMR_POLYBEZIERTO16: case EMR_POLYLINETO: case EMR_POLYLINETO16:
        case EMR_POLYDRAW: case EMR_POLYDRAW16: case EMR_POLYPOLYLINE: case EMR_POLYPOLYLINE16:
            return Cost::LinesWhenWide;
        case EMR_STROKEPATH: case EMR_STROKEANDFILLPATH: case EMR_WIDENPATH: return Cost::Stroke;
        // GDI's stretch arithmetic is 32-bit: a destination far off the device overflows it.
        case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_MASKBLT: case EMR_PLGBLT: case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT: case EMR_STRETCHDIBITS: case EMR_SETDIBITSTODEVICE:
            return Cost::Blit;
        default: return IsTextRecord(type) ? Cost::Text : Cost::None;
    }
}

}  // namespace

const wchar_t* DrawingVerdictName(DrawingVerdict verdict) {
    switch (verdict) {
        case DrawingVerdict::Fine: return L"fine";
        case DrawingVerdict::ShapeTooLarge: return L"shape too large for the device";
        case DrawingVerdict::PenTooWide: return L"pen too wide for the device";
        case DrawingVerdict::FontTooLarge: return L"font too large for the device";
        case DrawingVerdict::SourceOutside: return L"blit source outside its bitmap";
        case DrawingVerdict::BlitTooLarge: return L"blit destination beyond the device";
    }
    return L"?";
}

DrawingVerdict DrawingBounds::Check(HDC dc, const ENHMETARECORD* record) {
    const DWORD type = record->iType;
    if (type == EMR_BEGINPATH) m_inPath = true;
    if (type == EMR_ENDPATH || type == EMR_ABORTPATH) m_inPath = false;
    if (dc && ::GetObjectType(dc) == OBJ_ENHMETADC &&
        !BlitSourceInsideBitmap(reinterpret_cast<const BYTE*>(record), record->nSize))
        return DrawingVerdict::SourceOutside;
    const Cost cost = CostOf(type);
    if (cost == Cost::None || !dc) return DrawingVerdict::Fine;
    const DeviceMapping m = MappingOf(dc);
    if (cost == Cost::Blit)
        return ShapeWithin(dc, m, reinterpret_cast<const BYTE*>(record), type) ? DrawingVerdict::Fine
                                                                               : DrawingVerdict::BlitTooLarge;
    if (cost == Cost::Text)
        return DeviceFontHeight(dc, m) > kMaxDeviceFontHeight ? DrawingVerdict::FontTooLarge : DrawingVerdict::Fine;
    const double pen = DevicePenWidth(dc, m);
    if (!(pen <= kMaxDevicePenWidth)) return DrawingVerdict::PenTooWide;
    if (cost == Cost::Stroke) return DrawingVerdict::Fine;
    // Thin lines and upright rectangles are clipped cheaply; inside a path everything counts,
    // since filling or stroking the path rasterises all of it.
    const bool wide = pen > kThinPen;
    const bool measured = cost == Cost::Shape || m_inPath || wide || (cost == Cost::RectangleWhenTurned && m.Turned());
    if (!measured) return DrawingVerdict::Fine;
    return ShapeWithin(dc, m, reinterpret_cast<const BYTE*>(record), type) ? DrawingVerdict::Fine
                                                                           : DrawingVerdict::ShapeTooLarge;
}

}  // namespace tw
