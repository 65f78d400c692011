// CEMFImage: the page's text. On the raster path it is read on the first band before the band is
// drawn; the markers are found first, so that every band's playback can hide them. Pages kept as
// metafiles are read the same way on a DC of the page's pixels that nothing is drawn on.
#include "emfimage/EMFImage.h"
#include "emfimage/EmfPageReader.h"
#include "emfimage/ImageErrors.h"
#include "emfimage/PageTextReader.h"
#include "emfimage/TemporaryFonts.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

void CEMFImage::ReadPageText(HDC dc, HENHMETAFILE emf, const RECT& pageRect, const wchar_t* fontLogTag) {
    PageTextState& state = m_pJob->PageText();
    state.markers.Reset();
    if (!m_pJob->PageTextNeeded()) return;
    ScanPageMarkers(emf, state.markers);
    m_pJob->TextCollector();
    PlaybackBudget budget(m_limits);
    TemporaryFontLoader tempFonts(m_pJob->Fonts(), m_pJob->TemporaryFontFolder(), fontLogTag);
    CollectPageWords(dc, emf, pageRect, m_pJob->GdiMutex(), state, m_pJob->TextReadingSettings(), budget, &tempFonts);
    state.wordsRead = true;
    m_pJob->NotePageMarkerFields();
}

void CEMFImage::ExtractPageText(HDC dc, HENHMETAFILE emf, const TarnwellDEVMODE&) {
    TW_TRACE(L"> CEMFImage::ExtractPageText");
    ReadPageText(dc, emf, RECT{0, 0, m_info.header.biWidth - 1, m_pageHeight - 1}, L"szFontName(3)");
}

// The page is measured as the raster path measures it, so that its words get the same pixels.
BOOL CEMFImage::ExtractVectorPageText(HDC reference, HENHMETAFILE emf, SIZE emfPixels, const TarnwellDEVMODE& dm) {
    // A page whose pixels were drawn for its content (OCR) has had its words read then.
    if (!m_pJob->PageTextNeeded() || m_pJob->PageText().wordsRead) return TRUE;
    TW_TRACE(L"> CEMFImage::ExtractVectorPageText");
    TarnwellDEVMODE sized = dm;
    ApplyEmfPageGeometry(sized, emfPixels, m_pJob->Settings().dwEffectiveFormat, m_pJob->Settings().bAllowAnisotropicDpi);
    PageBitmapInfo page;
    if (FillBITMAPINFO(&sized, OutputBits(sized), page) != SizingResult::Ok) {
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return FALSE;
    }
    // Nothing is drawn: the DC only follows fonts, transforms and positions.
    UniqueDC dc(::CreateCompatibleDC(reference));
    if (!dc) {
        TW_TRACE(L"CEMFImage::ExtractVectorPageText: CreateCompatibleDC: %d", static_cast<int>(::GetLastError()));
        m_pJob->HandleError(imgerr::kPageTextDc, __FILE__, __LINE__);
        return FALSE;
    }
    ReadPageText(dc.get(), emf, RECT{0, 0, page.header.biWidth - 1, page.header.biHeight - 1}, L"szFontName(3)");
    return TRUE;
}

BOOL CEMFImage::ReadEnhMetaFileText(HGLOBAL pageBlock, SIZE_T dataSize, const TarnwellDEVMODE& dm) {
    if (!m_pJob->PageTextNeeded()) return TRUE;
    TW_TRACE(L"> CEMFImage::ReadEnhMetaFileText");
    UniqueEnhMetaFile emf;
    EmfPageInfo page;
    const EmfReadResult read = ReadMetaFile(pageBlock, dataSize, emf, page);
    if (read != EmfReadResult::Ok) {
        TW_TRACE(L"CEMFImage::ReadEnhMetaFileText: %s", EmfReadResultName(read));
        m_pJob->HandleError(EmfReadInternalError(read), __FILE__, __LINE__);
        return FALSE;
    }
    RegisterFonts(emf.get());
    UniqueDC reference = OpenReferenceDC(m_pJob->PrinterName(), dm);
    if (!reference) {
        TW_TRACE(L"CEMFImage: CreateDC FAILED !!! ");
        m_pJob->HandleError(imgerr::kPageTextDc, __FILE__, __LINE__);
        return FALSE;
    }
    const BOOL result = ExtractVectorPageText(reference.get(), emf.get(), EmfPageSizeInPixels(page), dm);
    TW_TRACE_RESULT(L"CEMFImage::ReadEnhMetaFileText", result);
    return result;
}

}  // namespace tw
