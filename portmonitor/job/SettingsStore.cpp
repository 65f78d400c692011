#include "job/SettingsStore.h"

#include <climits>
#include <cstring>
#include <string>

#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "job/SettingsScope.h"
#include "job/SettingsNames.h"
#include "job/SettingsStoreDetail.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw::settings {

namespace detail {

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::wstring TextFromData(const BYTE* data, DWORD cb) {
    std::wstring text(cb / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
}

std::wstring JoinPath(std::wstring_view root, std::wstring_view sub) {
    if (root.empty()) return std::wstring(sub);
    if (sub.empty()) return std::wstring(root);
    std::wstring path(root);
    path += L'\\';
    path += sub;
    return path;
}

std::wstring ExpandGroup(const wchar_t* groupFormat, const std::wstring& printerName) {
    std::wstring out;
    for (const wchar_t* p = groupFormat; *p; ++p) {
        if (p[0] == L'%' && p[1] == L's') {
            out += printerName;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::wstring GroupSubPath(const TarnwellDEVMODE* dm, const wchar_t* groupFormat) {
    std::wstring name = PrinterRegistryName(dm);
    // Without a name the path would point at the root's own groups, which belong to no printer.
    if (name.empty() || !groupFormat) return {};
    return ExpandGroup(groupFormat, name);
}

int ParseDecimal(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace detail

using detail::GroupSubPath;
using detail::JoinPath;

std::wstring GroupPath(const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat) {
    if (!dm || !root || !groupFormat) return {};
    std::wstring sub = GroupSubPath(dm, groupFormat);
    if (sub.empty()) return {};
    return JoinPath(root, sub);
}

std::wstring JobGroupFormat(DWORD jobId) { return FormatW(L"%s\\%lu", kPrinterGroup, jobId); }

bool ReadDword(HKEY hive, const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat,
               const wchar_t* valueName, DWORD& out) {
    TW_TRACE(L"> settings::ReadDword %s", valueName ? valueName : L"(null)");
    if (!hive || !dm || !root || !groupFormat || !valueName) {
        TW_TRACE_FAILED(L"settings::ReadDword", L"Arguments");
        return false;
    }
    std::wstring path = GroupPath(dm, root, groupFormat);
    if (path.empty()) {
        TW_TRACE_FAILED(L"settings::ReadDword", L"PrinterName");
        return false;
    }
    ReadKey key = OpenReadKey(hive, path);
    if (!key) {
        TW_TRACE_FAILED(L"settings::ReadDword", L"RegOpenKeyEx");
        return false;
    }
    DWORD type = 0, value = 0, cb = sizeof(value);
    // Only a real DWORD counts: four bytes of a text would read as a meaningless number.
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || cb != sizeof(value)) {
        TW_TRACE_FAILED(L"settings::ReadDword", L"RegQueryValueEx");
        return false;
    }
    out = value;
    TW_TRACE_RESULT(L"settings::ReadDword", true);
    return true;
}

bool ReadText(const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat, const wchar_t* valueName,
              void* buffer, DWORD& sizeInBytes) {
    TW_TRACE(L"> settings::ReadText %s", valueName ? valueName : L"(null)");
    if (!dm || !root || !groupFormat || !valueName) {
        TW_TRACE_FAILED(L"settings::ReadText", L"Arguments");
        return false;
    }
    std::wstring path = GroupPath(dm, root, groupFormat);
    if (path.empty()) {
        TW_TRACE_FAILED(L"settings::ReadText", L"PrinterName");
        return false;
    }
    ReadKey key = OpenReadKey(HKEY_CURRENT_USER, path);
    if (!key) {
        TW_TRACE_FAILED(L"settings::ReadText", L"RegOpenKeyEx");
        return false;
    }
    DWORD type = 0, needed = 0;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &needed) != ERROR_SUCCESS ||
        !detail::IsTextType(type)) {
        TW_TRACE_FAILED(L"settings::ReadText", L"RegQueryValueEx");
        return false;
    }
    if (sizeInBytes < needed || (sizeInBytes != 0 && !buffer)) {
        sizeInBytes = needed;
        TW_TRACE_FAILED(L"settings::ReadText", L"Size");
        return false;
    }
    if (!buffer) {  // an empty value asked for with no buffer at all
        sizeInBytes = 0;
        return true;
    }
    DWORD cb = sizeInBytes;
    LONG rc = ::RegQueryValueExW(key.get(), valueName, nullptr, &type, static_cast<BYTE*>(buffer), &cb);
    if (rc == ERROR_MORE_DATA) {  // the value grew since it was measured
        sizeInBytes = cb;
        TW_TRACE_FAILED(L"settings::ReadText", L"Size");
        return false;
    }
    if (rc != ERROR_SUCCESS || !detail::IsTextType(type)) {
        TW_TRACE_FAILED(L"settings::ReadText", L"RegQueryValueEx");
        return false;
    }
    // The configuration programs may store a text without its terminator; callers use the buffer
    // as a C string, so it always ends in one (asking for two more bytes when there is no room).
    auto* bytes = static_cast<BYTE*>(buffer);
    DWORD chars = cb / sizeof(wchar_t);
    wchar_t last = L'\0';
    if (chars > 0) std::memcpy(&last, bytes + (chars - 1) * sizeof(wchar_t), sizeof(last));
    bool terminated = cb % sizeof(wchar_t) == 0 && chars > 0 && last == L'\0';
    if (!terminated) {
        DWORD withTerminator = (chars + 1) * sizeof(wchar_t);
        if (withTerminator > sizeInBytes) {
            sizeInBytes = withTerminator;
            TW_TRACE_FAILED(L"settings::ReadText", L"Terminator");
            return false;
        }
        std::memset(bytes + chars * sizeof(wchar_t), 0, sizeof(wchar_t));
        cb = withTerminator;
    }
    sizeInBytes = cb;
    TW_TRACE_RESULT(L"settings::ReadText", true);
    return true;
}

bool WriteDword(const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat, const wchar_t* valueName,
                DWORD value) {
    TW_TRACE(L"> settings::WriteDword %s = %lu", valueName ? valueName : L"(null)", value);
    if (!dm || !root || !groupFormat || !valueName) {
        TW_TRACE_FAILED(L"settings::WriteDword", L"Arguments");
        return false;
    }
    std::wstring sub = GroupSubPath(dm, groupFormat);
    if (sub.empty()) {
        TW_TRACE_FAILED(L"settings::WriteDword", L"PrinterName");
        return false;
    }
    ForgetReadKeys();
    UniqueHKey rootKey = CreateKey(HKEY_CURRENT_USER, root, KEY_CREATE_SUB_KEY | KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!rootKey) {
        TW_TRACE_FAILED(L"settings::WriteDword", L"RegCreateKeyEx root");
        return false;
    }
    UniqueHKey key = CreateKey(rootKey.get(), sub, KEY_SET_VALUE);
    if (!key) {
        TW_TRACE_FAILED(L"settings::WriteDword", L"RegCreateKeyEx");
        return false;
    }
    bool ok = tw::WriteDword(key.get(), valueName, value);
    TW_TRACE_RESULT(L"settings::WriteDword", ok);
    return ok;
}

bool DeletePrinterValue(const TarnwellDEVMODE* dm, const wchar_t* valueName) {
    TW_TRACE(L"> settings::DeletePrinterValue %s", valueName ? valueName : L"(null)");
    if (!dm || !valueName) {
        TW_TRACE_FAILED(L"settings::DeletePrinterValue", L"Arguments");
        return false;
    }
    std::wstring path = GroupPath(dm, kRoot, kPrinterGroup);
    if (path.empty()) {
        TW_TRACE_FAILED(L"settings::DeletePrinterValue", L"PrinterName");
        return false;
    }
    UniqueHKey key = OpenKey(HKEY_CURRENT_USER, path, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE);
    if (!key) {
        TW_TRACE_FAILED(L"settings::DeletePrinterValue", L"RegOpenKeyEx");
        return false;
    }
    bool ok = ::RegDeleteValueW(key.get(), valueName) == ERROR_SUCCESS;
    TW_TRACE_RESULT(L"settings::DeletePrinterValue", ok);
    return ok;
}

bool ResetReadEmfData(const TarnwellDEVMODE* dm) {
    TW_TRACE(L"> settings::ResetReadEmfData");
    if (!dm) {
        TW_TRACE_FAILED(L"settings::ResetReadEmfData", L"Arguments");
        return false;
    }
    std::wstring sub = GroupSubPath(dm, kTroubleshootingSettings);
    if (sub.empty()) {
        TW_TRACE_FAILED(L"settings::ResetReadEmfData", L"PrinterName");
        return false;
    }
    ForgetReadKeys();
    UniqueHKey key = CreateKey(HKEY_CURRENT_USER, JoinPath(kRoot, sub), KEY_SET_VALUE);
    if (!key) {
        TW_TRACE_FAILED(L"settings::ResetReadEmfData", L"RegCreateKeyEx");
        return false;
    }
    bool ok = WriteString(key.get(), kReadEmfData, std::wstring());
    TW_TRACE_RESULT(L"settings::ResetReadEmfData", ok);
    return ok;
}

bool ReadPrinterId(const wchar_t* printerName, DWORD& out) {
    TW_TRACE(L"> settings::ReadPrinterId %s", printerName ? printerName : L"(null)");
    // An empty name would read the root's own value, which belongs to no printer.
    if (!printerName || !*printerName) {
        TW_TRACE_FAILED(L"settings::ReadPrinterId", L"Arguments");
        return false;
    }
    UniqueHKey key = OpenKey(HKEY_CURRENT_USER, JoinPath(kRoot, printerName), KEY_QUERY_VALUE);
    if (!key) {
        TW_TRACE_FAILED(L"settings::ReadPrinterId", L"RegOpenKeyEx");
        return false;
    }
    std::optional<DWORD> id = tw::ReadDword(key.get(), kPrinterIdValue);
    if (!id) {
        TW_TRACE_FAILED(L"settings::ReadPrinterId", L"RegQueryValueEx");
        return false;
    }
    out = *id;
    TW_TRACE_RESULT(L"settings::ReadPrinterId", true);
    return true;
}

}  // namespace tw::settings
