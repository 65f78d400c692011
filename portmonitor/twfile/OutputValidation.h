#pragma once
// The checks of output directories and files, and the messages (numbered 25) that explain a
// failure to the user. They only look and probe; the job decides how a message is reported.
#include <windows.h>

#include <string>

namespace tw {

struct CheckResult {
    bool ok = true;
    std::wstring message;  // the user's message when !ok
    DWORD error = 0;       // the Windows error behind it, 0 when none
};

// An empty directory, or one that does not exist, fails. A backslash is appended to
// `directory` when it has none.
CheckResult CheckOutputDirectory(const wchar_t* prefixText, std::wstring& directory);
// The file's directory must accept a new file (probed with "~TW<thread id>.tmp", created
// hidden and deleted on close); an existing file must open for writing.
CheckResult CheckOutputFile(const wchar_t* prefixText, const wchar_t* fileName);
// A failed write of `fileName`: the system's text of `error` and its code.
std::wstring WriteFailureText(const wchar_t* prefixText, const std::wstring& fileName, DWORD error);
// "Could not create file" for `directory`, worded by the Windows error code.
std::wstring CreationFailureText(const std::wstring& directory, DWORD error);

}  // namespace tw
