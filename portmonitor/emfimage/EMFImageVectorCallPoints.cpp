// Where the vector path hands a page to the subsystems that read and decorate it. Each is
// filled in by the subsystem it names; until then the page goes on without that step.
#include "emfimage/EMFImage.h"

namespace tw {

// Text extraction of the page metafile: the collecting and the playing enumeration into a
// scratch metafile on the reference DC.
void CEMFImage::ExtractVectorPageText(HDC, HENHMETAFILE, const RECTL&, const TarnwellDEVMODE&) {}
// The picture watermark configured above the content.
bool CEMFImage::HasOverlayWatermark(const TarnwellDEVMODE&) const { return false; }
// The DEVMODE annotation's own first-page rule.
bool CEMFImage::AnnotationFirstPageOnly(const TarnwellDEVMODE&) const { return false; }
// The job's Bates numbering format for this page; FALSE when it cannot be loaded.
BOOL CEMFImage::LoadBatesNumbering(const TarnwellDEVMODE&) { return TRUE; }

// Into the annotation metafile, in this order.
void CEMFImage::DrawMetafileWatermark(HDC, int, int, const TarnwellDEVMODE&, BOOL) {}
void CEMFImage::DrawMetafileBarcodes(HDC, int, int, const TarnwellDEVMODE&, BOOL) {}
void CEMFImage::DrawAnnotationText(HDC, int, int, const TarnwellDEVMODE&) {}
void CEMFImage::DrawHeader(HDC, int, int, const TarnwellDEVMODE&) {}
void CEMFImage::DrawFooter(HDC, int, int, const TarnwellDEVMODE&) {}
void CEMFImage::DrawTextStamp(HDC, int, int, const TarnwellDEVMODE&) {}
void CEMFImage::DrawBatesNumber(HDC, int, int, const TarnwellDEVMODE&) {}

}  // namespace tw
