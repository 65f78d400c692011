#pragma once
// The header, the footer, the text stamp and the DEVMODE annotation, drawn on a page's DC (a
// band of the page bitmap or the page's annotation metafile) in page pixels.
#include <windows.h>

#include <string>

#include "annotate/AnnotationContext.h"

namespace tw {

enum class PageTextKind { Header, Footer, Stamp };

// What the settings of a header, footer or text stamp say; read once per page, since the page
// is drawn band by band.
struct AnnotationTextSettings {
    std::wstring text;  // expanded
    int position = 0;
    COLORREF color = 0;
    bool opaque = false;
    POINT offset{0, 0};  // in pixels
    LOGFONTW font{};
    int degrees = 0;      // the stamp's rotation
    int alpha = 255;      // the stamp's visibility
};
AnnotationTextSettings ReadPageText(const AnnotationContext& ctx, PageTextKind kind);

void DrawHeaderOrFooter(HDC dc, int width, int height, const AnnotationContext& ctx, const AnnotationTextSettings& g);
void DrawTextStamp(HDC dc, int width, int height, const AnnotationContext& ctx, const AnnotationTextSettings& g);
void DrawDevModeAnnotation(HDC dc, int width, int height, const AnnotationContext& ctx);

// The DEVMODE annotation's line as its option bits compose it.
std::wstring DevModeAnnotationText(const AnnotationContext& ctx);
// A day count of the Julian-day kind: the Julian day number of the date.
long JulianDayNumber(int year, int month, int day);

}  // namespace tw
