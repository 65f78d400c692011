// The job's error reporters and event reports.
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

void CTWJob::ReportCommandError(const wchar_t* text) { HandleError(text, __FILE__, __LINE__); }

void CTWJob::HandleError(const wchar_t* text, const char*, int) {
    if (!text) return;
    m_bError = true;
    m_szStatus = text;
}

}  // namespace tw
