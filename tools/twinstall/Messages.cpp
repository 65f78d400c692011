#include "Messages.h"

#include <cstdarg>
#include <cstdio>

namespace twinstall {
namespace {

void Print(FILE* to, const wchar_t* prefix, const wchar_t* format, va_list args) {
    wchar_t text[2048];
    _vsnwprintf(text, sizeof(text) / sizeof(text[0]) - 1, format, args);
    text[sizeof(text) / sizeof(text[0]) - 1] = 0;
    fwprintf(to, L"%ls%ls\n", prefix, text);
    fflush(to);
}

}  // namespace

void Say(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Print(stdout, L"", format, args);
    va_end(args);
}

int Fail(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Print(stderr, L"twinstall: ", format, args);
    va_end(args);
    return kExitFailed;
}

std::wstring ErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"Windows error " + std::to_wstring(error);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

int FailWithError(const std::wstring& what, DWORD error) {
    switch (error) {
    case RPC_S_SERVER_UNAVAILABLE:
        return Fail(L"%ls: the print spooler is not running (error %lu). Start it (\"net start spooler\") and try again.",
                    what.c_str(), error);
    case ERROR_ACCESS_DENIED:
        return Fail(L"%ls: access denied (error %lu). Run twinstall from an elevated command prompt.", what.c_str(),
                    error);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return Fail(L"%ls: the file is in use (error %lu), most likely loaded by the spooler. Stop the spooler or "
                    L"uninstall first, then try again.",
                    what.c_str(), error);
    default:
        return Fail(L"%ls: %ls (error %lu)", what.c_str(), ErrorText(error).c_str(), error);
    }
}

}  // namespace twinstall
