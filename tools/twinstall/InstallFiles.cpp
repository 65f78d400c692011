#include "InstallFiles.h"

#include <algorithm>
#include <vector>

#include "base/UniqueHandle.h"

namespace twinstall {
namespace {

std::wstring Join(const std::wstring& dir, const std::wstring& name) {
    if (dir.empty() || dir.back() == L'\\' || dir.back() == L'/') return dir + name;
    return dir + L"\\" + name;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReadAll(const std::wstring& path, std::vector<char>& out) {
    tw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 512ll * 1024 * 1024) return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return out.empty() || (::ReadFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr) &&
                           got == out.size());
}

bool SameBytes(const std::wstring& a, const std::wstring& b) {
    std::vector<char> x, y;
    return ReadAll(a, x) && ReadAll(b, y) && x == y;
}

}  // namespace

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    size_t slash = dir.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : dir.substr(0, slash);
}

std::wstring SystemDirectory() {
    wchar_t dir[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir, n);
}

CopyResult CopyInstallFiles(const std::wstring& source, const std::wstring& target) {
    CopyResult result;
    std::vector<std::wstring> names{kMonitorDll};
    for (const wchar_t* companion : kCompanionFiles)
        if (Exists(Join(source, companion))) names.emplace_back(companion);
    if (!Exists(Join(source, kMonitorDll))) {
        result.error = ERROR_FILE_NOT_FOUND;
        result.failedFile = Join(source, kMonitorDll);
        return result;
    }
    for (const std::wstring& name : names) {
        const std::wstring from = Join(source, name), to = Join(target, name);
        if (Exists(to) && SameBytes(from, to)) {
            result.unchanged.push_back(to);
            continue;
        }
        if (!::CopyFileW(from.c_str(), to.c_str(), FALSE)) {
            result.error = ::GetLastError();
            result.failedFile = to;
            return result;
        }
        result.copied.push_back(to);
    }
    return result;
}

DWORD WriteRecord(const std::wstring& monitor, const InstallRecord& record) {
    HKEY raw = nullptr;
    const std::wstring path = std::wstring(kRecordKey) + L"\\" + monitor;
    LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr);
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    tw::UniqueHKey key(raw);
    std::wstring multi;
    for (const std::wstring& f : record.files) multi += f + L'\0';
    multi += L'\0';
    rc = ::RegSetValueExW(key.get(), L"Directory", 0, REG_SZ, reinterpret_cast<const BYTE*>(record.directory.c_str()),
                          static_cast<DWORD>((record.directory.size() + 1) * sizeof(wchar_t)));
    if (rc == ERROR_SUCCESS)
        rc = ::RegSetValueExW(key.get(), L"Files", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                              static_cast<DWORD>(multi.size() * sizeof(wchar_t)));
    return static_cast<DWORD>(rc);
}

bool ReadRecord(const std::wstring& monitor, InstallRecord& record) {
    HKEY raw = nullptr;
    const std::wstring path = std::wstring(kRecordKey) + L"\\" + monitor;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    tw::UniqueHKey key(raw);
    auto read = [&](const wchar_t* value, std::wstring& out) {
        DWORD cb = 0, type = 0;
        if (::RegQueryValueExW(key.get(), value, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS) return false;
        std::wstring data(cb / sizeof(wchar_t) + 2, L'\0');
        if (::RegQueryValueExW(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &cb) !=
            ERROR_SUCCESS)
            return false;
        data.resize(cb / sizeof(wchar_t));
        out = data;
        return true;
    };
    std::wstring dir, multi;
    if (!read(L"Directory", dir) || !read(L"Files", multi)) return false;
    record.directory = dir.c_str();
    record.files.clear();
    for (size_t at = 0; at < multi.size();) {
        size_t end = multi.find(L'\0', at);
        if (end == std::wstring::npos) end = multi.size();
        if (end > at) record.files.push_back(multi.substr(at, end - at));
        at = end + 1;
    }
    return true;
}

void DeleteRecord(const std::wstring& monitor) {
    const std::wstring path = std::wstring(kRecordKey) + L"\\" + monitor;
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace twinstall
