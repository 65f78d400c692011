#pragma once
// Group 3 and Group 4 strips of a bilevel page coded by FaxCoder and handed to libtiff raw; libtiff
// keeps the tags and the directory. Byte for byte what libtiff's own coder writes for the page.
#include <tiffio.h>

#include <cstdint>

#include "Tiff32.h"

namespace twtiff {

// Whether the page's tags (already set on `tif`) ask for a coding FaxCoder writes: Group 4, or
// Group 3 with EOLs and no RTC (the TIFF form).
bool FaxCoderApplies(TIFF* tif);

// Pulls the page's rows through the callback and writes every strip; false with the library
// error set when a row or a write fails.
bool WriteFaxStrips(TIFF* tif, uint32_t width, uint32_t height, uint32_t rowsPerStrip, TIFFROWPROC rowProc,
                    void* params);

}  // namespace twtiff
