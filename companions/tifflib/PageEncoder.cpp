#include "PageEncoder.h"

#include <algorithm>
#include <vector>

#include "FaxStrips.h"
#include "LibraryError.h"

namespace twtiff {
namespace {

constexpr uint32_t kJpegStripMultiple = 8;  // one MCU row without chroma subsampling
constexpr uint32_t kStripBytes = 8192;

enum class Widen { None, BilevelToGrey, PaletteToRgb };

bool IsCcitt(uint32_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
           compression == COMPRESSION_CCITTFAX4;
}

// The palette as 8-bit RGB triples from the tag's 16-bit runs.
std::vector<uint8_t> PaletteRgb(const PageTags& tags) {
    std::vector<uint8_t> rgb(3 * 256, 0);
    if (const std::vector<uint32_t>* map = tags.Values(TIFFTAG_COLORMAP)) {
        size_t n = map->size() / 3;
        for (size_t i = 0; i < n; ++i) {
            for (size_t c = 0; c < 3; ++c) rgb[3 * i + c] = static_cast<uint8_t>((*map)[c * n + i] >> 8);
        }
    }
    return rgb;
}

void WidenRow(Widen widen, const uint8_t* in, uint8_t* out, uint32_t width, uint32_t bits, bool inkIsOne,
              const std::vector<uint8_t>& palette) {
    if (widen == Widen::BilevelToGrey) {
        for (uint32_t x = 0; x < width; ++x) {
            bool one = (in[x >> 3] >> (7 - (x & 7))) & 1;
            out[x] = one == inkIsOne ? 0 : 255;
        }
        return;
    }
    uint32_t mask = (1u << bits) - 1;
    for (uint32_t x = 0; x < width; ++x) {
        uint64_t bit = uint64_t{x} * bits;
        uint32_t index = (in[bit >> 3] >> (8 - bits - (bit & 7))) & mask;
        std::copy_n(&palette[3 * index], 3, out + 3 * x);
    }
}

}  // namespace

size_t RowBufferBytes(uint64_t bits) { return static_cast<size_t>((bits + 31) / 32 * 4 + 16); }

bool ReadRow(TIFFROWPROC rowProc, void* params, uint32_t index, uint8_t* row) {
    int answer = rowProc(row, static_cast<int>(index), params);
    if (answer == TIFF_ROW_END) return Fail(TIFF_ERR_ROWS, "the callback ran out of rows before ImageLength");
    if (answer != TIFF_ROW_OK) return Fail(TIFF_ERR_ROWS, "the callback failed a row");
    return true;
}

bool EncodePage(TIFF* tif, PageTags tags, TIFFROWPROC rowProc, void* params) {
    if (!rowProc) return Fail(TIFF_ERR_INVALID_ARGUMENT, "no row callback");
    uint32_t width = tags.Value(TIFFTAG_IMAGEWIDTH, 0), height = tags.Value(TIFFTAG_IMAGELENGTH, 0);
    if (width == 0 || height == 0) return Fail(TIFF_ERR_INCOMPLETE_PAGE, "ImageWidth and ImageLength are needed");
    if (width > kMaxSide || height > kMaxSide) return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "the page is too large");
    uint32_t bits = tags.Value(TIFFTAG_BITSPERSAMPLE, 1), samples = tags.Value(TIFFTAG_SAMPLESPERPIXEL, 1);
    if (!tags.Has(TIFFTAG_BITSPERSAMPLE)) tags.Replace(TIFFTAG_BITSPERSAMPLE, {bits});
    if (!tags.Has(TIFFTAG_SAMPLESPERPIXEL)) tags.Replace(TIFFTAG_SAMPLESPERPIXEL, {samples});
    bool bilevel = bits == 1 && samples == 1;
    bool palette = tags.Has(TIFFTAG_COLORMAP) || tags.Value(TIFFTAG_PHOTOMETRIC, 99) == PHOTOMETRIC_PALETTE;
    if (!tags.Has(TIFFTAG_PHOTOMETRIC)) {
        uint32_t photometric = palette ? PHOTOMETRIC_PALETTE
                               : samples >= 3 ? PHOTOMETRIC_RGB
                               : bilevel ? PHOTOMETRIC_MINISWHITE
                                         : PHOTOMETRIC_MINISBLACK;
        tags.Replace(TIFFTAG_PHOTOMETRIC, {photometric});
    }
    if (tags.Value(TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) != PLANARCONFIG_CONTIG) {
        return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "rows arrive interleaved");
    }
    if (bits == 0 || bits > 16 || samples == 0 || samples > 4 || (palette && (samples != 1 || bits > 8))) {
        return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "unsupported sample layout");
    }
    uint32_t compression = tags.Value(TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    if (IsCcitt(compression) && !bilevel) return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "CCITT coding needs a bilevel page");

    // In a WhiteIsZero page a 1 bit is ink; widening to grey keeps what the page shows.
    const bool inkIsOne = tags.Value(TIFFTAG_PHOTOMETRIC, 0) == PHOTOMETRIC_MINISWHITE;
    const uint64_t inputBits = uint64_t{width} * bits * samples;
    Widen widen = Widen::None;
    // Old-style JPEG (6) is unwritable and deprecated; new-style JPEG is what readers expect.
    if (compression == COMPRESSION_OJPEG || compression == COMPRESSION_JPEG) {
        compression = COMPRESSION_JPEG;
        tags.Replace(TIFFTAG_COMPRESSION, {compression});
        if (bilevel) {
            widen = Widen::BilevelToGrey;
            tags.Replace(TIFFTAG_BITSPERSAMPLE, {8});
            tags.Replace(TIFFTAG_PHOTOMETRIC, {PHOTOMETRIC_MINISBLACK});
            tags.Erase(TIFFTAG_FILLORDER);
        } else if (palette) {
            widen = Widen::PaletteToRgb;
            tags.Replace(TIFFTAG_BITSPERSAMPLE, {8});
            tags.Replace(TIFFTAG_SAMPLESPERPIXEL, {3});
            tags.Replace(TIFFTAG_PHOTOMETRIC, {PHOTOMETRIC_RGB});
        } else if (bits != 8) {
            return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "JPEG needs 8-bit samples");
        }
    }
    const std::vector<uint8_t> paletteRgb = widen == Widen::PaletteToRgb ? PaletteRgb(tags) : std::vector<uint8_t>();
    if (widen == Widen::PaletteToRgb) tags.Erase(TIFFTAG_COLORMAP);

    uint64_t outBits = widen == Widen::None ? inputBits : uint64_t{width} * 8 * (widen == Widen::PaletteToRgb ? 3 : 1);
    uint32_t rows = tags.Value(TIFFTAG_ROWSPERSTRIP, 0);
    if (rows == 0 || rows > height) {
        rows = IsCcitt(compression) ? height
                                    : std::clamp<uint32_t>(static_cast<uint32_t>(kStripBytes / ((outBits + 7) / 8)), 1, height);
    }
    if (compression == COMPRESSION_JPEG && rows < height) {
        rows = std::min(height, (rows + kJpegStripMultiple - 1) / kJpegStripMultiple * kJpegStripMultiple);
    }
    tags.Replace(TIFFTAG_ROWSPERSTRIP, {rows});
    if (!tags.ApplyTo(tif)) return false;
    auto writeDirectory = [tif] {
        return TIFFWriteDirectory(tif) || Fail(TIFF_ERR_IO, "libtiff could not write the page's directory");
    };
    // Bilevel fax pages are coded here a word at a time; libtiff codes them a pixel run at a time.
    if (widen == Widen::None && FaxCoderApplies(tif)) {
        return WriteFaxStrips(tif, width, height, rows, rowProc, params) && writeDirectory();
    }

    std::vector<uint8_t> input(RowBufferBytes(inputBits));
    std::vector<uint8_t> widened(widen == Widen::None ? 0 : RowBufferBytes(outBits));
    const uint32_t paletteBits = bits;
    for (uint32_t r = 0; r < height; ++r) {
        if (!ReadRow(rowProc, params, r, input.data())) return false;
        uint8_t* row = input.data();
        if (widen != Widen::None) {
            WidenRow(widen, input.data(), widened.data(), width, paletteBits, inkIsOne, paletteRgb);
            row = widened.data();
        }
        if (TIFFWriteScanline(tif, row, r, 0) < 0) return Fail(TIFF_ERR_ENCODE, "libtiff could not code a row");
    }
    return writeDirectory();
}

}  // namespace twtiff
