// Shared steps of the uploader record writers.
#include "notify/UploaderRecordWriter.h"

#include <vector>

#include "base/Registry.h"
#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "monitor/DebugLog.h"
#include "monitor/DiagnosticTexts.h"
#include "notify/PathExpansion.h"
#include "notify/PostPrintRecord.h"

namespace tw::uploader::detail {
namespace {

// Values are read into a buffer of this size.
constexpr DWORD kCopyBufferBytes = 131074;

}  // namespace

UniqueHKey OpenRecord(const UploaderJob& job, const wchar_t* records, const wchar_t* writer) {
    UniqueHKey key = postprint::CreateRecordKey(job.dm, postprint::RecordGroupFormat(records, job.postPrintId), writer);
    if (!key) {
        MessageCaptureLog().print(diag::kLevelError, kLogCannotOpen, writer);
        return {};
    }
    if (postprint::IsAborted(key.get())) {
        MessageCaptureLog().print(diag::kLevelInfo, L"%s: %s\\%lu reads 'Abort'; left alone", writer, records,
                                  job.postPrintId);
        return {};
    }
    return key;
}

bool PutValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD cb, const wchar_t* writer) {
    LSTATUS status = ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), cb);
    if (status == ERROR_SUCCESS) return true;
    MessageCaptureLog().print(diag::kLevelError, kLogSaveFailed, writer, name, static_cast<int>(status));
    return false;
}

bool PutText(HKEY key, const wchar_t* name, const std::wstring& text, const wchar_t* writer) {
    return PutValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), writer);
}

bool PutDword(HKEY key, const wchar_t* name, DWORD value, const wchar_t* writer) {
    return PutValue(key, name, REG_DWORD, &value, sizeof(value), writer);
}

std::wstring Expand(const UploaderJob& job, const std::wstring& path) {
    if (!job.environment) return path;
    std::wstring out;
    ExpandPath(*job.environment, job.dm, path, out);
    return out;
}

std::optional<std::wstring> Setting(const UploaderJob& job, const wchar_t* groupFormat, const wchar_t* name) {
    return settings::ReadString(job.dm, groupFormat, name);
}

std::wstring FullPath(const UploaderJob& job, const std::wstring& groupFormat) {
    return settings::GroupPath(job.dm, settings::kRoot, groupFormat.c_str());
}

bool CopyValues(const UploaderJob& job, const std::wstring& sourcePath, HKEY target,
                std::initializer_list<const wchar_t*> names, std::initializer_list<const wchar_t*> expanded,
                const wchar_t* writer) {
    UniqueHKey source = OpenKey(HKEY_CURRENT_USER, sourcePath, KEY_QUERY_VALUE);
    if (!source) return true;  // nothing to copy
    std::vector<BYTE> buffer(kCopyBufferBytes);
    for (const wchar_t* name : names) {
        DWORD type = 0, cb = kCopyBufferBytes;
        if (::RegQueryValueExW(source.get(), name, nullptr, &type, buffer.data(), &cb) != ERROR_SUCCESS) continue;
        bool expand = false;
        for (const wchar_t* e : expanded) expand = expand || std::wstring_view(e) == name;
        if (expand && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::wstring text(reinterpret_cast<const wchar_t*>(buffer.data()), cb / sizeof(wchar_t));
            if (!PutText(target, name, Expand(job, text.c_str()), writer)) return false;
        } else if (!PutValue(target, name, type, buffer.data(), cb, writer)) {
            return false;
        }
    }
    return true;
}

}  // namespace tw::uploader::detail
