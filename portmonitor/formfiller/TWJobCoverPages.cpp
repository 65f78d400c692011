// The job's side of the cover page form filler: setting it up at the start of the document,
// taking the editor's pages before or after the document, and making each one a page.
#include <algorithm>

#include "emfimage/MetafileRecorder.h"
#include "formfiller/FormFiller.h"
#include "formfiller/FormFillerTexts.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "job/SettingsScope.h"

namespace tw {
namespace {

namespace ff = formfiller;

}  // namespace

bool CTWJob::IsCoverPageEnabled() const {
    const TarnwellDEVMODE* dm = DevMode();
    return dm && settings::ReadNumberText(dm, settings::kCoverPageSettings, settings::kEnableCoverPage,
                                          settings::kCoverPageNumberDefault) != 0;
}

void CTWJob::SetUpCoverPages() {
    TW_TRACE(L"> CTWJob::SetUpCoverPages");
    m_pFormFiller.reset();
    m_dwCoverPages = 0;
    m_bFormFillerBeforePrinting = false;
    m_bCoverPagesTookFirstName = false;
    if (!IsCoverPageEnabled()) return;
    const TarnwellDEVMODE* dm = &m_sDevMode;
    auto filler = std::make_unique<CFormFiller>(this);
    const auto directory = settings::ReadString(dm, settings::kCoverPageSettings, ff::kFillerDirectory);
    filler->LoadLibraries(directory.value_or(L""));
    const bool fromSettings = settings::ReadNumberText(dm, settings::kCoverPageSettings,
                                                       settings::kEnableDefaultCoverPage,
                                                       settings::kCoverPageNumberDefault) != 0;
    const std::wstring jobGroup = settings::JobGroupFormat(m_dwJobID);
    const std::wstring templatePath =
        settings::ReadString(dm, fromSettings ? settings::kCoverPageSettings : jobGroup.c_str(), ff::kDefaultCoverPage)
            .value_or(L"");
    if (!filler->LibrariesUsable()) {
        TW_TRACE_FAILED(L"CTWJob::SetUpCoverPages", L"LoadLibraries");
        return;
    }
    // A missing template is reported like an unreadable one: no editor could open it.
    const int pages = filler->LoadTemplate(templatePath);
    if (pages <= 0) {
        TW_TRACE_FAILED(L"CTWJob::SetUpCoverPages", L"LoadTemplate");
        return;
    }
    m_pFormFiller = std::move(filler);
    m_bFormFillerBeforePrinting = settings::ReadNumberText(dm, settings::kCoverPageSettings,
                                                           settings::kStartBeforePrinting,
                                                           settings::kCoverPageNumberDefault) != 0;
    if (m_bFormFillerBeforePrinting) {
        m_pFormFiller->StartFormFiller(FormFillerPrefix(m_szPrinterName), dm, m_dwJobID, m_szPrinterName);
    } else {
        // The document's pages are numbered after the cover pages that will come in front of it.
        m_dwCoverPages = static_cast<DWORD>(pages);
    }
    TW_TRACE(L"< CTWJob::SetUpCoverPages: %d pages, %s", pages, m_bFormFillerBeforePrinting ? L"before" : L"after");
}

bool CTWJob::WaitForCoverPages() {
    DWORD waitMs = static_cast<DWORD>(settings::ReadNumberText(&m_sDevMode, settings::kCoverPageSettings,
                                                               ff::kFillerWaitTimeout, ff::kFillerWaitMs));
    waitMs = std::min(waitMs, ff::kFillerWaitMs);
    const bool filled = m_pFormFiller->WaitForFormFiller(waitMs);
    settings::RefreshReadKeys();  // the editor had time to change the settings
    return filled;
}

// Before printing: the editor was started with the document; its pages come first.
BOOL CTWJob::AddFormFillerCoverPages() {
    if (!m_pFormFiller || !m_bFormFillerBeforePrinting) return TRUE;
    TW_TRACE(L"> CTWJob::AddFormFillerCoverPages");
    if (!WaitForCoverPages()) {
        TW_TRACE(L"< CTWJob::StartDoc[!WaitForFormFiller]: FALSE");
        return FALSE;
    }
    m_dwCoverPages = static_cast<DWORD>(m_pFormFiller->PageCount());
    for (int i = 0; i < m_pFormFiller->PageCount(); ++i)
        if (!AddCoverPage(i)) return FALSE;
    TW_TRACE(L"< CTWJob::AddFormFillerCoverPages: %lu pages", m_dwCoverPages);
    return TRUE;
}

BOOL CTWJob::AddCoverPagesAfterDocument() {
    if (!m_pFormFiller || m_bFormFillerBeforePrinting || m_bAbortPrinting) return TRUE;
    TW_TRACE(L"> CTWJob::AddCoverPagesAfterDocument");
    if (!m_pFormFiller->StartFormFiller(FormFillerPrefix(m_szPrinterName), &m_sDevMode, m_dwJobID, m_szPrinterName) ||
        !WaitForCoverPages()) {
        TW_TRACE(L"< CTWJob::EndDoc[!WaitForFormFiller]: FALSE");
        return FALSE;
    }
    // The received pages are the ones that move to the front, however many the template had.
    const DWORD documentPages = m_dwActPage;
    m_dwCoverPages = std::max(m_dwCoverPages, static_cast<DWORD>(m_pFormFiller->PageCount()));
    m_dwActPage = 0;
    BOOL result = TRUE;
    for (int i = 0; result && i < m_pFormFiller->PageCount(); ++i) result = AddCoverPage(i);
    m_dwActPage = documentPages;
    TW_TRACE_RESULT(L"CTWJob::AddCoverPagesAfterDocument", result);
    return result;
}

UniqueHGlobal CTWJob::RecordCoverPage(int index) {
    const LONG width = m_sDevMode.Read<LONG>(dmoff::PageWidthInPixels);
    const LONG height = m_sDevMode.Read<LONG>(dmoff::PageHeightInPixels);
    UniqueDC reference = OpenReferenceDC(m_szPrinterName, m_sDevMode);
    if (!reference || width <= 0 || height <= 0) return {};
    UniqueEnhMetaFile emf;
    {
        MetafileRecorder recorder(reference.get(), PhysicalPageFrame(reference.get(), m_sDevMode));
        if (!recorder) return {};
        // The page's pixels cover the physical page whatever the reference DC's own resolution.
        recorder.UseWorldTransform(recorder.FrameTransform(static_cast<float>(width), static_cast<float>(height)));
        if (!m_pFormFiller->DrawCoverPage(recorder.Dc(), index, width, height)) return {};
        emf = recorder.Close();
    }
    const UINT size = emf ? ::GetEnhMetaFileBits(emf.get(), 0, nullptr) : 0;
    if (size == 0) return {};
    UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block) return {};
    {
        GlobalLockGuard<BYTE> bytes(block.get());
        if (!bytes || ::GetEnhMetaFileBits(emf.get(), size, bytes.get()) != size) return {};
    }
    m_dwPageDataSize = size;
    return block;
}

