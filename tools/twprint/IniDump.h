#pragma once
// An INI file read through the Windows INI functions, for checking what the monitor wrote.
#include <string>

namespace twprint {
// {"section": {"key": "value", ...}, ...} in the file's order.
std::string IniFileAsJson(const std::wstring& path);
}
