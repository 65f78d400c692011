// The tags of a page, in the order the library receives them, and its encoding.
#include "twfile/TiffPageTags.h"

#include <vector>

#include "monitor/Trace.h"
#include "twfile/TiffCompression.h"

namespace tw {
namespace {

class TagWriter {
public:
    TagWriter(const TiffFunctions& fn, HTIFFDOC doc, int index) : m_fn(fn), m_doc(doc), m_index(index) {}
    void Short(int tag, LONG value) { Note(m_fn.DefineTiffImageInfo(m_doc, m_index, tag, TIFF_TYPE_SHORT, value), tag); }
    void Long(int tag, LONG value) { Note(m_fn.DefineTiffImageInfo(m_doc, m_index, tag, TIFF_TYPE_LONG, value), tag); }
    // SHORT where the value fits, LONG otherwise (pages taller than 65535 rows).
    void Count(int tag, LONG value) { value <= 0xFFFF ? Short(tag, value) : Long(tag, value); }
    void Shorts(int tag, const WORD* values, int count) {
        Note(m_fn.DefineTiffImageInfoBuffer(m_doc, m_index, tag, values, TIFF_TYPE_SHORT, count), tag);
    }
    void Rational(int tag, LONG numerator) {
        const DWORD value[2] = {static_cast<DWORD>(numerator), 1};
        Note(m_fn.DefineTiffImageInfoBuffer(m_doc, m_index, tag, value, TIFF_TYPE_RATIONAL, 1), tag);
    }
    bool Ok() const { return m_ok; }

private:
    void Note(BOOL result, int tag) {
        if (!result) {
            TW_TRACE(L"WriteTiffPage: tag %d refused", tag);
            m_ok = false;
        }
    }
    const TiffFunctions& m_fn;
    HTIFFDOC m_doc;
    int m_index;
    bool m_ok = true;
};

enum class PageKind { Monochrome, Palette, Rgb };

PageKind KindOf(const DibView& page) {
    if (page.bitCount == 1) return PageKind::Monochrome;
    if (page.bitCount == 24) return PageKind::Rgb;
    return PageKind::Palette;
}

// Reds, then greens, then blues, each widened to 16 bits; a full table for the bit depth.
std::vector<WORD> ColorMap(const DibView& page) {
    const size_t n = size_t{1} << page.bitCount;
    std::vector<WORD> map(3 * n, 0);
    for (size_t i = 0; i < n && i < page.paletteEntries; ++i) {
        map[i] = static_cast<WORD>(page.palette[i].rgbRed << 8);
        map[n + i] = static_cast<WORD>(page.palette[i].rgbGreen << 8);
        map[2 * n + i] = static_cast<WORD>(page.palette[i].rgbBlue << 8);
    }
    return map;
}

}  // namespace

BOOL WriteTiffPage(const TiffFunctions& fn, HTIFFDOC doc, int index, const DibView& page,
                   const TiffPageOptions& options) {
    TagWriter tags(fn, doc, index);
    if (options.pageNumbering) {
        const WORD number[2] = {static_cast<WORD>(options.pageNumber ? options.pageNumber - 1 : 0), 0};
        tags.Shorts(twtiff::kTagPageNumber, number, 2);
    }
    const TiffCompression compression = TiffCompressionFor(options.format, options.inMemory);
    if (compression.compression) tags.Short(twtiff::kTagCompression, compression.compression);
    if (compression.t4Options >= 0) tags.Long(twtiff::kTagT4Options, compression.t4Options);
    tags.Long(twtiff::kTagImageWidth, page.width);
    tags.Long(twtiff::kTagImageLength, page.height);
    tags.Short(twtiff::kTagBitsPerSample, 1);
    tags.Short(twtiff::kTagSamplesPerPixel, 1);
    tags.Count(twtiff::kTagRowsPerStrip, page.height);
    tags.Short(twtiff::kTagFillOrder, options.reverseBitOrder ? kFillOrderLsbFirst : kFillOrderMsbFirst);
    if (options.internetTiff) tags.Long(twtiff::kTagNewSubfileType, kNewSubfileTypePage);
    tags.Rational(twtiff::kTagXResolution, DpiFromPelsPerMeter(page.header->biXPelsPerMeter));
    tags.Rational(twtiff::kTagYResolution, DpiFromPelsPerMeter(page.header->biYPelsPerMeter));
    tags.Short(twtiff::kTagResolutionUnit, kResolutionUnitInch);

    RowSource rows;
    TIFFROWPROC proc = nullptr;
    switch (KindOf(page)) {
    case PageKind::Monochrome:
        tags.Short(twtiff::kTagPhotometric, kPhotometricWhiteIsZero);
        rows = MonochromeRows(page);
        proc = &MonochromeRowProc;
        break;
    case PageKind::Palette: {
        TW_TRACE(L"CBlTIFFFile :: SaveFile : 1.");
        rows = PaletteRows(page);
        tags.Short(twtiff::kTagPhotometric, kPhotometricPalette);
        tags.Short(twtiff::kTagBitsPerSample, page.bitCount);
        tags.Count(twtiff::kTagRowsPerStrip, ColourRowsPerStrip(page.height, (page.width + 7) / 8));
        tags.Short(twtiff::kTagSamplesPerPixel, 1);
        const std::vector<WORD> map = ColorMap(page);
        tags.Shorts(twtiff::kTagColorMap, map.data(), static_cast<int>(map.size()));
        proc = &PaletteRowProc;
        break;
    }
    case PageKind::Rgb: {
        rows = RgbRows(page);
        const WORD bits[3] = {8, 8, 8};
        tags.Short(twtiff::kTagPhotometric, kPhotometricRgb);
        tags.Shorts(twtiff::kTagBitsPerSample, bits, 3);
        tags.Short(twtiff::kTagSamplesPerPixel, 3);
        tags.Short(twtiff::kTagPlanarConfig, kPlanarContiguous);
        tags.Count(twtiff::kTagRowsPerStrip, ColourRowsPerStrip(page.height, (page.width * 24 + 7) / 8));
        proc = &RgbRowProc;
        break;
    }
    }
    if (!tags.Ok()) {
        ::SetLastError(ERROR_SUCCESS);  // the library refused a tag; no file error behind it
        return FALSE;
    }
    return fn.EncodeTiffImage(doc, index, &rows, proc);
}

}  // namespace tw
