#include "LibtiffFax.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "companions/tifflib/FaxCoder.h"

namespace tifftest {
namespace {

// A TIFF in a byte vector, through libtiff's client I/O.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    uint64_t position = 0;

    static tmsize_t Read(thandle_t h, void* data, tmsize_t size) {
        auto* f = static_cast<MemoryFile*>(h);
        size_t n = f->position >= f->bytes.size() ? 0 : std::min<size_t>(size, f->bytes.size() - f->position);
        std::memcpy(data, f->bytes.data() + f->position, n);
        f->position += n;
        return static_cast<tmsize_t>(n);
    }
    static tmsize_t Write(thandle_t h, void* data, tmsize_t size) {
        auto* f = static_cast<MemoryFile*>(h);
        if (f->position + size > f->bytes.size()) f->bytes.resize(f->position + size);
        std::memcpy(f->bytes.data() + f->position, data, size);
        f->position += size;
        return size;
    }
    static toff_t Seek(thandle_t h, toff_t offset, int whence) {
        auto* f = static_cast<MemoryFile*>(h);
        f->position = whence == SEEK_SET ? offset : whence == SEEK_CUR ? f->position + offset : f->bytes.size() + offset;
        return f->position;
    }
    static int Close(thandle_t) { return 0; }
    static toff_t Size(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
    static int Map(thandle_t, void**, toff_t*) { return 0; }
    static void Unmap(thandle_t, void*, toff_t) {}

    TIFF* Open(const char* mode) {
        position = 0;
        return TIFFClientOpen("memory", mode, this, Read, Write, Seek, Close, Size, Map, Unmap);
    }
};

std::vector<std::vector<uint8_t>> ReadStrips(MemoryFile& file) {
    std::vector<std::vector<uint8_t>> strips;
    TIFF* tif = file.Open("r");
    if (!tif) return strips;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
        tmsize_t size = TIFFRawStripSize(tif, s);
        std::vector<uint8_t> strip(size > 0 ? static_cast<size_t>(size) : 0);
        if (size > 0 && TIFFReadRawStrip(tif, s, strip.data(), size) != size) strip.clear();
        strips.push_back(std::move(strip));
    }
    TIFFClose(tif);
    return strips;
}

}  // namespace

std::vector<uint8_t> LibtiffTiff(const BitPage& page, const FaxCoding& coding) {
    MemoryFile file;
    TIFF* tif = file.Open("w");
    if (!tif) return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, coding.compression);
    if (coding.compression == COMPRESSION_CCITTFAX3) TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, coding.t4Options);
    TIFFSetField(tif, TIFFTAG_FILLORDER, coding.fillOrder);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, coding.rowsPerStrip ? coding.rowsPerStrip : page.height);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, coding.yDpi);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    // libtiff codes from its own copy of each row, padded to whole bytes.
    std::vector<uint8_t> row(page.RowBytes() + 8);
    bool ok = true;
    for (uint32_t y = 0; y < page.height && ok; ++y) {
        std::memcpy(row.data(), page.Row(y), page.RowBytes());
        ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    ok = ok && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    if (!ok) return {};
    return std::move(file.bytes);
}

std::vector<std::vector<uint8_t>> LibtiffStrips(const BitPage& page, const FaxCoding& coding) {
    return RawStripsOf(LibtiffTiff(page, coding));
}

std::vector<std::vector<uint8_t>> CoderStrips(const BitPage& page, const FaxCoding& coding) {
    twtiff::FaxOptions options;
    options.group4 = coding.compression == COMPRESSION_CCITTFAX4;
    options.twoD = (coding.t4Options & GROUP3OPT_2DENCODING) != 0;
    options.eolAligned = (coding.t4Options & GROUP3OPT_FILLBITS) != 0;
    options.k = coding.yDpi > 150 ? 4 : 2;  // libtiff's rule
    twtiff::FaxCoder coder(page.width, options);
    const uint32_t rows = coding.rowsPerStrip ? coding.rowsPerStrip : page.height;
    std::vector<std::vector<uint8_t>> strips;
    for (uint32_t first = 0; first < page.height; first += rows) {
        coder.BeginStrip();
        for (uint32_t y = first; y < std::min(page.height, first + rows); ++y) coder.CodeRow(page.Row(y));
        coder.EndStrip();
        strips.emplace_back(coder.Pending().begin(), coder.Pending().end());
    }
    return strips;
}

std::vector<std::vector<uint8_t>> RawStripsOf(const std::vector<uint8_t>& tiff) {
    if (tiff.empty()) return {};
    MemoryFile file{tiff};
    return ReadStrips(file);
}

}  // namespace tifftest
