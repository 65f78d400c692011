#pragma once
// twprint runs under Wine and is handed Linux paths by scripts: a path that starts with '/'
// is reached through Wine's Z: drive.
#include <windows.h>

#include <string>
#include <vector>

namespace twprint {
std::wstring HostPath(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);
// Whole files of up to 2 GiB; false when they cannot be read or written.
bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>& out);
bool WriteWholeFile(const std::wstring& path, const std::vector<BYTE>& bytes);
}
