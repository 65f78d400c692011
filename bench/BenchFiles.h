#pragma once
// Files the benchmark programs read: whole files, and where the program itself lies.
#include <windows.h>

#include <cstdio>
#include <string>

namespace twbench {

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

inline std::wstring ProgramDir() {
    wchar_t buf[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring dir(buf, n);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

}  // namespace twbench
