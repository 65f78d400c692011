#pragma once
// The GIF variable-length-code LZW coder: a hashed string table of 5021 slots, codes growing
// from the minimum size plus one up to 12 bits, and a clear code where the next code would be
// 4095. Output is gathered in 32767-byte batches and handed on as data sub-blocks.
#include <windows.h>

#include <cstddef>
#include <functional>

#include "twfile/gif/GifModule.h"

namespace tw {

// The pixels to code: a bottom-up DIB's rows, read top row first, `depth` bits per pixel
// (1, 4 or 8), most significant bits first; bits past `width` pixels are ignored.
struct GifPixels {
    const BYTE* bits = nullptr;
    LONG width = 0;
    LONG height = 0;
    DWORD stride = 0;
    int depth = 8;
};

namespace gifcode {
inline constexpr int kHashSlots = 5021;
inline constexpr int kMaxCodeBits = 12;
inline constexpr int kLastCode = 4095;  // never assigned: the table is cleared before it
inline constexpr size_t kBatchBytes = 32767;
inline constexpr size_t kSubBlockBytes = 255;
}  // namespace gifcode

// Receives bytes of the image data (count bytes and sub-block contents); false stops the coder.
using GifSink = std::function<bool(const BYTE* data, size_t size)>;

// Writes the minimum code size byte and the image data sub-blocks (not the block terminator).
// Returns a GIF error number: 0, giferr::kCoding for an image without pixels, giferr::kFile when
// the sink refused bytes, giferr::kNoMemory when the tables cannot be had.
int CompressGifImage(const GifPixels& pixels, const GifSink& sink);

}  // namespace tw
