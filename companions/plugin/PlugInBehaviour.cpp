#include "PlugInBehaviour.h"

#include <vector>

#include "base/IniFile.h"
#include "monitor/Trace.h"

namespace twplugin {

namespace {

// Longest log path read from the INI file.
constexpr DWORD kMaxLogPath = 1024;

std::wstring EnvironmentValue(const wchar_t* name) {
    DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::vector<wchar_t> buf(needed + 1, L'\0');
    DWORD n = ::GetEnvironmentVariableW(name, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0 || n >= buf.size()) return {};
    return std::wstring(buf.data(), n);
}

// The full path of this library, not of the program that loaded it.
std::wstring OwnModulePath() {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&OwnModulePath), &self)) {
        return {};
    }
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(self, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);  // truncated: try again with room to spare
    }
}

}  // namespace

std::wstring BehaviourIniPath() {
    TW_TRACE(L"> BehaviourIniPath");
    std::wstring path = EnvironmentValue(kIniPathVariable);
    if (!path.empty()) return path;
    path = OwnModulePath();
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        TW_TRACE(L"< BehaviourIniPath[!GetModuleFileName]");
        return {};
    }
    path.resize(slash + 1);
    return path + kIniFileName;
}

Behaviour ReadBehaviour() {
    TW_TRACE(L"> ReadBehaviour");
    Behaviour b;
    std::wstring path = BehaviourIniPath();
    // Most installations have no behaviour file: one look instead of a read per key and call.
    if (path.empty() || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return b;
    tw::IniFile ini(path);
    b.bDeclineDocument = ini.GetInt(kSection, kDeclineDocumentKey, 0) != 0;
    b.dwDeclineStartPage = static_cast<DWORD>(ini.GetInt(kSection, kDeclineStartPageKey, 0));
    b.dwDeclineEndPage = static_cast<DWORD>(ini.GetInt(kSection, kDeclineEndPageKey, 0));
    b.bDeclineEndDoc = ini.GetInt(kSection, kDeclineEndDocKey, 0) != 0;
    b.logPath = ini.GetString(kSection, kLogKey, L"", kMaxLogPath);
    return b;
}

}  // namespace twplugin
