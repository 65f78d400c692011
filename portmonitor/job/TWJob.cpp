#include "job/TWJob.h"
#include "formfiller/FormFiller.h"
#include "monitor/SpoolerSeam.h"

#include "annotate/BarcodeWriter.h"
#include "annotate/PageAnnotator.h"

#include "job/DocumentName.h"
#include "monitor/MonitorTexts.h"
#include "job/JobObserver.h"
#include "notify/MergeWindow.h"
#include "monitor/Trace.h"
#include "portcmd/PortCmd.h"
#include "twfile/BlFile.h"

namespace tw {

CTWJob::CTWJob() { TW_TRACE(L"> CTWJob::CTWJob"); }
CTWJob::~CTWJob() {
    TW_TRACE(L"> CTWJob::~CTWJob");
    if (m_pActCmd) TW_TRACE(L"CTWJob::~CTWJob: dropping an incomplete command of type %u", m_pActCmd->Type());
    // A job that handed off and never reached its end tells the application starter it ended.
    if (m_postPrintId) ClosePostPrint(true);
    // A job that never reached its end still gives the next merged job its turn.
    LeaveMergeWindow();
    if (IJobObserver* observer = JobObserver()) observer->OnJobFinished(*this);
    // Back to the client's security context the job left for the spooler's own, then the
    // unfinished command; members go in reverse order of declaration after this.
    if (m_hClientToken) Spooler().ImpersonatePrinterClient(m_hClientToken);
    m_pActCmd.reset();
    if (m_pBlFile) TW_TRACE(L"DeAllocated memory(20): %X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_pBlFile.get())));
    m_pBlFile.reset();
}

CPageAnnotator& CTWJob::Annotator() {
    if (!m_pAnnotator) m_pAnnotator = std::make_unique<CPageAnnotator>(*this);
    return *m_pAnnotator;
}

CBarcodeWriter& CTWJob::Barcodes() {
    if (!m_pBarcodeWriter) m_pBarcodeWriter = std::make_unique<CBarcodeWriter>();
    return *m_pBarcodeWriter;
}

void CTWJob::UpdateBatesNumber(bool endOfDocument) { Annotator().UpdateBatesNumber(m_sDevMode, endOfDocument); }

void CTWJob::SetPrinterName(const wchar_t* printerName) {
    m_szPrinterName = printerName ? printerName : L"";
    if (!m_hGdiMutex) m_hGdiMutex.reset(::CreateMutexW(nullptr, FALSE, kGdiMutexName));
}

void CTWJob::SetDocumentName(const wchar_t* documentName) {
    if (documentName) m_szDocumentName = CleanDocumentName(documentName);
}

void CTWJob::OnSpoolerJobDeleted() {
    TW_TRACE(L"> CTWJob::OnSpoolerJobDeleted");
    if (!m_bError) WriteGroupFileEntry(L"Print status", texts::kPrintJobAborted);
    AbortDoc();
    PostStatusMessage(texts::kPrintJobAborted);
}



}  // namespace tw
