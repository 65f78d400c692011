// The global accessors: sub-keys given whole below kRoot, not scoped to a printer. Their
// failures are ordinary (a missing value means the default) and go to the capture log as
// debug lines only.
#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/SettingsStoreDetail.h"
#include "monitor/DebugLog.h"
#include "monitor/Trace.h"
#include "job/SettingsScope.h"

namespace tw::settings {

bool ReadRegistryString(const wchar_t* subKey, std::wstring& out, size_t maxChars, const wchar_t* defaultText,
                        const wchar_t* valueName) {
    TW_TRACE(L"> settings::ReadRegistryString %s", valueName ? valueName : L"(null)");
    auto useDefault = [&] {
        out = defaultText ? defaultText : L"";
        return false;
    };
    if (!subKey || !valueName) {
        TW_TRACE_FAILED(L"settings::ReadRegistryString", L"Arguments");
        return useDefault();
    }
    ReadKey key = OpenReadKey(HKEY_CURRENT_USER, detail::JoinPath(kRoot, subKey));
    if (!key) {
        MessageCaptureLog().print(diag::kLevelDebug, kLogReadOpenFailed);
        TW_TRACE_FAILED(L"settings::ReadRegistryString", L"RegOpenKeyEx");
        return useDefault();
    }
    BYTE data[kNameBytes];
    DWORD type = 0, cb = sizeof(data);
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, data, &cb) != ERROR_SUCCESS ||
        !detail::IsTextType(type)) {
        MessageCaptureLog().print(diag::kLevelDebug, kLogReadQueryFailed);
        TW_TRACE_FAILED(L"settings::ReadRegistryString", L"RegQueryValueEx");
        return useDefault();
    }
    std::wstring text = detail::TextFromData(data, cb);
    if (text.size() > maxChars) {
        MessageCaptureLog().print(diag::kLevelDebug, kLogReadTooLong, static_cast<int>(text.size()),
                                  static_cast<int>(maxChars));
        TW_TRACE_FAILED(L"settings::ReadRegistryString", L"Length");
        return useDefault();
    }
    out = std::move(text);
    TW_TRACE_RESULT(L"settings::ReadRegistryString", true);
    return true;
}

int ReadRegistryInt(const wchar_t* subKey, const wchar_t* valueName) {
    TW_TRACE(L"> settings::ReadRegistryInt %s", valueName ? valueName : L"(null)");
    std::wstring text;
    if (!ReadRegistryString(subKey, text, kRegistryIntChars, kRegistryIntDefault, valueName) ||
        text == kRegistryIntDefault) {
        MessageCaptureLog().print(diag::kLevelDebug, kLogReadIntDefault, 0);
        return 0;
    }
    return detail::ParseDecimal(text);
}

bool WriteRegistryString(const wchar_t* subKey, const wchar_t* text) {
    TW_TRACE(L"> settings::WriteRegistryString %s", subKey ? subKey : L"(null)");
    if (!subKey || !text) {
        TW_TRACE_FAILED(L"settings::WriteRegistryString", L"Arguments");
        return false;
    }
    ForgetReadKeys();
    UniqueHKey rootKey = CreateKey(HKEY_CURRENT_USER, kRoot, KEY_CREATE_SUB_KEY | KEY_SET_VALUE | KEY_QUERY_VALUE);
    UniqueHKey key;
    if (rootKey) key = CreateKey(rootKey.get(), subKey, KEY_SET_VALUE);
    if (!key) {
        MessageCaptureLog().print(diag::kLevelDebug, kLogWriteCreateFailed);
        TW_TRACE_FAILED(L"settings::WriteRegistryString", L"RegCreateKey");
        return false;
    }
    bool ok = WriteString(key.get(), kStartWith, text);
    TW_TRACE_RESULT(L"settings::WriteRegistryString", ok);
    return ok;
}

}  // namespace tw::settings
