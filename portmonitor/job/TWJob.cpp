#include "job/TWJob.h"

#include "job/JobObserver.h"
#include "monitor/Trace.h"

namespace tw {

CTWJob::CTWJob() { TW_TRACE(L"> CTWJob::CTWJob"); }
CTWJob::~CTWJob() {
    TW_TRACE(L"> CTWJob::~CTWJob");
    if (IJobObserver* observer = JobObserver()) observer->OnJobFinished(*this);
}

void CTWJob::SetPrinterName(const wchar_t* printerName) { m_szPrinterName = printerName ? printerName : L""; }
void CTWJob::SetDocumentName(const wchar_t* documentName) { m_szDocumentName = documentName ? documentName : L""; }

BOOL CTWJob::WritePort(const BYTE*, DWORD cbBuf, DWORD* pcbDone) {
    // The command stream reader replaces this.
    if (pcbDone) *pcbDone = cbBuf;
    return TRUE;
}

BOOL CTWJob::AbortDoc() {
    TW_TRACE(L"> CTWJob::AbortDoc");
    if (IJobObserver* observer = JobObserver()) observer->OnJobOperation(*this, L"AbortDoc", L"", TRUE);
    return TRUE;
}

}  // namespace tw
