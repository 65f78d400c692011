#include "annotate/PagePixelSpace.h"

#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

PagePixelSpace::PagePixelSpace(HDC dc, int width, int height, const TarnwellDEVMODE& dm)
    : m_dc(dc), m_width(width), m_height(height) {
    const LONG pageWidth = dm.Read<LONG>(dmoff::PageWidthInPixels);
    const LONG pageHeight = dm.Read<LONG>(dmoff::PageHeightInPixels);
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
