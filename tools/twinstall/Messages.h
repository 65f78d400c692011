#pragma once
// What twinstall tells its user; every error names the file, port or call and the Windows error.
#include <windows.h>

#include <string>

namespace twinstall {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

void Say(const wchar_t* format, ...);
// "twinstall: <text>" on stderr; returns kExitFailed.
int Fail(const wchar_t* format, ...);
// Windows' own text of an error, without the line end.
std::wstring ErrorText(DWORD error);
// The spooler or file error explained for the user: "not running", "in use", "not elevated".
int FailWithError(const std::wstring& what, DWORD error);

}  // namespace twinstall
