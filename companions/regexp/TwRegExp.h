#pragma once
// The contract of TwRegExp.dll: matching a regular expression over UTF-16 text and building the
// result from a format string of group references (README.md).
#include <windows.h>

inline constexpr wchar_t kRegExpLibrary[] = L"TwRegExp.dll";

// Return values of RegExpMatch: 1 a match (with a result), 0 no match, or a failure below.
inline constexpr int kRegExpMatched = 1;
inline constexpr int kRegExpNoMatch = 0;
inline constexpr int kRegExpBadPattern = -1;   // the pattern is not a valid expression
inline constexpr int kRegExpLimit = -2;        // the match gave up at its step, depth or memory limit
inline constexpr int kRegExpBadArgument = -3;  // a null pattern, text or result pointer
inline constexpr int kRegExpNoMemory = -4;
inline constexpr int kRegExpBadFormat = -5;    // the format names a group the pattern does not have

extern "C" {
// `result` receives a NUL-terminated string owned by the library (free it with FreeResult) and
// `length` its length in characters; both are left null and 0 unless the pattern matched.
typedef int(WINAPI* PFN_RegExpMatch)(const wchar_t* pattern, const wchar_t* text, const wchar_t* format,
                                     wchar_t** result, int* length);
typedef void(WINAPI* PFN_FreeResult)(wchar_t* result, int reserved);
}
