#include "BilevelStrip.h"

#include <tiffio.h>

#include "ByteStore.h"
#include "LibraryError.h"
#include "PageEncoder.h"

namespace twtiff {
namespace {

constexpr uint32_t kFineXDpi = 204, kFineYDpi = 196;

struct InvertingRows {
    TIFFROWPROC rowProc;
    void* params;
    size_t bytes;
};

int WINAPI InvertRow(BYTE* row, int index, void* p) {
    const auto* rows = static_cast<const InvertingRows*>(p);
    int answer = rows->rowProc(row, index, rows->params);
    if (answer == TIFF_ROW_OK) {
        for (size_t i = 0; i < rows->bytes; ++i) row[i] = static_cast<BYTE>(~row[i]);
    }
    return answer;
}

}  // namespace

bool EncodeBilevelStrip(uint32_t width, uint32_t height, uint32_t compression, uint32_t t4Options, bool paperIsOne,
                        TIFFROWPROC rowProc, void* params, std::vector<uint8_t>& coded) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        return Fail(TIFF_ERR_INVALID_ARGUMENT, "unsupported page size");
    }
    if (!rowProc) return Fail(TIFF_ERR_INVALID_ARGUMENT, "no row callback");
    PageTags tags;
    tags.Replace(TIFFTAG_IMAGEWIDTH, {width});
    tags.Replace(TIFFTAG_IMAGELENGTH, {height});
    tags.Replace(TIFFTAG_BITSPERSAMPLE, {1});
    tags.Replace(TIFFTAG_SAMPLESPERPIXEL, {1});
    tags.Replace(TIFFTAG_PHOTOMETRIC, {PHOTOMETRIC_MINISWHITE});
    tags.Replace(TIFFTAG_COMPRESSION, {compression});
    if (compression == COMPRESSION_CCITTFAX3) tags.Replace(TIFFTAG_GROUP3OPTIONS, {t4Options});
    tags.Replace(TIFFTAG_FILLORDER, {FILLORDER_MSB2LSB});
    tags.Replace(TIFFTAG_ROWSPERSTRIP, {height});
    // libtiff picks the 2D K factor from the vertical resolution: fine mode's K = 4 (T.4).
    tags.Replace(TIFFTAG_XRESOLUTION, {kFineXDpi, 1});
    tags.Replace(TIFFTAG_YRESOLUTION, {kFineYDpi, 1});
    tags.Replace(TIFFTAG_RESOLUTIONUNIT, {RESUNIT_INCH});

    InvertingRows inverting{rowProc, params, (width + 7) / 8};
    BufferStore scratch;
    {
        UniqueTiff tif(scratch.OpenTiff("strip", "wl"));
        if (!tif) return Fail(TIFF_ERR_NO_MEMORY, "libtiff cannot start a scratch TIFF");
        bool ok = paperIsOne ? EncodePage(tif.get(), tags, InvertRow, &inverting)
                             : EncodePage(tif.get(), tags, rowProc, params);
        if (!ok) {
            TIFFCleanup(tif.release());
            return false;
        }
    }
    UniqueTiff tif(scratch.OpenTiff("strip", "r"));
    if (!tif) return Fail(TIFF_ERR_ENCODE, "the scratch TIFF cannot be read back");
    tmsize_t size = TIFFRawStripSize(tif.get(), 0);
    if (size <= 0) return Fail(TIFF_ERR_ENCODE, "libtiff wrote no coded data");
    coded.resize(static_cast<size_t>(size));
    if (TIFFReadRawStrip(tif.get(), 0, coded.data(), size) != size) return Fail(TIFF_ERR_ENCODE, "the coded data cannot be read back");
    return true;
}

}  // namespace twtiff
