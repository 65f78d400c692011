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
bool WriteString(HKEY key, const wchar_t* value, const std::wstring& data);
bool WriteDword(HKEY key, const wchar_t* value, DWORD data);

}  // namespace tw
