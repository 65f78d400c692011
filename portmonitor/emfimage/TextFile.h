#pragma once
// The text output file: the page text in the encoding the DEVMODE asks for, appended to the file,
// with a byte-order mark at the start of a new file.
#include <windows.h>

#include <string>

#include "emfimage/TCTextOut.h"

namespace tw {

class TarnwellDEVMODE;

// The DEVMODE's text encoding byte.
enum class TextEncoding { Ansi = 0, Utf8 = 1, Utf16Le = 2, Utf16Be = 3 };

TextEncoding DmTextEncoding(const TarnwellDEVMODE* dm);
// The layout the DEVMODE's advanced-text byte gives (older drivers: their flag); a job without
// a DEVMODE lays text out on the grid.
TextLayoutMode DmTextLayoutMode(const TarnwellDEVMODE* dm);

// `text` in `encoding`, without a byte-order mark.
std::string EncodeText(const std::wstring& text, TextEncoding encoding);

// Opens (or creates) `path`, writes the byte-order mark when it is empty, then appends `text`.
// An empty text only creates the file. False with the Windows error in GetLastError.
bool AppendTextFile(const std::wstring& path, const std::wstring& text, TextEncoding encoding);

}  // namespace tw
