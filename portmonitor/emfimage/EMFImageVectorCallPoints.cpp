// Where the vector path hands a page to the subsystems that read and decorate it. Each is
// filled in by the subsystem it names; until then the page goes on without that step.
#include "annotate/MetafileWatermark.h"
#include "annotate/PageAnnotator.h"
#include "annotate/PagePixelSpace.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

// One of the annotator's drawings, in the page's own pixels.
void InPagePixels(CTWJob* job, void (CPageAnnotator::*draw)(HDC, int, int, const TarnwellDEVMODE&), HDC dc,
                  int width, int height, const TarnwellDEVMODE& dm) {
    const PagePixelSpace page(dc, width, height, dm);
    (job->Annotator().*draw)(dc, page.Width(), page.Height(), dm);
}

}  // namespace

// The picture watermark configured above the content.
bool CEMFImage::HasOverlayWatermark(const TarnwellDEVMODE& dm) const {
    return !m_pJob->IsDriverCoverPage() && m_pJob->Annotator().HasMetafileWatermark(dm);
}
// The DEVMODE annotation's own first-page rule.
bool CEMFImage::AnnotationFirstPageOnly(const TarnwellDEVMODE& dm) const {
    return (dm.Read<DWORD>(dmoff::AnnotationOptions) & dmannot::FirstPageOnly) != 0;
}
// The job's Bates numbering format for this page; FALSE when it cannot be loaded.
BOOL CEMFImage::LoadBatesNumbering(const TarnwellDEVMODE& dm) { return m_pJob->Annotator().LoadBatesNumbering(dm); }

// Into the annotation metafile, in this order, each in the page's own pixels as on the raster page.
// The picture's page comes from the record and the page bitmap's resolution.
void CEMFImage::DrawMetafileWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm, BOOL) {
    MetafileWatermarkPage page = MetafileWatermarkPageFor(dm, m_info.XDpi(), m_info.YDpi());
    const PagePixelSpace space(dc, width, height, page.width, page.height);
    page.width = space.Width(), page.height = space.Height();
    m_pJob->Annotator().DrawMetafileWatermark(dc, page, dm);
}
void CEMFImage::DrawMetafileBarcodes(HDC dc, int width, int height, const TarnwellDEVMODE& dm, BOOL last) {
    const PagePixelSpace page(dc, width, height, dm);
    DrawBarcode(dc, page.Width(), page.Height(), dm, last);
}
void CEMFImage::DrawAnnotationText(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    InPagePixels(m_pJob, &CPageAnnotator::DrawAnnotationText, dc, width, height, dm);
}
void CEMFImage::DrawHeader(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    InPagePixels(m_pJob, &CPageAnnotator::DrawHeader, dc, width, height, dm);
}
void CEMFImage::DrawFooter(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    InPagePixels(m_pJob, &CPageAnnotator::DrawFooter, dc, width, height, dm);
}
void CEMFImage::DrawTextStamp(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    InPagePixels(m_pJob, &CPageAnnotator::DrawTextStamp, dc, width, height, dm);
}
void CEMFImage::DrawBatesNumber(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    InPagePixels(m_pJob, &CPageAnnotator::DrawBatesNumber, dc, width, height, dm);
}

}  // namespace tw
