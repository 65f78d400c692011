#include "job/TWJob.h"
#include "monitor/SpoolerSeam.h"

#include "job/JobObserver.h"
#include "monitor/Trace.h"
#include "portcmd/PortCmd.h"

namespace tw {

CTWJob::CTWJob() { TW_TRACE(L"> CTWJob::CTWJob"); }
CTWJob::~CTWJob() {
    TW_TRACE(L"> CTWJob::~CTWJob");
    if (m_pActCmd) TW_TRACE(L"CTWJob::~CTWJob: dropping an incomplete command of type %u", m_pActCmd->Type());
    if (IJobObserver* observer = JobObserver()) observer->OnJobFinished(*this);
    // Back to the client's security context the job left for the spooler's own.
    if (m_hClientToken) Spooler().ImpersonatePrinterClient(m_hClientToken);
}

void CTWJob::SetPrinterName(const wchar_t* printerName) { m_szPrinterName = printerName ? printerName : L""; }
void CTWJob::SetDocumentName(const wchar_t* documentName) { m_szDocumentName = documentName ? documentName : L""; }

BOOL CTWJob::AbortDoc() {
    TW_TRACE(L"> CTWJob::AbortDoc");
    if (IJobObserver* observer = JobObserver()) observer->OnJobOperation(*this, L"AbortDoc", L"", TRUE);
    return TRUE;
}


}  // namespace tw
