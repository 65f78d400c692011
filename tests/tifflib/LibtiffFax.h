#pragma once
// libtiff's own Group 3 / Group 4 coder, driven as TIFF32.DLL drove it before it had a coder of
// its own: the reference the library's coder (FaxCoder) must match byte for byte.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tifftest {

// A bilevel page as rows of (width + 7) / 8 bytes, most significant bit first, 1 bits black.
struct BitPage {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> bits;
    size_t RowBytes() const { return (width + 7) / 8; }
    const uint8_t* Row(uint32_t y) const { return bits.data() + RowBytes() * y; }
    uint8_t* Row(uint32_t y) { return bits.data() + RowBytes() * y; }
    bool Black(uint32_t x, uint32_t y) const { return (Row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
};

struct FaxCoding {
    uint16_t compression = 4;  // 3 or 4
    uint32_t t4Options = 0;    // Group 3: bit 0 2D, bit 2 EOLs byte-aligned
    uint16_t fillOrder = 1;
    float yDpi = 196;          // decides K for 2D Group 3
    uint32_t rowsPerStrip = 0; // 0: the whole page
};

// The page coded by libtiff into a TIFF in memory; empty on failure.
std::vector<uint8_t> LibtiffTiff(const BitPage& page, const FaxCoding& coding);
// The strips of that TIFF, one entry per strip; empty on failure.
std::vector<std::vector<uint8_t>> LibtiffStrips(const BitPage& page, const FaxCoding& coding);
// The same page coded by the library's own coder (FaxCoder), most significant bit first.
std::vector<std::vector<uint8_t>> CoderStrips(const BitPage& page, const FaxCoding& coding);

// The raw strips of a TIFF held in memory (the first page); empty when it cannot be read.
std::vector<std::vector<uint8_t>> RawStripsOf(const std::vector<uint8_t>& tiff);

}  // namespace tifftest
