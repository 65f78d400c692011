// The job's side of multi-page TIFF output: the file opened at StartDoc, every page saved into
// it, closed at EndDoc and AbortDoc; and the in-memory TIFF document sent at EndDoc.
#include "job/JobOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlTIFFFile.h"
#include "twfile/FileFormats.h"

namespace tw {

bool CTWJob::UsesMultipageTiff() const {
    return m_pBlFile && UsesMultiPageTiff(m_settings.dwEffectiveFormat, m_settings.bOutputInMemory,
                                          IsMultipageOutput());
}

bool CTWJob::IsLeadingCoverPage() const {
    if (m_dwCoverPages == 0 || m_dwActPage > m_dwCoverPages || !IsMultipageOutput()) return false;
    const TarnwellDEVMODE* dm = &m_sDevMode;
    return settings::ReadNumberText(dm, settings::kCoverPageSettings, settings::kEnableCoverPage) != 0 &&
           settings::ReadNumberText(dm, settings::kCoverPageSettings, settings::kStartBeforePrinting) == 0;
}

HGLOBAL CTWJob::MemoryOutputBlock() {
    if (!m_hMemoryImage) {
        m_hMemoryImage.reset(::GlobalAlloc(GMEM_MOVEABLE, 1));
        TW_TRACE(L"Allocated memory(26): %X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_hMemoryImage.get())));
    }
    return m_hMemoryImage.get();
}

BOOL CTWJob::OpenMultipageTiff() {
    if (m_settings.bOutputInMemory) m_hMemoryImage.reset();
    if (!UsesMultipageTiff() || m_settings.bImageGenerationDisabled) return TRUE;
    TW_TRACE(L"StartDoc TIFF format.");
    if (!static_cast<CBlTIFFFile*>(m_pBlFile.get())->OpenTIFFFile(m_szImageFileName.c_str())) {
        TW_TRACE(L"< CTWJob::StartDoc[!OpenTIFFFile]: FALSE");
        return FALSE;
    }
    return TRUE;
}

BOOL CTWJob::SaveTiffPage(HGLOBAL hData, SIZE_T size, BOOL isEMF) {
    if (!static_cast<CBlTIFFFile*>(m_pBlFile.get())->SaveTIFFPage(hData, size, isEMF)) {
        TW_TRACE(L"EndPage: Error saving TIFF page");
        TW_TRACE(L"< CTWJob::EndPage[!SaveTIFFPage]: FALSE");
        return FALSE;
    }
    return TRUE;
}

BOOL CTWJob::CloseMultipageTiff() {
    if (!UsesMultipageTiff()) return TRUE;
    TW_TRACE(L"CloseOutputFile TIFF");
    if (!static_cast<CBlTIFFFile*>(m_pBlFile.get())->CloseTIFFFile()) {
        TW_TRACE(L"< CTWJob::CloseOutputFile[!CloseTIFFFile]: FALSE");
        return FALSE;
    }
    return TRUE;
}


}  // namespace tw
