#include "twfile/FileFormats.h"

#include <array>
#include <cstddef>

#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr const wchar_t* kBmp = L"CBlBMPFile";
constexpr const wchar_t* kMemBmp = L"CBlMemBMPFile";
constexpr const wchar_t* kTiff = L"CBlTIFFFile";
constexpr const wchar_t* kMemTiff = L"CBlMemTIFFFile";
constexpr const wchar_t* kRawFax = L"CBlRawFaxFile";
constexpr const wchar_t* kPng = L"CBlPNGFile";
constexpr const wchar_t* kGif = L"CBlGIFFile";
constexpr const wchar_t* kJpeg = L"CBlJPEGFile";
constexpr const wchar_t* kUnknownName = L"Unknown file format";

constexpr FileFormatInfo Entry(DWORD code, const wchar_t* name, const wchar_t* lower, const wchar_t* upper,
                               const wchar_t* writer, const wchar_t* memoryWriter) {
    return FileFormatInfo{code, name, lower, upper, writer, memoryWriter};
}

// Writers whose memory mode uses the file writer itself.
constexpr FileFormatInfo Same(DWORD code, const wchar_t* name, const wchar_t* lower, const wchar_t* upper,
                              const wchar_t* writer) {
    return FileFormatInfo{code, name, lower, upper, writer, writer};
}

constexpr FileFormatInfo Tiff(DWORD code, const wchar_t* name) {
    return FileFormatInfo{code, name, L"tif", L"TIF", kTiff, kMemTiff};
}

constexpr FileFormatInfo Pdf(DWORD code, const wchar_t* name) {
    return FileFormatInfo{code, name, L"pdf", L"PDF", nullptr, nullptr};
}

constexpr FileFormatInfo RawFax(DWORD code, const wchar_t* name) {
    return FileFormatInfo{code, name, L"raw", L"RAW", kRawFax, kRawFax};
}

constexpr FileFormatInfo Html(DWORD code, const wchar_t* name, const wchar_t* writer) {
    return FileFormatInfo{code, name, L"htm", L"HTM", writer, writer};
}

// Indexed by code; the index of every entry is checked against its code below.
constexpr std::array kFormats = {
    Entry(0, L"BMP", L"bmp", L"BMP", kBmp, kMemBmp),
    Same(1, L"PCX", L"pcx", L"PCX", L"CBlPCXFile"),
    Same(2, L"DCX", L"dcx", L"DCX", L"CBlDCXFile"),
    Tiff(3, L"TIFF Uncompressed"),
    Tiff(4, L"TIFF Group 3 1D"),
    Tiff(5, L"TIFF Group 3 1D No EOL"),
    Tiff(6, L"TIFF Group 3 2D"),
    Tiff(7, L"TIFF Group 4"),
    Tiff(8, L"TIFF Packed"),
    Tiff(9, L"TIFF LZW"),
    Tiff(10, L"TIFF JPEG"),
    Same(11, L"CALS", L"cg4", L"CG4", L"CBlCALSFile"),
    RawFax(12, L"RAW TIFF Group 3 1D"),
    RawFax(13, L"RAW TIFF Group 3 1D No EOL"),
    RawFax(14, L"RAW TIFF Group 3 2D"),
    RawFax(15, L"RAW TIFF Group 4"),
    Same(16, L"JPEG", L"jpg", L"JPG", kJpeg),
    Same(17, L"JPEG L*a*b", L"jpg", L"JPG", L"CBlJPEGLabFile"),
    Entry(18, L"Extended Metafile", L"emf", L"EMF", L"CBlEMFFile", L"CBlMemEMFFile"),
    // MO:DCA has no name of its own and reports the unknown-format text.
    Same(19, kUnknownName, L"mca", L"MCA", L"CBlIOCAFile"),
    Pdf(20, L"PDF version 1.4 (Image)"),
    Tiff(21, L"TIFF for Dialogic boards"),
    Tiff(22, L"TIFF for NMS boards"),
    Tiff(23, L"TIFF for Gammalink boards"),
    Same(24, L"PNG", L"png", L"PNG", kPng),
    Same(25, L"GIF", L"gif", L"GIF", kGif),
    Html(26, L"HTML with GIF", L"CBlHTMLGIFFile"),
    Html(27, L"HTML with PNG", L"CBlHTMLPNGFile"),
    Html(28, L"HTML with JPEG", L"CBlHTMLJPEGFile"),
    Html(29, L"HTML with BMP", L"CBlHTMLBMPFile"),
    Tiff(30, L"TIFF for CISCO"),
    Same(31, L"XML with GIF", L"gif", L"GIF", kGif),
    Same(32, L"XML with PNG", L"png", L"PNG", kPng),
    Same(33, L"XML with JPEG", L"jpg", L"JPG", kJpeg),
    Entry(34, L"XML with BMP", L"bmp", L"BMP", kBmp, kMemBmp),
    Pdf(35, L"XML with PDF v 1.4 (Image)"),
    Pdf(36, L"PDF version 1.4"),
    Html(37, L"HTML", nullptr),
    Pdf(38, L"PDF/A"),
    Entry(39, L"XML", L"xml", L"XML", nullptr, nullptr),
    Pdf(40, L"Compact PDF"),
    Pdf(41, L"Compact PDF"),
    Tiff(42, L"TIFF Group 4"),
    Tiff(43, L"TIFF Group 4"),
    Tiff(44, L"TIFF Group 3 1D"),
    Tiff(45, L"TIFF Group 3 1D"),
    Tiff(46, L"TIFF Uncompressed"),
    Tiff(47, L"TIFF Uncompressed"),
};

