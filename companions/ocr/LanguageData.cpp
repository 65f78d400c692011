// Finding the language data and checking the caller's language list.
#include "LanguageData.h"

#include <cwctype>
#include <vector>

namespace twocr {
namespace {

constexpr wchar_t kDataEnvironment[] = L"TWOCR_TESSDATA";
constexpr wchar_t kTesseractEnvironment[] = L"TESSDATA_PREFIX";
constexpr wchar_t kDataFolder[] = L"tessdata";
constexpr wchar_t kDataExtension[] = L".traineddata";

bool IsSeparator(wchar_t c) { return c == L'+' || c == L',' || c == L';' || std::iswspace(c); }
bool IsNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
           c == L'-';
}

std::wstring WithBackslash(std::wstring dir) {
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    return dir;
}

std::wstring Environment(const wchar_t* name) {
    DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    DWORD got = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(got < size ? got : 0);
    return value;
}

std::wstring ModuleDir() {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ModuleDir), &self);
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) break;
        path.resize(path.size() * 2);
    }
    std::wstring full(path.data());
    size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string NormaliseLanguages(const wchar_t* languages) {
    if (!languages) return {};
    std::string out;
    std::string name;
    auto flush = [&] {
        if (name.empty()) return;
        if (!out.empty()) out += '+';
        out += name;
        name.clear();
    };
    for (const wchar_t* p = languages; *p; ++p) {
        if (IsSeparator(*p)) {
            flush();
        } else if (IsNameChar(*p)) {
            name += static_cast<char>(*p);
        } else {
            return {};
        }
    }
    flush();
    return out;
}

std::wstring FindTessdataDir(const wchar_t* explicitDir) {
    if (explicitDir && *explicitDir) return WithBackslash(explicitDir);
    for (const wchar_t* variable : {kDataEnvironment, kTesseractEnvironment}) {
        std::wstring value = Environment(variable);
        if (!value.empty()) return WithBackslash(value);
    }
    return ModuleDir() + kDataFolder + L'\\';
}

bool HasLanguageData(const std::wstring& dir, const std::string& languages) {
    size_t start = 0;
    while (start <= languages.size()) {
        size_t end = languages.find('+', start);
        if (end == std::string::npos) end = languages.size();
        std::wstring name(languages.begin() + start, languages.begin() + end);
        if (name.empty() || !FileExists(dir + name + kDataExtension)) return false;
        start = end + 1;
    }
    return true;
}

std::string NarrowPath(const std::wstring& path) {
    int n = ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(n, '\0');
    ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(n - 1);
    return out;
}

}  // namespace twocr
