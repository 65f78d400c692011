// twnoidle: a window program that never becomes ready for input: it never reads a message, so
// that WaitForInputIdle on it waits its whole time-out. It appends its command line as one JSON
// line ({"command_line": ..., "pid": n}) to the file that TW_RECORD_ARGS_FILE names, then stays
// busy until the file that --until-gone names is gone (the test's directory removed) or for
// --busy MS (default 30000), whichever comes first.
#include <windows.h>

#include <cstdio>
#include <string>

#include "JsonLine.h"

namespace {

using twprogram::Json;

constexpr DWORD kDefaultBusyMs = 30000;
constexpr DWORD kPollMs = 100;

std::wstring Option(int argc, wchar_t** argv, const wchar_t* option) {
    for (int i = 0; i + 1 < argc; ++i)
        if (std::wstring(argv[i]) == option) return argv[i + 1];
    return {};
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const std::wstring untilGone = argv ? Option(argc, argv, L"--until-gone") : L"";
    const std::wstring busy = argv ? Option(argc, argv, L"--busy") : L"";
    const DWORD busyMs = busy.empty() ? kDefaultBusyMs : static_cast<DWORD>(std::wcstoul(busy.c_str(), nullptr, 10));
    if (argv) ::LocalFree(argv);

    wchar_t path[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"TW_RECORD_ARGS_FILE", path, MAX_PATH)) {
        if (FILE* f = ::_wfopen(path, L"ab")) {
            const std::string line = "{\"command_line\": " + Json(::GetCommandLineW()) +
                                     ", \"pid\": " + std::to_string(::GetCurrentProcessId()) + "}\n";
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    }
    const ULONGLONG end = ::GetTickCount64() + busyMs;
    while (::GetTickCount64() < end) {
        if (!untilGone.empty() && ::GetFileAttributesW(untilGone.c_str()) == INVALID_FILE_ATTRIBUTES) break;
        ::Sleep(kPollMs);
    }
    return 0;
}
