#pragma once
// Registry reads and writes on keys the monitor opens itself (not the spooler's MONITORREG keys).
#include <windows.h>
#include <optional>
#include <string>

#include "base/UniqueHandle.h"

namespace tw {

UniqueHKey OpenKey(HKEY root, const std::wstring& subKey, REGSAM access = KEY_READ);
UniqueHKey CreateKey(HKEY root, const std::wstring& subKey, REGSAM access = KEY_ALL_ACCESS);

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* value);
std::optional<DWORD> ReadDword(HKEY key, const wchar_t* value);
// REG_SZ with its terminator counted, which readers that size buffers from the data rely on.
LSTATUS SetStringValue(HKEY key, const wchar_t* value, const std::wstring& data);
LSTATUS SetDwordValue(HKEY key, const wchar_t* value, DWORD data);
inline bool WriteString(HKEY key, const wchar_t* value, const std::wstring& data) {
    return SetStringValue(key, value, data) == ERROR_SUCCESS;
}
inline bool WriteDword(HKEY key, const wchar_t* value, DWORD data) {
    return SetDwordValue(key, value, data) == ERROR_SUCCESS;
}

}  // namespace tw
