#pragma once
// Drawing an annotation in the page's own pixels on a DC whose units are another device's (the
// annotation metafile is recorded on the reference DC): for as long as the object lives, the
// DEVMODE's page size in pixels is mapped onto the DC's width x height.
#include <windows.h>

namespace tw {

class TarnwellDEVMODE;

class PagePixelSpace {
public:
    PagePixelSpace(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    // The same for a page of `pageWidth` x `pageHeight` pixels.
    PagePixelSpace(HDC dc, int width, int height, LONG pageWidth, LONG pageHeight);
    ~PagePixelSpace();
    PagePixelSpace(const PagePixelSpace&) = delete;
    PagePixelSpace& operator=(const PagePixelSpace&) = delete;
    // The page in its own pixels (the DC's size when the record gives none).
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    HDC m_dc;
    XFORM m_saved{};
    bool m_changed = false;
    int m_width, m_height;
};

}  // namespace tw
