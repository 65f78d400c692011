#include "base/WideString.h"

#include <cwchar>
#include <cwctype>
#include <vector>

namespace tw {

std::wstring VFormatW(const wchar_t* fmt, va_list args) {
    std::vector<wchar_t> buf(512);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buf.data(), buf.size(), fmt, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() >= (1u << 24)) return std::wstring(buf.data(), buf.size() - 1);
        buf.resize(buf.size() * 2);
    }
}

std::wstring FormatW(const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::wstring s = VFormatW(fmt, args);
    va_end(args);
    return s;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

void CopyToBuffer(wchar_t* dest, size_t capacity, std::wstring_view src) {
    if (!dest || capacity == 0) return;
    size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
    wmemcpy(dest, src.data(), n);
    dest[n] = L'\0';
}

size_t BoundedLength(const wchar_t* s, size_t capacity) {
    size_t n = 0;
    while (n < capacity && s[n]) ++n;
    return n;
}

std::string ToUtf8(std::wstring_view s) {
    if (s.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view s) {
    if (s.empty()) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::wstring CleanObjectName(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out)
        if (!::IsCharAlphaNumericW(c)) c = L'_';
    return out;
}

}  // namespace tw
