#pragma once
// Finding the external TIFF and JPEG libraries that the DEVMODE names.
#include <windows.h>

#include <string>
#include <string_view>

namespace tw {

// The library to load for `path`: the path itself when a file is there; else the file of that
// name in the printer-driver directory or its "3" subdirectory; else the bare file name, for the
// ordinary library search. FALSE, with `out` untouched, when the path names no file at all or the
// spooler cannot tell the driver directory.
BOOL GetCorrectDllName(std::wstring_view path, std::wstring& out);

}  // namespace tw
