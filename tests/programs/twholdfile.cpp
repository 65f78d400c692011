// twholdfile FILE: opens FILE with no sharing, as a spooler holds a loaded monitor, prints
// "held" and keeps it open until its standard input closes. Tests use it to make a file busy.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: twholdfile FILE\n");
        return 2;
    }
    HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"twholdfile: cannot open %ls (error %lu)\n", argv[1], ::GetLastError());
        return 1;
    }
    wprintf(L"held\n");
    fflush(stdout);
    char buffer[64];
    while (fread(buffer, 1, sizeof(buffer), stdin) > 0) {
    }
    ::CloseHandle(file);
    return 0;
}
