#include "FaxStrips.h"

#include <algorithm>
#include <vector>

#include "FaxCoder.h"
#include "LibraryError.h"
#include "PageEncoder.h"

namespace twtiff {
namespace {

// libtiff's choice of K for 2D Group 3: 4 above 150 lines per inch, else 2 (T.4 allows 4 from
// 200 lpi; 150 leaves room for rounding in centimetre resolutions).
constexpr float kFineLinesPerInch = 150.0f;
constexpr int kFineK = 4, kStandardK = 2;
constexpr float kCentimetresPerInch = 2.54f;

FaxOptions OptionsOf(TIFF* tif) {
    FaxOptions options;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    options.group4 = compression == COMPRESSION_CCITTFAX4;
    if (options.group4) return options;
    uint32_t t4Options = 0;
    TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &t4Options);
    options.twoD = (t4Options & GROUP3OPT_2DENCODING) != 0;
    options.eolAligned = (t4Options & GROUP3OPT_FILLBITS) != 0;
    float yResolution = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_YRESOLUTION, &yResolution);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (unit == RESUNIT_CENTIMETER) yResolution *= kCentimetresPerInch;
    options.k = yResolution > kFineLinesPerInch ? kFineK : kStandardK;
    return options;
}

// Coded data is most significant bit first; libtiff turns it over for the other fill order.
bool ReversedFillOrder(TIFF* tif) {
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
    return (fillOrder == FILLORDER_LSB2MSB) == (TIFFIsMSB2LSB(tif) != 0);
}

// Coded data goes to the file in pieces of about this size (libtiff appends each to the strip),
// so a page costs no memory in proportion to its coded size.
constexpr size_t kPieceBytes = 64 * 1024;

bool WritePiece(TIFF* tif, uint32_t strip, FaxCoder& coder, bool reversed) {
    std::span<uint8_t> bytes = coder.Pending();
    if (bytes.empty()) return true;  // the strip's bytes all went out with the last piece
    if (reversed) TIFFReverseBits(bytes.data(), static_cast<tmsize_t>(bytes.size()));
    if (TIFFWriteRawStrip(tif, strip, bytes.data(), static_cast<tmsize_t>(bytes.size())) < 0) {
        return Fail(TIFF_ERR_ENCODE, "libtiff could not write a coded strip");
    }
    coder.TakePending();
    return true;
}

}  // namespace

bool FaxCoderApplies(TIFF* tif) {
    uint16_t compression = COMPRESSION_NONE, bits = 0, samples = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if ((compression != COMPRESSION_CCITTFAX3 && compression != COMPRESSION_CCITTFAX4) || bits != 1 || samples != 1) {
        return false;
    }
    // Other fax modes (RTC at the close, EOL-less or aligned rows) are left to libtiff.
    int mode = 0;
    return TIFFGetField(tif, TIFFTAG_FAXMODE, &mode) && mode == FAXMODE_NORTC;
}

bool WriteFaxStrips(TIFF* tif, uint32_t width, uint32_t height, uint32_t rowsPerStrip, TIFFROWPROC rowProc,
                    void* params) {
    FaxCoder coder(width, OptionsOf(tif));
    const bool reversed = ReversedFillOrder(tif);
    std::vector<uint8_t> row(RowBufferBytes(width));
    for (uint32_t first = 0, index = 0; first < height; first += rowsPerStrip, ++index) {
        coder.BeginStrip();
        const uint32_t last = std::min(height, first + rowsPerStrip);
        for (uint32_t r = first; r < last; ++r) {
            if (!ReadRow(rowProc, params, r, row.data())) return false;
            coder.CodeRow(row.data());
            if (coder.Pending().size() >= kPieceBytes && !WritePiece(tif, index, coder, reversed)) return false;
        }
        coder.EndStrip();
        if (!WritePiece(tif, index, coder, reversed)) return false;
    }
    return true;
}

}  // namespace twtiff
