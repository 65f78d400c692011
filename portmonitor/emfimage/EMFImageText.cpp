// CEMFImage: the page's text, read on the first band before it is drawn. The markers are found
// first, so that every band's playback can hide them; then the words go to the job's collector.
#include "emfimage/EMFImage.h"
#include "emfimage/PageTextReader.h"
#include "emfimage/TemporaryFonts.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

void CEMFImage::ExtractPageText(HDC dc, HENHMETAFILE emf, const TarnwellDEVMODE&) {
    PageTextState& state = m_pJob->PageText();
    state.markers.Reset();
    if (!m_pJob->PageTextNeeded()) return;
    TW_TRACE(L"> CEMFImage::ExtractPageText");
    ScanPageMarkers(emf, state.markers);
    m_pJob->TextCollector();
    const RECT pageRect{0, 0, m_info.header.biWidth - 1, m_pageHeight - 1};
    PlaybackBudget budget(m_limits);
    TemporaryFontLoader tempFonts(m_pJob->Fonts(), m_pJob->TemporaryFontFolder(), L"szFontName(3)");
    CollectPageWords(dc, emf, pageRect, m_pJob->GdiMutex(), state, m_pJob->TextReadingSettings(), budget, &tempFonts);
    m_pJob->NotePageMarkerFields();
}

}  // namespace tw
