#pragma once
// The GIF module: the page DIB written as a GIF87a file with the module's own LZW coder, and the
// module's per-thread last error. The error slot is made by the attach hook at library load; a
// program that links the static library gets it on first use.
#include <windows.h>

namespace tw {

BOOL TwGIFMain(DWORD reason);

// GIF error numbers of the writing path.
namespace giferr {
inline constexpr int kNone = 0;
inline constexpr int kNoMemory = 1;
inline constexpr int kImageIndex = 3;  // the image index exceeds kMaxImageIndex
inline constexpr int kFile = 5;        // the file cannot be created or a write was incomplete
inline constexpr int kCoding = 9;      // reading a pixel or writing an LZW code failed
// The page cannot be a GIF image: more than 8 bits per pixel, a side above 65535 pixels or a
// header that does not match its block.
inline constexpr int kUnsupportedPage = 10;
}  // namespace giferr

inline constexpr int kMaxImageIndex = 1000;

// How the file is created. A GIF is never written over an existing file, except over the empty
// file with which the job holds the name for this very page.
enum class GifCreation { NewFileOnly, NewOrEmptyReservation };

// The calling thread's last GIF error.
int GifLastError();
// Writes the packed DIB `dib` (1, 4 or 8 bits per pixel) as image `imageIndex` (0 here) of a new
// GIF file. TRUE when the thread's GIF error is 0; `gifError` receives it in every case. A file
// left unfinished by a failure is removed.
BOOL SaveDIBInGIFFormat(const wchar_t* fileName, HGLOBAL dib, int imageIndex, int* gifError,
                        GifCreation creation = GifCreation::NewFileOnly);

}  // namespace tw
