#pragma once
// The header, the footer, the text stamp and the DEVMODE annotation, drawn on a page's DC (a
// band of the page bitmap or the page's annotation metafile) in page pixels.
#include <windows.h>

#include <string>

#include "annotate/AnnotationContext.h"

namespace tw {

enum class PageTextKind { Header, Footer };

void DrawHeaderOrFooter(HDC dc, int width, int height, const AnnotationContext& ctx, PageTextKind kind);
void DrawTextStamp(HDC dc, int width, int height, const AnnotationContext& ctx);
void DrawDevModeAnnotation(HDC dc, int width, int height, const AnnotationContext& ctx);

// The DEVMODE annotation's line as its option bits compose it.
std::wstring DevModeAnnotationText(const AnnotationContext& ctx);
// A day count of the Julian-day kind: the Julian day number of the date.
long JulianDayNumber(int year, int month, int day);

}  // namespace tw
