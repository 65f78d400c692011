#pragma once
// Names the system makes up in a directory (GetTempFileNameW): unique at the moment they are
// made, from the first three characters of a prefix.
#include <windows.h>

#include <string>

namespace tw {

// A new name in `directory`; the file the system creates for it is deleted at once, so that
// the caller can change its extension. Returns 0, or the Windows error when none can be made.
DWORD MakeTemporaryName(const std::wstring& directory, const std::wstring& prefix, std::wstring& name);

}  // namespace tw
