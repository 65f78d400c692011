#pragma once
// Drawing records that would make GDI work on a scale no page has. GDI rasterises ellipses,
// arcs, filled polygons, paths and wide pens in time and memory that grow with their size on
// the device, and renders glyphs at the font's device size: one record with coordinates near
// 2^30, a pen millions of pixels wide or a font 20000 pixels high runs for minutes, takes
// gigabytes or crashes inside GDI. The size on the device depends on the DC's transforms at
// the time the record is played, so the check is made then, against the DC being played into.
#include <windows.h>

namespace tw {

// Device sizes beyond which a drawing record is not played: far beyond a page (an A0 sheet at
// 600 dpi is 28080 pixels high), well below what makes GDI slow or unsafe.
inline constexpr double kMaxDeviceCoordinate = 65536.0;
inline constexpr double kMaxDevicePenWidth = 4096.0;
inline constexpr double kMaxDeviceFontHeight = 8192.0;

enum class DrawingVerdict {
    Fine,
    ShapeTooLarge,  // a point of a shape GDI rasterises lies beyond kMaxDeviceCoordinate
    PenTooWide,     // the selected pen is wider than kMaxDevicePenWidth on the device
    FontTooLarge,   // the selected font is higher than kMaxDeviceFontHeight on the device
    SourceOutside,  // recording into a metafile: a blit's source rectangle leaves its bitmap
    BlitTooLarge,   // a corner of a blit's destination lies beyond kMaxDeviceCoordinate
};

const wchar_t* DrawingVerdictName(DrawingVerdict verdict);

// Stateful: records must be given in order, since a path bracket changes what is costly.
class DrawingBounds {
public:
    // `record` has passed the record checks; `dc` is in the state the records before it left.
    DrawingVerdict Check(HDC dc, const ENHMETARECORD* record);

private:
    bool m_inPath = false;
};

}  // namespace tw
