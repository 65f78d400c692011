#include "annotate/PagePixelSpace.h"

#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

PagePixelSpace::PagePixelSpace(HDC dc, int width, int height, const TarnwellDEVMODE& dm)
    : PagePixelSpace(dc, width, height, dm.Read<LONG>(dmoff::PageWidthInPixels),
                     dm.Read<LONG>(dmoff::PageHeightInPixels)) {}

PagePixelSpace::PagePixelSpace(HDC dc, int width, int height, LONG pageWidth, LONG pageHeight)
    : m_dc(dc), m_width(width), m_height(height) {
    if (pageWidth <= 0 || pageHeight <= 0 || width <= 0 || height <= 0) return;
    if (::GetGraphicsMode(dc) != GM_ADVANCED || !::GetWorldTransform(dc, &m_saved)) return;
    const XFORM scale{static_cast<float>(width) / pageWidth, 0.0f, 0.0f, static_cast<float>(height) / pageHeight,
                      0.0f, 0.0f};
    if (!::ModifyWorldTransform(dc, &scale, MWT_LEFTMULTIPLY)) return;
    m_changed = true;
    m_width = pageWidth;
    m_height = pageHeight;
}

PagePixelSpace::~PagePixelSpace() {
    if (m_changed) ::SetWorldTransform(m_dc, &m_saved);
}

}  // namespace tw
