#pragma once
// Byte-level access to the little-endian records exchanged with client applications: numbers
// copied in and out without alignment, strings in fixed UTF-16 fields that always keep their
// terminator. Reads past the end give zero or an empty string, never touch other memory.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tw::recordbytes {

inline void PutDword(std::vector<BYTE>& rec, size_t offset, DWORD value) {
    if (offset + sizeof(value) <= rec.size()) std::memcpy(rec.data() + offset, &value, sizeof(value));
}

// Cuts `text` to `chars` − 1 characters; the rest of the field stays zero.
inline void PutText(std::vector<BYTE>& rec, size_t offset, size_t chars, std::wstring_view text) {
    if (chars == 0 || offset + chars * sizeof(wchar_t) > rec.size()) return;
    const size_t n = std::min(text.size(), chars - 1);
    std::memcpy(rec.data() + offset, text.data(), n * sizeof(wchar_t));
    std::memset(rec.data() + offset + n * sizeof(wchar_t), 0, (chars - n) * sizeof(wchar_t));
}

inline DWORD GetDword(const BYTE* rec, size_t size, size_t offset) {
    DWORD value = 0;
    if (rec && offset + sizeof(value) <= size) std::memcpy(&value, rec + offset, sizeof(value));
    return value;
}

// Up to the terminator, or the whole field when a writer left it unterminated.
inline std::wstring GetText(const BYTE* rec, size_t size, size_t offset, size_t chars) {
    std::wstring text;
    if (!rec || offset + chars * sizeof(wchar_t) > size) return text;
    for (size_t i = 0; i < chars; ++i) {
        wchar_t c;
        std::memcpy(&c, rec + offset + i * sizeof(wchar_t), sizeof(c));
        if (c == L'\0') break;
        text.push_back(c);
    }
    return text;
}

}  // namespace tw::recordbytes
