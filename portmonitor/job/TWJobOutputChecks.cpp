// The job's checks of output directories and files: each failure is one message numbered 25,
// reported as an error or only to the event log, and the multi-page file held for the document.
#include <string>

#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/NamingTexts.h"
#include "twfile/OutputValidation.h"

namespace tw {

BOOL CTWJob::ValidateOutputDirectory(const wchar_t* prefixText, std::wstring& directory, bool reportAsError) {
    TW_TRACE(L"CTWJob::ValidateOutputDirectory: Dir: %s", directory.c_str());
    CheckResult check = CheckOutputDirectory(prefixText, directory);
    if (check.ok) return TRUE;
    ReportValidationError(check.message.c_str(), reportAsError, __FILE__, __LINE__);
    TW_TRACE_FAILED(L"CTWJob::ValidateOutputDirectory", L"Check");
    return FALSE;
}

BOOL CTWJob::ValidateOutputFile(const wchar_t* prefixText, const wchar_t* fileName, bool reportAsError) {
    TW_TRACE(L"> CTWJob::ValidateOutputFile %s", fileName ? fileName : L"(null)");
    CheckResult check = CheckOutputFile(prefixText, fileName);
    if (check.ok) return TRUE;
    ReportValidationError(check.message.c_str(), reportAsError, __FILE__, __LINE__);
    TW_TRACE_FAILED(L"CTWJob::ValidateOutputFile", L"Check");
    return FALSE;
}

void CTWJob::ReportCreationFailure(const std::wstring& directory, DWORD error) {
    HandleError(CreationFailureText(directory, error).c_str(), __FILE__, __LINE__);
}

BOOL CTWJob::LockFile(const std::wstring& fileName) {
    DWORD error = 0;
    if (m_lockedFile.Lock(fileName, error)) return TRUE;
    ValidateOutputFile(naming::kCannotWriteFile, fileName.c_str(), true);
    return FALSE;
}

void CTWJob::ReleaseFile() { m_lockedFile.Release(); }

}  // namespace tw
