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

BOOL CTWJob::StartDoc() {
    TW_TRACE(L"> CTWJob::StartDoc");
    ReportOperation(L"StartDoc", L"", TRUE);
    TW_TRACE_RESULT(L"CTWJob::StartDoc", TRUE);
    return TRUE;
}

BOOL CTWJob::StartPage() {
    TW_TRACE(L"> CTWJob::StartPage");
    ReportOperation(L"StartPage", L"", TRUE);
    TW_TRACE_RESULT(L"CTWJob::StartPage", TRUE);
    return TRUE;
}

BOOL CTWJob::EndPage(HGLOBAL hData) {
    TW_TRACE(L"> CTWJob::EndPage %u bytes", m_dwPageDataSize);
    const BOOL result = hData ? TRUE : FALSE;
    ReportOperation(L"EndPage", std::to_wstring(m_dwPageDataSize).c_str(), result);
    TW_TRACE_RESULT(L"CTWJob::EndPage", result);
    return result;
}

BOOL CTWJob::EndPageRaw(HGLOBAL hData) {
    TW_TRACE(L"> CTWJob::EndPageRaw %u bytes", m_dwPageDataSize);
    const BOOL result = hData ? TRUE : FALSE;
    ReportOperation(L"EndPageRaw", std::to_wstring(m_dwPageDataSize).c_str(), result);
    TW_TRACE_RESULT(L"CTWJob::EndPageRaw", result);
    return result;
}

BOOL CTWJob::EndDoc() {
    TW_TRACE(L"> CTWJob::EndDoc");
    ReportOperation(L"EndDoc", L"", TRUE);
    TW_TRACE_RESULT(L"CTWJob::EndDoc", TRUE);
    return TRUE;
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
