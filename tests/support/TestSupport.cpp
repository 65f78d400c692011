#include "support/TestSupport.h"

#include <atomic>
#include <fstream>
#include <sstream>

#include "base/WideString.h"

namespace twtest {

std::wstring UniqueName(const wchar_t* prefix) {
    static std::atomic<unsigned> counter{0};
    return tw::FormatW(L"%s_%lu_%u", prefix, ::GetCurrentProcessId(), counter.fetch_add(1));
}

std::wstring MakeTempDir(const wchar_t* prefix) {
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + UniqueName(prefix);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::wstring RepoFile(const wchar_t* relative) {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = ::GetEnvironmentVariableW(L"TW_ROOT", buf, static_cast<DWORD>(std::size(buf)));
    std::wstring root;
    if (n > 0 && n < std::size(buf)) {
        root = buf;
    } else {
        n = ::GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
        root.assign(buf, n);
        for (int i = 0; i < 3; ++i) root.erase(root.find_last_of(L"\\/"));
    }
    return root + L"\\" + relative;
}

std::string SamplePage() { return ReadFileBytes(RepoFile(L"examples\\page1.emf")); }

}  // namespace twtest
