// The job and its writer: made at StartDoc, given every page, and the last incomplete sheet.
#include "emfimage/EMFImage.h"
#include "job/JobObserver.h"
#include "job/JobTexts.h"
#include "job/TWJob.h"
#include "twfile/WriterLibraries.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "base/WideString.h"
#include "twfile/BlFile.h"
#include "twfile/FileFormats.h"

namespace tw {

bool CTWJob::IsDriverCoverPage() const {
    const BYTE options = m_sDevMode.Read<BYTE>(dmoff::CoverPageOptions);
    const BYTE both = dmcover::BarcodeEnabled | dmcover::InsertedCoverPage;
    return (options & both) == both && m_dwActPage == m_dwCoverPages + 1;
}

BOOL CTWJob::CreateOutputFile() {
    if (m_pBlFile) TW_TRACE(L"DeAllocated memory(22): %X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_pBlFile.get())));
    m_pBlFile = CreateBlFileObject(m_sDevMode, this, m_settings.dwEffectiveFormat, m_settings.bOutputInMemory);
    if (m_pBlFile && m_keptLibraries.empty())
        m_keptLibraries = KeepWriterLibraries(m_sDevMode, m_settings.dwEffectiveFormat, m_settings.bOutputInMemory);
    m_sheet.Configure(m_settings.pagesPerSheet, m_settings.bColumnFirst, m_settings.bCellBorder, m_settings.sheetMargin,
                      m_settings.cellSpacing);
    if (m_pBlFile) return TRUE;
    // Without a writer the document cannot be produced: say which format was asked for.
    HandleError(FormatW(jobtext::kNoWriterForFormat, FormatName(m_settings.dwEffectiveFormat),
                        static_cast<int>(m_settings.dwEffectiveFormat)).c_str(), __FILE__, __LINE__);
    return FALSE;
}

BOOL CTWJob::SavePageImage(HGLOBAL hData, bool raw) {
    if (!m_pBlFile) return FALSE;
    m_pBlFile->SetCurrentPage(m_dwActPage);
    if (UsesMultipageTiff()) return SaveTiffPage(hData, m_dwPageDataSize, raw ? FALSE : TRUE);
    if (!m_pBlFile->SaveFile(hData, m_dwPageDataSize, m_szImageFileName.c_str(), raw ? FALSE : TRUE)) {
        TW_TRACE(L"< CTWJob::EndPage[!SaveFile]: FALSE");
        return FALSE;
    }
    return TRUE;
}

// The sheet that the last pages left incomplete is written with one more save call.
BOOL CTWJob::FlushPendingSheet() {
    if (!m_pBlFile || m_sheet.Count() < 2 || !m_sheet.HasPendingPages()) return TRUE;
    m_sheet.SetFlush(true);
    m_pBlFile->SetCurrentPage(m_dwActPage);
    const BOOL saved = UsesMultipageTiff() ? SaveTiffPage(kPendingSheetData, 0, TRUE)
                                           : m_pBlFile->SaveFile(kPendingSheetData, 0, m_szImageFileName.c_str(), TRUE);
    m_sheet.Clear();
    return saved;
}

// The file of an in-memory writer goes to the clients at once: by WM_COPYDATA, then the pipes.
void CTWJob::SendMemoryPageImage(HGLOBAL file, SIZE_T size) {
    TW_TRACE(L"CTWJob::SendMemoryPageImage: %u bytes", static_cast<unsigned>(size));
    SendMemImageThroughWMCOPYDATA(&m_sDevMode, file);
    SendMemImageThroughPipe(&m_sDevMode, file);
}

void CTWJob::NoteOutputFile(const std::wstring& fileName) {
    for (const std::wstring& known : m_writtenFiles)
        if (known == fileName) return;
    m_writtenFiles.push_back(fileName);
}

}  // namespace tw
