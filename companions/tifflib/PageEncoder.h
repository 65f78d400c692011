#pragma once
// Writes one page into an open TIFF: completes and checks the caller's tags, pulls the rows
// through the row callback and lets libtiff code them. Requests libtiff cannot code as asked
// are brought to the nearest form it can: JPEG is written as new-style JPEG (compression 7),
// bilevel and palette rows are widened to grey or RGB for it, and its strips are whole MCU rows.
#include <tiffio.h>

#include "PageTags.h"
#include "Tiff32.h"

namespace twtiff {

// Largest page side the library accepts: far beyond any printed page at 2400 dpi.
inline constexpr uint32_t kMaxSide = 1u << 18;

// Bytes of the row buffer handed to a callback for a row of `bits` bits: a DIB stride, plus
// slack for callbacks that round a packed row up to whole 16-bit words.
size_t RowBufferBytes(uint64_t bits);

// Fills `row` (RowBufferBytes long) with row `index` from the callback; false with the library
// error set when the callback fails or has no such row.
bool ReadRow(TIFFROWPROC rowProc, void* params, uint32_t index, uint8_t* row);

bool EncodePage(TIFF* tif, PageTags tags, TIFFROWPROC rowProc, void* params);

}  // namespace twtiff
