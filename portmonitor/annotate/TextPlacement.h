#pragma once
// Where annotation text goes on a page: the extents of rotated text, the reference point of a
// position, offsets in their units, and the fonts scaled from their 96-DPI sizes.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace tw {

// How far rotated text reaches from its drawing point (TA_BOTTOM): left, right, up and down.
struct RotatedExtents {
    int left = 0, right = 0, up = 0, down = 0;
};

// Degrees brought into 0 ... 359.
int NormaliseDegrees(int degrees);
RotatedExtents ComputeRotatedExtents(SIZE extent, int degrees);

// The five positions of rotated text; any other value draws from (0, 0).
enum class TextPosition { TopLeft = 0, TopRight = 1, Centre = 2, BottomLeft = 3, BottomRight = 4 };
POINT ReferencePoint(int position, const RotatedExtents& e, int width, int height);

// Units of the settings' offsets.
enum class OffsetUnit : DWORD { TenthMm = 0, HundredthInch = 1, Pixel = 2 };
// An offset in pixels; `pelsPerMetre` is the page's resolution along the offset. A unit that is
// none of the three gives `otherUnit` (the offset itself, or 0 for Bates numbers).
LONG OffsetToPixels(LONG offset, DWORD unit, LONG pelsPerMetre, bool unknownUnitIsZero);
LONG PelsPerMetre(int dpi);

// The font of an annotation: a zero height becomes the default Arial, an empty face Arial; the
// height is scaled from 96 DPI to `yDpi`; escapement and orientation are 10 x `degrees`.
UniqueGdiObject CreateAnnotationFont(LOGFONTW lf, int yDpi, int degrees);

// Draws `text` with the DC's state restored afterwards.
struct TextStyle {
    COLORREF color = 0;
    bool opaque = false;
    UINT align = TA_TOP | TA_LEFT;
};
void DrawTextAt(HDC dc, HGDIOBJ font, const TextStyle& style, POINT at, const std::wstring& text);
SIZE MeasureText(HDC dc, HGDIOBJ font, const std::wstring& text);

// Rotated text at a position (the DEVMODE annotation, the text stamp and the Bates number):
// where its drawing point lies once the offsets are added.
POINT RotatedTextPoint(HDC dc, HGDIOBJ font, const std::wstring& text, int degrees, int position, POINT offset,
                       int width, int height, RotatedExtents* extentsOut = nullptr);

}  // namespace tw