BOOL CTWJob::AddCoverPage(int index) {
    TW_TRACE(L"> CTWJob::AddCoverPage %d", index);
    auto done = [&](BOOL result, const wchar_t* step) {
        ReportOperation(L"AddCoverPage", step, result);
        if (!result) TW_TRACE(L"< CTWJob::AddCoverPage[!%s]: FALSE", step);
        return result;
    };
    ++m_dwActPage;
    m_dwGroupIndex = m_dwActPage - 1;
    m_outputFileNames.emplace_back();
    // Its text (the filled fields) is a page of the text output like any other.
    StartPageText();
    // The document's own name goes to the first page made; every other file gets its own.
    const bool usesDocumentName = m_bFormFillerBeforePrinting && m_dwActPage == 1;
    if (usesDocumentName) m_bCoverPagesTookFirstName = true;
    if (!usesDocumentName && !IsMultipageOutput()) {
        m_szCurrentOutputFile.clear();
        if (!GenerateFilenames(false)) return done(FALSE, L"GenerateFilenames");
    }
    m_outputFileNames.back() = m_szImageFileName;
    if (m_szCurrentOutputFile.empty()) m_szCurrentOutputFile = m_szImageFileName;
    PostWindowMessage(2, m_szCurrentOutputFile);
    UniqueHGlobal page = RecordCoverPage(index);
    if (!page) return done(FALSE, L"RecordCoverPage");
    if (!ProducePage(page.get(), false)) return done(FALSE, L"ProducePage");
    if (!CloseFileGroup(false)) return done(FALSE, L"CloseFileGroup");
    UpdateBatesNumber(false);
    SetLastOutputFile();
    return done(TRUE, L"");
}

}  // namespace tw
