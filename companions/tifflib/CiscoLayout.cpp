#include "CiscoLayout.h"

#include <tiffio.h>

#include <cmath>
#include <vector>

#include "ByteStore.h"
#include "LibraryError.h"
#include "PageEncoder.h"
#include "PageTags.h"

namespace twtiff {
namespace {

constexpr uint32_t kFaxWidths[] = {1728, 2048, 2432};  // A4, B4 and A3 at 204 dpi
constexpr float kFaxXDpi = 204.0f;
constexpr float kFaxYDpis[] = {98.0f, 196.0f, 391.0f};
constexpr float kDpiTolerance = 1.0f;

struct SourceRows {
    TIFF* tif;
    bool invert;  // a MinIsBlack source: ink is 0
    size_t bytes;
};

int WINAPI ReadSourceRow(BYTE* row, int index, void* p) {
    const auto* s = static_cast<const SourceRows*>(p);
    if (TIFFReadScanline(s->tif, row, static_cast<uint32_t>(index), 0) < 0) return TIFF_ROW_END;
    if (s->invert) {
        for (size_t i = 0; i < s->bytes; ++i) row[i] = static_cast<BYTE>(~row[i]);
    }
    return TIFF_ROW_OK;
}

bool IsFaxLayout(uint32_t width, float xres, float yres) {
    bool widthOk = false, yOk = false;
    for (uint32_t w : kFaxWidths) widthOk |= width == w;
    for (float y : kFaxYDpis) yOk |= std::fabs(yres - y) <= kDpiTolerance;
    return widthOk && yOk && std::fabs(xres - kFaxXDpi) <= kDpiTolerance;
}

}  // namespace

bool ConvertToCiscoLayout(const wchar_t* source, const wchar_t* target) {
    if (!source || !*source || !target || !*target) return Fail(TIFF_ERR_INVALID_ARGUMENT, "no file name");
    BufferStore converted;
    bool standard = true;
    {
        std::unique_ptr<FileStore> in = FileStore::Open(source, false, false);
        if (!in) return false;
        UniqueTiff src(in->OpenTiff("source", "r"));
        if (!src) return Fail(TIFF_ERR_NOT_TIFF, "libtiff cannot read the file");
        UniqueTiff out(converted.OpenTiff("cisco", "wl"));
        if (!out) return Fail(TIFF_ERR_NO_MEMORY);
        const int pages = TIFFNumberOfDirectories(src.get());
        for (int page = 0; page < pages; ++page) {
            if (!TIFFSetDirectory(src.get(), static_cast<tdir_t>(page))) return Fail(TIFF_ERR_DECODE, "a page cannot be read");
            uint32_t width = 0, height = 0;
            uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE, unit = RESUNIT_INCH;
            float xres = 0, yres = 0;
            TIFFGetField(src.get(), TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(src.get(), TIFFTAG_IMAGELENGTH, &height);
            TIFFGetFieldDefaulted(src.get(), TIFFTAG_BITSPERSAMPLE, &bits);
            TIFFGetFieldDefaulted(src.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
            TIFFGetField(src.get(), TIFFTAG_PHOTOMETRIC, &photometric);
            TIFFGetFieldDefaulted(src.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
            if (bits != 1 || samples != 1 || TIFFIsTiled(src.get()) ||
                (photometric != PHOTOMETRIC_MINISWHITE && photometric != PHOTOMETRIC_MINISBLACK)) {
                return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "fax pages are bilevel");
            }
            if (!TIFFGetField(src.get(), TIFFTAG_XRESOLUTION, &xres) || !TIFFGetField(src.get(), TIFFTAG_YRESOLUTION, &yres) ||
                unit != RESUNIT_INCH) {
                // Without a usable resolution the page is taken as fine-mode fax.
                xres = kFaxXDpi;
                yres = kFaxYDpis[1];
            }
            standard &= IsFaxLayout(width, xres, yres);
            PageTags tags;
            tags.Replace(TIFFTAG_SUBFILETYPE, {FILETYPE_PAGE});
            tags.Replace(TIFFTAG_IMAGEWIDTH, {width});
            tags.Replace(TIFFTAG_IMAGELENGTH, {height});
            tags.Replace(TIFFTAG_BITSPERSAMPLE, {1});
            tags.Replace(TIFFTAG_SAMPLESPERPIXEL, {1});
            tags.Replace(TIFFTAG_COMPRESSION, {COMPRESSION_CCITTFAX3});
            tags.Replace(TIFFTAG_GROUP3OPTIONS, {GROUP3OPT_FILLBITS});
            tags.Replace(TIFFTAG_PHOTOMETRIC, {PHOTOMETRIC_MINISWHITE});
            tags.Replace(TIFFTAG_FILLORDER, {FILLORDER_MSB2LSB});
            tags.Replace(TIFFTAG_ROWSPERSTRIP, {height});
            tags.Replace(TIFFTAG_XRESOLUTION, {static_cast<uint32_t>(std::lround(xres)), 1});
            tags.Replace(TIFFTAG_YRESOLUTION, {static_cast<uint32_t>(std::lround(yres)), 1});
            tags.Replace(TIFFTAG_RESOLUTIONUNIT, {RESUNIT_INCH});
            tags.Replace(TIFFTAG_PAGENUMBER, {static_cast<uint32_t>(page), static_cast<uint32_t>(pages)});
            SourceRows rows{src.get(), photometric == PHOTOMETRIC_MINISBLACK, (width + 7) / 8};
            if (!EncodePage(out.get(), tags, ReadSourceRow, &rows)) return false;
        }
        if (pages == 0) return Fail(TIFF_ERR_NOT_TIFF, "the file has no pages");
    }
    const std::vector<uint8_t>& bytes = converted.Bytes();
    bool sameFile = lstrcmpiW(source, target) == 0;
    std::unique_ptr<FileStore> out = FileStore::Open(target, true, !sameFile, true);
    if (!out) return false;
    if (!out->WriteAt(0, bytes.data(), bytes.size()) || !out->Truncate(bytes.size())) {
        return Fail(TIFF_ERR_IO, "cannot write the converted file");
    }
    if (!standard) Fail(TIFF_ERR_FAX_LAYOUT, "converted, but a page is not of a standard fax width or resolution");
    return true;
}

}  // namespace twtiff
