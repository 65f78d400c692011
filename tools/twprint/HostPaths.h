#pragma once
// twprint runs under Wine and is handed Linux paths by scripts: a path that starts with '/'
// is reached through Wine's Z: drive.
#include <string>

namespace twprint {
std::wstring HostPath(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);
}
