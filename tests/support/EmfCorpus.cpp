#include "support/EmfCorpus.h"

#include <windows.h>

#include <algorithm>

#include "base/UniqueHandle.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

std::wstring CorpusDir() { return RepoFile(L"..\\shared\\testdata\\emf"); }

}  // namespace

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
