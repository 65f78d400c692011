// Where rendering hands a page to the subsystems that decorate, read and reduce it. Each is
// filled in by the subsystem it names; until then the page goes on without that step.
#include "annotate/AnnotationTexts.h"
#include "annotate/BarcodeWriter.h"
#include "annotate/PageAnnotator.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

// The image watermark beneath the content.
void CEMFImage::DrawWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    m_pJob->Annotator().DrawWatermark(dc, width, height, dm);
}
// Once per page: the texts' settings are read anew, and what the bands draw is chosen.
void CEMFImage::DecidePageDecorations(const TarnwellDEVMODE& dm) {
    CPageAnnotator& annotator = m_pJob->Annotator();
    annotator.StartPageDrawing();
    m_decorations.stamps = DecideVectorStamps(dm, false);
    m_decorations.textWatermark = annotator.HasTextWatermark(dm, IsFirstDocumentPage());
}
// The text watermark beneath the content of every band, cover pages included.
void CEMFImage::DrawTextWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    if (m_decorations.textWatermark) m_pJob->Annotator().DrawTextWatermark(dc, width, height, dm);
}
// Above the content: the barcode, then annotation text, header, footer, text stamp and the Bates
// number, as the annotation metafile chooses them (the raster page has its picture beneath).
void CEMFImage::DrawOverlays(HDC dc, int width, int height, const TarnwellDEVMODE& dm) {
    const VectorStamps& stamps = m_decorations.stamps;
    if (stamps.barcode) DrawBarcode(dc, width, height, dm, FALSE);
    if (m_pJob->IsDriverCoverPage()) return;
    TW_TRACE(annottext::kCheckingAnnotation);
    CPageAnnotator& annotator = m_pJob->Annotator();
    if (stamps.annotation) annotator.DrawAnnotationText(dc, width, height, dm);
    if (stamps.header) annotator.DrawHeader(dc, width, height, dm);
    if (stamps.footer) annotator.DrawFooter(dc, width, height, dm);
    if (stamps.textStamp) annotator.DrawTextStamp(dc, width, height, dm);
    if (stamps.bates) annotator.DrawBatesNumber(dc, width, height, dm);
}
// The page's barcode; its text, read on the first band, is the writer's before the symbol is made.
void CEMFImage::DrawBarcode(HDC dc, int width, int height, const TarnwellDEVMODE& dm, BOOL metafile) {
    CBarcodeWriter& barcodes = m_pJob->Barcodes();
    if (!barcodes.PageDecided() && barcodes.PageText().empty() && BarcodeNeedsPageText(dm))
        barcodes.AddText(m_pJob->BarcodePageText().c_str());
    barcodes.Draw(dc, width, height, dm, metafile);
}
// OCR of the finished page.
void CEMFImage::RecognisePageText(const TarnwellDEVMODE&) { m_pJob->RecognisePage(m_pageDib.get()); }


}  // namespace tw
