#include "annotate/TextPlacement.h"

#include <cmath>
#include <cwchar>

#include "annotate/AnnotationTexts.h"

namespace tw {
namespace {

// The rounding of the extents: +0.5 and truncated, as the placement was first built.
int RoundExtent(double v) { return static_cast<int>(v + 0.5); }
constexpr double kPi = 3.14159;
constexpr double kMetresPerInch10k = 254.0;  // 10000 x metres per inch

}  // namespace

int NormaliseDegrees(int degrees) {
    int d = degrees % 360;
    return d < 0 ? d + 360 : d;
}

RotatedExtents ComputeRotatedExtents(SIZE extent, int degrees) {
    const int theta = NormaliseDegrees(degrees);
    const double r = theta * kPi / 180.0;
    const double s = std::sin(r), c = std::cos(r);
    const double cx = extent.cx, cy = extent.cy;
    double l = 0, rt = 0, u = 0, d = 0;
    if (theta < 90) {
        l = cy * s, rt = cx * c, u = cy * c + cx * s, d = 0;
    } else if (theta < 180) {
        l = cy * s - cx * c, rt = 0, u = cx * s, d = -cy * c;
    } else if (theta < 270) {
        l = -cx * c, rt = -cy * s, u = 0, d = -cy * c - cx * s;
    } else {
        l = 0, rt = cx * c - cy * s, u = cy * c, d = -cx * s;
    }
    return {RoundExtent(l), RoundExtent(rt), RoundExtent(u), RoundExtent(d)};
}

POINT ReferencePoint(int position, const RotatedExtents& e, int width, int height) {
    switch (static_cast<TextPosition>(position)) {
    case TextPosition::TopLeft: return {e.left, e.up};
    case TextPosition::TopRight: return {width - e.right, e.up};
    case TextPosition::Centre: return {(width + e.left - e.right) / 2, (e.up + height - e.down) / 2};
    case TextPosition::BottomLeft: return {e.left, height - e.down};
    case TextPosition::BottomRight: return {width - e.right, height - e.down};
    }
    return {0, 0};
}

LONG PelsPerMetre(int dpi) { return static_cast<LONG>(dpi * 10000.0 / kMetresPerInch10k + 0.5); }

LONG OffsetToPixels(LONG offset, DWORD unit, LONG pelsPerMetre, bool unknownUnitIsZero) {
    switch (static_cast<OffsetUnit>(unit)) {
    case OffsetUnit::TenthMm: return static_cast<LONG>(static_cast<LONGLONG>(offset) * pelsPerMetre / 10000);
    case OffsetUnit::HundredthInch: {
        const LONGLONG dpi = static_cast<LONGLONG>(pelsPerMetre * kMetresPerInch10k / 10000.0 + 0.5);
        return static_cast<LONG>(offset * dpi / 100);
    }
    case OffsetUnit::Pixel: return offset;
    }
    return unknownUnitIsZero ? 0 : offset;
}

UniqueGdiObject CreateAnnotationFont(LOGFONTW lf, int yDpi, int degrees) {
    if (lf.lfHeight == 0) {
        lf = LOGFONTW{};
        lf.lfHeight = annottext::kDefaultHeight;
        lf.lfWeight = annottext::kDefaultWeight;
        std::wcscpy(lf.lfFaceName, annottext::kDefaultFace);
    }
    lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
    if (lf.lfFaceName[0] == L'\0') std::wcscpy(lf.lfFaceName, annottext::kDefaultFace);
    lf.lfHeight = static_cast<LONG>(static_cast<LONGLONG>(lf.lfHeight) * yDpi / annottext::kScreenDpi);
    lf.lfEscapement = lf.lfOrientation = NormaliseDegrees(degrees) * 10;
    return UniqueGdiObject(::CreateFontIndirectW(&lf));
}

void DrawTextAt(HDC dc, HGDIOBJ font, const TextStyle& style, POINT at, const std::wstring& text) {
    const int saved = ::SaveDC(dc);
    ::SelectObject(dc, font);
    ::SetTextColor(dc, style.color);
    ::SetBkMode(dc, style.opaque ? OPAQUE : TRANSPARENT);
    ::SetTextAlign(dc, style.align);
    ::TextOutW(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
    if (saved) ::RestoreDC(dc, saved);
}

SIZE MeasureText(HDC dc, HGDIOBJ font, const std::wstring& text) {
    SIZE size{0, 0};
    SelectGuard select(dc, font);
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

POINT RotatedTextPoint(HDC dc, HGDIOBJ font, const std::wstring& text, int degrees, int position, POINT offset,
                       int width, int height, RotatedExtents* extentsOut) {
    const RotatedExtents e = ComputeRotatedExtents(MeasureText(dc, font, text), degrees);
    if (extentsOut) *extentsOut = e;
    POINT p = ReferencePoint(position, e, width, height);
    p.x += offset.x;
    p.y += offset.y;
    return p;
}

}  // namespace tw
