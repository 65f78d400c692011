// Reading and deleting the per-job Save-As answers.
#include "job/SaveAsOptions.h"

#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/SettingsStoreDetail.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "job/SettingsScope.h"

namespace tw::settings {

namespace {

int IndexIn(const wchar_t* const* table, size_t count, std::wstring_view name) {
    for (size_t i = 0; i < count; ++i)
        if (name == table[i]) return static_cast<int>(i);
    return -1;
}

// The SID text becomes one key name of the path; anything but the characters of a SID string
// ("S-1-5-21-...") could lead the read elsewhere in the hive.
bool IsSidText(std::wstring_view sid) {
    if (sid.empty()) return false;
    for (wchar_t c : sid)
        if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'-'))
            return false;
    return true;
}

// "Printer 12" is an entry of the row "Printer %d".
bool IsNumberedEntry(std::wstring_view format, std::wstring_view name) {
    size_t at = format.find(L"%d");
    if (at == std::wstring_view::npos) return false;
    std::wstring_view head = format.substr(0, at), tail = format.substr(at + 2);
    if (name.size() <= head.size() + tail.size()) return false;
    if (name.substr(0, head.size()) != head || name.substr(name.size() - tail.size()) != tail) return false;
    for (wchar_t c : name.substr(head.size(), name.size() - head.size() - tail.size()))
        if (c < L'0' || c > L'9') return false;
    return true;
}

bool IsSaveAsTextName(std::wstring_view name) {
    if (SaveAsTextIndex(name) >= 0) return true;
    for (const wchar_t* row : kSaveAsTextOptions)
        if (IsNumberedEntry(row, name)) return true;
    return false;
}

}  // namespace

int SaveAsDwordIndex(std::wstring_view name) {
    return IndexIn(kSaveAsDwordOptions, kSaveAsDwordOptionCount, name);
}

int SaveAsTextIndex(std::wstring_view name) { return IndexIn(kSaveAsTextOptions, kSaveAsTextOptionCount, name); }

std::wstring SaveAsRoot(const TarnwellDEVMODE* dm) {
    if (!dm) return {};
    if (!dm->TestBits(dmoff::FontOptions, sizeof(BYTE), dmfont::FromLowIntegrityBrowser)) return kRoot;
    // The dialog ran at low integrity and its writes went to the browser's redirected hive.
    std::wstring sid = DmText(dm, dmtext::UserSid);
    if (!IsSidText(sid)) {
        TW_TRACE(L"settings::SaveAsRoot: no usable SID text for the redirected hive");
        return {};
    }
    return FormatW(kBrowserRedirectRootFormat, sid.c_str(), kRoot);
}

std::wstring SaveAsGroupFormat(DWORD jobId) { return FormatW(L"%s\\%lu", kSaveAsOptionSettings, jobId); }

bool ReadSaveAsDword(const TarnwellDEVMODE* dm, int optionIndex, DWORD jobId, DWORD& out) {
    TW_TRACE(L"> settings::ReadSaveAsDword %d", optionIndex);
    if (optionIndex < 0 || static_cast<size_t>(optionIndex) >= kSaveAsDwordOptionCount) {
        TW_TRACE_FAILED(L"settings::ReadSaveAsDword", L"Index");
        return false;
    }
    std::wstring root = SaveAsRoot(dm);
    if (root.empty()) return false;
    return ReadDword(HKEY_CURRENT_USER, dm, root.c_str(), SaveAsGroupFormat(jobId).c_str(),
                     kSaveAsDwordOptions[optionIndex], out);
}

bool ReadSaveAsDword(const TarnwellDEVMODE* dm, std::wstring_view optionName, DWORD jobId, DWORD& out) {
    return ReadSaveAsDword(dm, SaveAsDwordIndex(optionName), jobId, out);
}

bool ReadSaveAsText(const TarnwellDEVMODE* dm, int optionIndex, DWORD jobId, void* buffer, DWORD& sizeInBytes) {
    TW_TRACE(L"> settings::ReadSaveAsText %d", optionIndex);
    if (optionIndex < 0 || static_cast<size_t>(optionIndex) >= kSaveAsTextOptionCount) {
        TW_TRACE_FAILED(L"settings::ReadSaveAsText", L"Index");
        return false;
    }
    return ReadSaveAsText(dm, std::wstring_view(kSaveAsTextOptions[optionIndex]), jobId, buffer, sizeInBytes);
}

bool ReadSaveAsText(const TarnwellDEVMODE* dm, std::wstring_view optionName, DWORD jobId, void* buffer,
                    DWORD& sizeInBytes) {
    if (!IsSaveAsTextName(optionName)) {
        TW_TRACE_FAILED(L"settings::ReadSaveAsText", L"Name");
        return false;
    }
    std::wstring root = SaveAsRoot(dm);
    if (root.empty()) return false;
    std::wstring name(optionName);
    return ReadText(dm, root.c_str(), SaveAsGroupFormat(jobId).c_str(), name.c_str(), buffer, sizeInBytes);
}

bool DeleteSaveAsRecord(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> settings::DeleteSaveAsRecord %lu", jobId);
    std::wstring root = SaveAsRoot(dm);
    if (root.empty()) {
        TW_TRACE_FAILED(L"settings::DeleteSaveAsRecord", L"Root");
        return false;
    }
    std::wstring record = detail::GroupSubPath(dm, SaveAsGroupFormat(jobId).c_str());
    if (record.empty()) {
        TW_TRACE_FAILED(L"settings::DeleteSaveAsRecord", L"PrinterName");
        return false;
    }
    ForgetReadKeys();
    UniqueHKey key = OpenKey(HKEY_CURRENT_USER, root, KEY_WRITE);
    if (!key) {
        TW_TRACE_FAILED(L"settings::DeleteSaveAsRecord", L"RegOpenKeyEx");
        return false;
    }
    bool ok = ::RegDeleteKeyW(key.get(), record.c_str()) == ERROR_SUCCESS;
    TW_TRACE_RESULT(L"settings::DeleteSaveAsRecord", ok);
    return ok;
}

}  // namespace tw::settings
