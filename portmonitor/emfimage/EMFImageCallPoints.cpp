// Where rendering hands a page to the subsystems that decorate, read and reduce it. Each is
// filled in by the subsystem it names; until then the page goes on without that step.
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

// The image watermark beneath the content.
void CEMFImage::DrawWatermark(HDC, int, int, const TarnwellDEVMODE&) {}
void CEMFImage::DrawTextWatermark(HDC, int, int, const TarnwellDEVMODE&) {}
// Above the content: overlay watermark, barcodes, annotation text, header, footer, text stamp
// and the Bates number.
void CEMFImage::DrawOverlays(HDC, int, int, const TarnwellDEVMODE&) {}
// OCR of the finished page.
void CEMFImage::RecognisePageText(const TarnwellDEVMODE&) { m_pJob->RecognisePage(m_pageDib.get()); }


}  // namespace tw
