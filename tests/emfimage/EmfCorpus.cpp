#include "EmfCorpus.h"

#include <windows.h>

#include <algorithm>

#include "base/UniqueHandle.h"

namespace twtest {
namespace {

// TW_ROOT names the repository root; otherwise the program sits in <root>/<build>/bin.
std::wstring RepoRoot() {
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
    return root;
}

std::wstring CorpusDir() { return RepoRoot() + L"\\..\\shared\\testdata\\emf"; }

}  // namespace

std::wstring RepoFile(const wchar_t* relative) { return RepoRoot() + L"\\" + relative; }

std::wstring EmfCorpusFile(const wchar_t* name) { return CorpusDir() + L"\\" + name; }

std::vector<std::wstring> EmfCorpusFiles() {
    const std::wstring dir = CorpusDir();
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW fd;
    tw::UniqueFindFile find(::FindFirstFileW((dir + L"\\*.emf").c_str(), &fd));
    if (!find) return files;
    do files.push_back(dir + L"\\" + fd.cFileName); while (::FindNextFileW(find.get(), &fd));
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace twtest
