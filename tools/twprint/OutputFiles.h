#pragma once
// What twprint tells about each file a job wrote: where it is, how big, and for images the
// page size, depth and resolution read back from the file itself.
#include <windows.h>

#include <string>
#include <vector>

namespace twprint {

struct OutputFileFacts {
    std::wstring path;       // as the monitor wrote it
    std::wstring hostPath;   // the Linux path, for a path on Wine's Z: drive; else empty
    bool exists = false;
    ULONGLONG size = 0;
    std::string format;      // "bmp", "tiff", or empty when not recognised
    LONG width = 0, height = 0;  // of the first page
    int bitsPerPixel = 0;
    int xDpi = 0, yDpi = 0;
    int pages = 0;           // TIFF: pages in the file
    int compression = 0;     // TIFF: the first page's Compression tag
};

OutputFileFacts InspectOutputFile(const std::wstring& path);
// The Linux path of a Z: path ("Z:\work\a.bmp" is "/work/a.bmp"); empty for other drives.
std::wstring LinuxPathOf(const std::wstring& path);

}  // namespace twprint
