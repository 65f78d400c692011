#pragma once
// Small helpers for the UTF-16 strings every name, path and text is kept in.
#include <windows.h>
#include <cstdarg>
#include <string>
#include <string_view>

namespace tw {

// printf-style formatting into a std::wstring (%s is a wide string, as with MSVC).
std::wstring FormatW(const wchar_t* fmt, ...);
std::wstring VFormatW(const wchar_t* fmt, va_list args);

// Case-insensitive equality as the registry and the file system compare names.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

// Copies into a fixed buffer of `capacity` characters, always terminated, truncating if needed.
void CopyToBuffer(wchar_t* dest, size_t capacity, std::wstring_view src);
template <size_t N>
void CopyToBuffer(wchar_t (&dest)[N], std::wstring_view src) { CopyToBuffer(dest, N, src); }

// Length of a string stored in a fixed field, which need not be terminated.
size_t BoundedLength(const wchar_t* s, size_t capacity);

std::string ToUtf8(std::wstring_view s);
std::wstring FromUtf8(std::string_view s);

// Replaces every character that is not a letter or digit with '_' (names of kernel objects
// and pipes made per printer).
std::wstring CleanObjectName(std::wstring_view s);

}  // namespace tw
