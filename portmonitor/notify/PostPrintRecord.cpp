// The post-print record and the job's post-print ID in the printing user's hive.
#include "notify/PostPrintRecord.h"

#include "base/Registry.h"
#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/DebugLog.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"
#include "job/SettingsScope.h"

namespace tw::postprint {
namespace {

constexpr REGSAM kRootAccess = KEY_CREATE_SUB_KEY | KEY_SET_VALUE | KEY_QUERY_VALUE;

void LogError(const std::wstring& text) { MessageCaptureLog().print(diag::kLevelError, L"%s", text.c_str()); }

// One value of the record; false (logged) when it could not be written.
bool SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    LSTATUS status = SetTextWithoutTerminator(key, name, text);
    if (status != ERROR_SUCCESS) LogError(FormatW(kLogSetFailed, name, status));
    return status == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const wchar_t* name, DWORD value) {
    LSTATUS status = SetDwordValue(key, name, value);
    if (status != ERROR_SUCCESS) LogError(FormatW(kLogSetFailed, name, status));
    return status == ERROR_SUCCESS;
}

bool SetOptionalText(HKEY key, const wchar_t* name, const std::optional<std::wstring>& text) {
    return !text || SetText(key, name, *text);
}

}  // namespace

std::wstring RecordGroupFormat(const wchar_t* route, DWORD postPrintId) {
    return std::wstring(settings::kPrinterGroup) + L"\\" + route + L"\\" + std::to_wstring(postPrintId);
}

LSTATUS SetTextWithoutTerminator(HKEY key, const wchar_t* name, const std::wstring& text) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

bool IsAborted(HKEY key) {
    std::optional<std::wstring> ready = ReadString(key, kReady);
    return ready && EqualsNoCase(*ready, kReadyAbort);
}

UniqueHKey CreateRecordKey(const TarnwellDEVMODE* dm, const std::wstring& groupFormat, const wchar_t* writer) {
    UniqueHKey root;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, settings::kRoot, 0, nullptr, 0, kRootAccess, nullptr,
                                       root.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        root.release();
        LogError(FormatW(kLogCannotOpenRoot, writer, settings::kRoot, status));
        return {};
    }
    const std::wstring path = settings::GroupPath(dm, settings::kRoot, groupFormat.c_str());
    const std::wstring sub = path.size() > wcslen(settings::kRoot) ? path.substr(wcslen(settings::kRoot) + 1) : L"";
    UniqueHKey key;
    status = sub.empty() ? ERROR_INVALID_NAME
                         : ::RegCreateKeyExW(root.get(), sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                                             nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        key.release();
        LogError(FormatW(kLogCannotCreate, writer, sub.c_str(), status));
    }
    return key;
}

std::optional<DWORD> AllocatePostPrintId(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> postprint::AllocatePostPrintId");
    // Read afresh: a job on another port may have taken an identifier since this thread looked.
    settings::ForgetReadKeys();
    DWORD last = 0;
    const DWORD id =
        settings::ReadDword(HKEY_CURRENT_USER, dm, settings::kRoot, settings::kPrinterGroup, kLastPostPrintId, last)
            ? last + 1
            : 0;
    if (!settings::WriteDword(dm, settings::kRoot, settings::kPrinterGroup, kLastPostPrintId, id) ||
        !settings::WriteDword(dm, settings::kRoot, settings::JobGroupFormat(jobId).c_str(), settings::kPostPrintId,
                              id)) {
        TW_TRACE_FAILED(L"postprint::AllocatePostPrintId", L"WriteDword");
        return std::nullopt;
    }
    TW_TRACE(L"< postprint::AllocatePostPrintId: %lu", id);
    return id;
}

bool WriteProcessDataToRegistry(const TarnwellDEVMODE* dm, DWORD postPrintId, const PostPrintValues& values) {
    TW_TRACE(L"> WriteProcessDataToRegistry %lu", postPrintId);
    UniqueHKey key = CreateRecordKey(dm, RecordGroupFormat(kPostPrintRecords, postPrintId), kRecordWriter);
    if (!key) {
        TW_TRACE_FAILED(L"WriteProcessDataToRegistry", L"CreateKey");
        return false;
    }
    if (IsAborted(key.get())) {
        MessageCaptureLog().print(diag::kLevelInfo, kLogAborted, postPrintId);
        TW_TRACE_FAILED(L"WriteProcessDataToRegistry", L"Abort");
        return false;
    }
    const HKEY k = key.get();
    const bool ok = SetOptionalText(k, kCommandLine, values.commandLine) && SetOptionalText(k, kServer, values.server) &&
                    SetDword(k, kFlags, values.flags) && SetText(k, kMessagingInterface, values.messagingInterface) &&
                    SetDword(k, kPostPrintFlags, values.postPrintFlags) &&
                    SetOptionalText(k, kOutputFolder, values.outputFolder) &&
                    SetOptionalText(k, kOutputFilename, values.outputFilename) &&
                    SetOptionalText(k, kOcrOutput, values.ocrOutput) &&
                    SetOptionalText(k, kOcrTextEditor, values.ocrTextEditor) && SetText(k, kReady, kReadyYes);
    TW_TRACE_RESULT(L"WriteProcessDataToRegistry", ok);
    return ok;
}

bool WriteJobStatus(const TarnwellDEVMODE* dm, DWORD postPrintId, const wchar_t* status) {
    TW_TRACE(L"> postprint::WriteJobStatus %lu %s", postPrintId, status);
    UniqueHKey key = CreateRecordKey(dm, RecordGroupFormat(kPostPrintRecords, postPrintId), kRecordWriter);
    const bool ok = key && !IsAborted(key.get()) && SetText(key.get(), kJobStatus, status);
    TW_TRACE_RESULT(L"postprint::WriteJobStatus", ok);
    return ok;
}

bool DeleteJobKey(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> postprint::DeleteJobKey %lu", jobId);
    if (jobId == 0) return false;
    const std::wstring path = settings::GroupPath(dm, settings::kRoot, settings::JobGroupFormat(jobId).c_str());
    if (path.empty()) {
        TW_TRACE_FAILED(L"postprint::DeleteJobKey", L"PrinterName");
        return false;
    }
    // The key may hold sub-keys of other parts of the job (Save-As answers of a dialog).
    settings::ForgetReadKeys();
    const bool ok = ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS;
    TW_TRACE_RESULT(L"postprint::DeleteJobKey", ok);
    return ok;
}

}  // namespace tw::postprint
