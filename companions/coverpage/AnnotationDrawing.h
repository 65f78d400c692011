#pragma once
// Draws one page's annotations with GDI in the page's pixel coordinates: the caller's transform
// takes page pixels to the device.
#include <windows.h>

#include "Annotations.h"

namespace coverpage {

// `dpiX`/`dpiY` as AnnoSetDPI gave them: 96 x page pixels per device pixel (0: one page pixel
// per device pixel). Hairlines are drawn one device pixel wide. False when GDI refused a step.
bool DrawPage(HDC hdc, const PageAnnotations& page, int dpiX, int dpiY);

// The font of a text object: its height in points at the page's vertical resolution, drawn
// without smoothing, so that a bilevel page shows the glyphs as GDI forms them.
LOGFONTW TextFont(const AnnoText& text, int pageYDpi);

}  // namespace coverpage
