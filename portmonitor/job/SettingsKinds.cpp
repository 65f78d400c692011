// The value kinds of the settings table (DWORD, yes-flag, number as text, text) over the
// printer-scoped accessors, all in HKEY_CURRENT_USER under kRoot.
#include <vector>

#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/SettingsStoreDetail.h"
#include "monitor/Trace.h"
#include "job/SettingsScope.h"

namespace tw::settings {

namespace {
// The size protocol can meet a value that changes between measuring and reading; a few rounds
// settle it, more would mean a writer racing us on purpose.
constexpr int kReadStringAttempts = 3;
}  // namespace

std::optional<std::wstring> detail::ReadShortText(const TarnwellDEVMODE* dm, const wchar_t* groupFormat,
                                                  const wchar_t* valueName) {
    if (!dm || !groupFormat || !valueName) return std::nullopt;
    std::wstring path = GroupPath(dm, kRoot, groupFormat);
    if (path.empty()) return std::nullopt;
    ReadKey key = OpenReadKey(HKEY_CURRENT_USER, path);
    if (!key) return std::nullopt;
    BYTE data[kShortTextBytes];
    DWORD type = 0, cb = sizeof(data);
    // A longer text does not fit (ERROR_MORE_DATA) and so counts as missing.
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, data, &cb) != ERROR_SUCCESS || !IsTextType(type))
        return std::nullopt;
    return TextFromData(data, cb);
}

DWORD ReadDwordOr(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* valueName, DWORD def) {
    DWORD value = def;
    return ReadDword(HKEY_CURRENT_USER, dm, kRoot, groupFormat, valueName, value) ? value : def;
}

bool ReadYesFlag(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* valueName, bool def) {
    TW_TRACE(L"> settings::ReadYesFlag %s", valueName ? valueName : L"(null)");
    std::optional<std::wstring> text = detail::ReadShortText(dm, groupFormat, valueName);
    bool result = text ? detail::EqualsAsciiNoCase(*text, kYes) : def;
    TW_TRACE_RESULT(L"settings::ReadYesFlag", result);
    return result;
}

int ReadNumberText(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* valueName, int def) {
    std::optional<std::wstring> text = detail::ReadShortText(dm, groupFormat, valueName);
    return text ? detail::ParseDecimal(*text) : def;
}

std::optional<std::wstring> ReadString(const TarnwellDEVMODE* dm, const wchar_t* groupFormat,
                                       const wchar_t* valueName) {
    DWORD size = 0;
    if (ReadText(dm, kRoot, groupFormat, valueName, nullptr, size)) return std::wstring();
    for (int attempt = 0; attempt < kReadStringAttempts && size > 0; ++attempt) {
        std::vector<BYTE> buffer(size);
        DWORD got = size;
        if (ReadText(dm, kRoot, groupFormat, valueName, buffer.data(), got))
            return detail::TextFromData(buffer.data(), got);
        if (got <= size) break;  // gone or unreadable, not merely bigger
        size = got;
    }
    return std::nullopt;
}

}  // namespace tw::settings
