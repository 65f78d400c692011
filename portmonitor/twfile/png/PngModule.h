#pragma once
// The PNG module: a page DIB written as a PNG file through libpng, and the module's per-thread
// error slot. The slot is made by the attach hook at library load; a program that links the
// static library gets it on first use.
#include <windows.h>

namespace tw {

// The module's attach hook, called from the library entry with the entry's reason code.
BOOL TwPNGMain(DWORD reason);

// The module's error numbers (rows of the error text table).
namespace pngerr {
inline constexpr int kNone = 0;
inline constexpr int kCreateFile = 1;
inline constexpr int kFileNotFound = 2;
inline constexpr int kNoMemory = 3;
inline constexpr int kInvalidDib = 4;
inline constexpr int kCreateDib = 7;
inline constexpr int kGetDib = 8;
inline constexpr int kNoPalette = 9;
}  // namespace pngerr

// The text of the calling thread's last module error ("No error" when none).
const char* PngErrorText();
// Writes the packed page DIB held in `dib` to `fileName`. `flags` is reserved (0). FALSE with the
// thread's module error set when the DIB is unusable or the file cannot be written; a file left
// unfinished by a failure is removed.
BOOL SaveDIBAsPNG(const wchar_t* fileName, HGLOBAL dib, DWORD flags);

}  // namespace tw
