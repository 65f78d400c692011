// The job's error reporters: every error the user must see becomes the job's status text, the
// "Print status" of its group files, one status message to the client and an error event.
#include <atomic>
#include <cstdarg>
#include <string>

#include "base/WideString.h"
#include "job/TWJob.h"
#include "monitor/DebugLog.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// A replacement for the switch file's "Debug", so that tests need not touch "C:\PrnDebug.ini"
// (which the logs read only once per process anyway).
std::atomic<bool> g_debugOverridden{false};
std::atomic<int> g_debugOverride{0};

// The reporters add the source location while "Debug" is not 0.
bool ErrorLocationEnabled() {
    if (g_debugOverridden.load()) return g_debugOverride.load() != 0;
    return InstallerLog().Switches().ErrorLocationEnabled();
}

}  // namespace

void CTWJob::OverrideDebugSwitch(int debug) {
    g_debugOverride.store(debug);
    g_debugOverridden.store(true);
}

void CTWJob::RestoreDebugSwitch() { g_debugOverridden.store(false); }

void CTWJob::ReportCommandError(const wchar_t* text) { HandleError(text, __FILE__, __LINE__); }

void CTWJob::WriteErrorLocation(const char* sourceFile, int line) {
    if (!ErrorLocationEnabled()) return;
    WriteGroupFileEntry(diag::kGroupErrorLocationKey, diag::ErrorLocationText(sourceFile, line).c_str());
}

void CTWJob::FinishErrorReport(const std::wstring& text, const wchar_t* eventText, bool leaveFinishTimeEmpty) {
    PostStatusMessage(text.c_str());
    m_szStatus = text;
    ReportErrorEvent(eventText, leaveFinishTimeEmpty);
}

void CTWJob::HandleErrorText(const wchar_t* text, const char* sourceFile, int line, bool leaveFinishTimeEmpty) {
    TW_TRACE(L"> CTWJob::HandleError %s (%S line %d)", text ? text : L"(null)", sourceFile ? sourceFile : "", line);
    if (!text) {
        TW_TRACE_FAILED(L"CTWJob::HandleError", L"Text");
        return;
    }
    MarkFailed();
    WriteGroupFileEntry(diag::kGroupPrintStatusKey, text);
    WriteErrorLocation(sourceFile, line);
    FinishErrorReport(text, text, leaveFinishTimeEmpty);
    TW_TRACE(L"< CTWJob::HandleError");
}

void CTWJob::HandleError(const wchar_t* text, const char* sourceFile, int line) {
    HandleErrorText(text, sourceFile, line, false);
}

void CTWJob::HandleError(int code, const char* sourceFile, int line) {
    TW_TRACE(L"> CTWJob::HandleError %d (%S line %d)", code, sourceFile ? sourceFile : "", line);
    MarkFailed();
    if (m_bValidationReported) {
        // The user already has the reason in the check's own words; an internal number would
        // only replace it.
        TW_TRACE_FAILED(L"CTWJob::HandleError", L"AlreadyReported");
        return;
    }
    const std::wstring text = diag::InternalErrorText(code);
    WriteGroupFileEntry(diag::kGroupPrintStatusKey, text.c_str());
    WriteErrorLocation(sourceFile, line);
    FinishErrorReport(text, diag::InternalErrorEventText(code).c_str(), false);
    TW_TRACE(L"< CTWJob::HandleError");
}

void CTWJob::HandleTiffError(int code, const char* sourceFile, int line, int tiffCode, const char* tiffText) {
    TW_TRACE(L"> CTWJob::HandleTiffError %d, TIFF %d (%S line %d)", code, tiffCode, sourceFile ? sourceFile : "",
             line);
    MarkFailed();
    if (m_bValidationReported) {
        TW_TRACE_FAILED(L"CTWJob::HandleTiffError", L"AlreadyReported");
        return;
    }
    const std::wstring text = diag::InternalErrorText(code);
    if (code != 0) WriteGroupFileEntry(diag::kGroupPrintStatusKey, text.c_str());
    if (tiffCode != 0)
        WriteGroupFileEntry(diag::kGroupTiffErrorKey, diag::TiffGroupFileEntry(tiffCode, tiffText).c_str());
    WriteErrorLocation(sourceFile, line);
    FinishErrorReport(text, diag::TiffEventText(code, tiffCode, tiffText).c_str(), false);
    TW_TRACE(L"< CTWJob::HandleTiffError");
}

void CTWJob::ReportValidationError(const wchar_t* text, bool asError, const char* sourceFile, int line) {
    TW_TRACE(L"> CTWJob::ReportValidationError %s", text ? text : L"(null)");
    if (!text) {
        TW_TRACE_FAILED(L"CTWJob::ReportValidationError", L"Text");
        return;
    }
    if (asError && m_bValidationReported) {
        // The user has the document's reason already; a writer's second check of the same
        // problem would only replace it.
        TW_TRACE_FAILED(L"CTWJob::ReportValidationError", L"AlreadyReported");
        return;
    }
    if (asError) {
        NoteValidationError();
        HandleErrorText(text, sourceFile, line, true);
    } else {
        ReportErrorEvent(text, true);
    }
    TW_TRACE(L"< CTWJob::ReportValidationError");
}

void CTWJob::FormFillerWarning(const char* sourceFile, int line, const wchar_t* format, ...) {
    TW_TRACE(L"> CTWJob::FormFillerWarning");
    if (!format) {
        TW_TRACE_FAILED(L"CTWJob::FormFillerWarning", L"Format");
        return;
    }
    va_list args;
    va_start(args, format);
    const std::wstring message = VFormatW(format, args);
    va_end(args);
    const std::wstring text = diag::FormFillerWarningText(ErrorLocationEnabled(), sourceFile, line, message.c_str());
    ReportWarningEvent(text.c_str());
    TW_TRACE(L"< CTWJob::FormFillerWarning");
}

void CTWJob::FormFillerError(const char* sourceFile, int line, const wchar_t* format, ...) {
    TW_TRACE(L"> CTWJob::FormFillerError");
    if (!format) {
        TW_TRACE_FAILED(L"CTWJob::FormFillerError", L"Format");
        return;
    }
    va_list args;
    va_start(args, format);
    const std::wstring message = VFormatW(format, args);
    va_end(args);
    const std::wstring text = diag::FormFillerErrorText(ErrorLocationEnabled(), sourceFile, line, message.c_str());
    HandleError(text.c_str(), sourceFile, line);
    TW_TRACE(L"< CTWJob::FormFillerError");
}

}  // namespace tw
