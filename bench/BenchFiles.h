#pragma once
// Reading the pages the benchmarks time, and finding the repository from the program.
#include <windows.h>

#include <cstdio>
#include <string>

namespace bench {

inline std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof(buf), f)) > 0) bytes.append(buf, n);
        fclose(f);
    }
    return bytes;
}

// The folder of the running program (build\bin).
inline std::wstring ProgramDir() {
    wchar_t buf[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring dir(buf, n);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

}  // namespace bench