constexpr bool CodesMatchIndices() {
    for (size_t i = 0; i < kFormats.size(); ++i) {
        if (kFormats[i].code != i) return false;
    }
    return true;
}
static_assert(CodesMatchIndices(), "format table must be indexed by code");

constexpr FileFormatInfo kUnknownFormat = {0xFFFFFFFFu, kUnknownName, L"tmp", L"TMP", nullptr, nullptr};

// Codes that write one TIFF file per document when the job's multi-page flag is on, and the
// variants that are multi-page regardless of it.
constexpr bool IsFlagControlledTiff(DWORD code) { return (code >= 3 && code <= 10) || (code >= 21 && code <= 23) || code == 30; }
constexpr bool IsAlwaysMultiPageTiff(DWORD code) { return code == 42 || code == 44 || code == 46; }

}  // namespace

const FileFormatInfo& FileFormat(DWORD code) {
    return code < kFormats.size() ? kFormats[code] : kUnknownFormat;
}

BOOL IsKnownFormat(DWORD code) { return code < kFormats.size() ? TRUE : FALSE; }

const wchar_t* FormatName(DWORD code) { return FileFormat(code).name; }

const wchar_t* FormatExtension(DWORD code, bool upperCase) {
    const FileFormatInfo& info = FileFormat(code);
    return upperCase ? info.upperExtension : info.lowerExtension;
}

const wchar_t* FormatWriterName(DWORD code, bool memoryMode) {
    const FileFormatInfo& info = FileFormat(code);
    return memoryMode ? info.memoryWriter : info.writer;
}

BOOL FormatHasWriter(DWORD code) { return FileFormat(code).writer != nullptr ? TRUE : FALSE; }

BOOL UsesMultiPageTiff(DWORD code, bool memoryMode, bool multiPageFlag) {
    TW_TRACE(L"> UsesMultiPageTiff: %u", code);
    BOOL result = FALSE;
    if (!memoryMode) {
        result = IsAlwaysMultiPageTiff(code) || (multiPageFlag && IsFlagControlledTiff(code)) ? TRUE : FALSE;
    }
    TW_TRACE_RESULT(L"UsesMultiPageTiff", result);
    return result;
}

}  // namespace tw
