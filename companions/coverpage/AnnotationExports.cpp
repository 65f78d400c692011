// TwAnnox.dll: works on the annotation handles TwImg1x.dll makes, and draws them.
#include <windows.h>

#include "AnnotationDrawing.h"
#include "AnnotationHandle.h"

namespace {

using coverpage::AnnoHandleHeader;

void Deselect(AnnoHandleHeader&, int, int) {}
void Select(AnnoHandleHeader& h, int page, int) { h.selectedPage = page; }
void SetDpi(AnnoHandleHeader& h, int x, int y) {
    h.dpiX = x;
    h.dpiY = y;
}

}  // namespace

extern "C" {

// Objects are never left selected by the monitor's use: deselecting only checks the handle.
__declspec(dllexport) int WINAPI AnnoObjDeselect(HANDLE anno, int object) {
    return coverpage::ChangeAnnoHandle(anno, Deselect, object, 0) ? 1 : 0;
}

__declspec(dllexport) int WINAPI AnnoSelectPage(HANDLE anno, int page) {
    return page >= 0 && coverpage::ChangeAnnoHandle(anno, Select, page, 0) ? 1 : 0;
}

__declspec(dllexport) int WINAPI AnnoSetDPI(HANDLE anno, int xdpi, int ydpi) {
    return xdpi >= 0 && ydpi >= 0 && coverpage::ChangeAnnoHandle(anno, SetDpi, xdpi, ydpi) ? 1 : 0;
}

// Draws the selected page's objects; a page without objects draws nothing and succeeds.
__declspec(dllexport) int WINAPI AnnoDrawAll(HANDLE anno, HDC hdc) {
    auto selected = coverpage::ReadSelectedPage(anno);
    if (!selected || !hdc) return 0;
    if (!selected->page) return 1;
    return coverpage::DrawPage(hdc, *selected->page, selected->header.dpiX, selected->header.dpiY) ? 1 : 0;
}

__declspec(dllexport) int WINAPI DestroyAnnoHandle(HANDLE anno) { return coverpage::DestroyAnnoHandleBlock(anno) ? 1 : 0; }

}  // extern "C"
