#pragma once
// What twprint reads back from a TIFF file for its report: the first page's size, depth,
// resolution and compression, and the number of pages. Every offset is checked against the file.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace twprint {

struct TiffFacts {
    uint32_t width = 0, height = 0;
    int bitsPerPixel = 0;
    int xDpi = 0, yDpi = 0;
    int compression = 0;
    int pages = 0;
};

// False when the bytes are not a TIFF file whose first directory can be read.
bool ReadTiffFacts(const std::vector<BYTE>& file, TiffFacts& facts);

}  // namespace twprint
