// The job operations that the driver's commands run. For now each keeps what later steps of the
// document need and tells the observer; the document and page work joins them later.
#include <string>

#include "base/WideString.h"
#include "job/JobObserver.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

void CTWJob::ReportOperation(const wchar_t* operation, const wchar_t* detail, BOOL result) {
    if (IJobObserver* observer = JobObserver()) observer->OnJobOperation(*this, operation, detail, result);
}

BOOL CTWJob::AddTextRun(TWTextRun run) {
    TW_TRACE(L"> CTWJob::AddTextRun at %d,%d, %d characters", run.x, run.y, run.nChars);
    const std::wstring detail = FormatW(L"%d,%d:", static_cast<int>(run.x), static_cast<int>(run.y)) + run.text;
    m_textRuns.push_back(std::move(run));
    ReportOperation(L"TextOut", detail.c_str(), TRUE);
    TW_TRACE_RESULT(L"CTWJob::AddTextRun", TRUE);
    return TRUE;
}

}  // namespace tw
