#include <gtest/gtest.h>

#include <string>

#include "twfile/FileFormats.h"

namespace {

struct Expected {
    DWORD code;
    const wchar_t* name;
    const wchar_t* lower;
    const wchar_t* upper;
    const wchar_t* writer;
    const wchar_t* memoryWriter;
};

// The whole table, row by row, written out independently of the production table.
const Expected kRows[] = {
    {0, L"BMP", L"bmp", L"BMP", L"CBlBMPFile", L"CBlMemBMPFile"},
    {1, L"PCX", L"pcx", L"PCX", L"CBlPCXFile", L"CBlPCXFile"},
    {2, L"DCX", L"dcx", L"DCX", L"CBlDCXFile", L"CBlDCXFile"},
    {3, L"TIFF Uncompressed", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {4, L"TIFF Group 3 1D", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {5, L"TIFF Group 3 1D No EOL", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {6, L"TIFF Group 3 2D", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {7, L"TIFF Group 4", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {8, L"TIFF Packed", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {9, L"TIFF LZW", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {10, L"TIFF JPEG", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {11, L"CALS", L"cg4", L"CG4", L"CBlCALSFile", L"CBlCALSFile"},
    {12, L"RAW TIFF Group 3 1D", L"raw", L"RAW", L"CBlRawFaxFile", L"CBlRawFaxFile"},
    {13, L"RAW TIFF Group 3 1D No EOL", L"raw", L"RAW", L"CBlRawFaxFile", L"CBlRawFaxFile"},
    {14, L"RAW TIFF Group 3 2D", L"raw", L"RAW", L"CBlRawFaxFile", L"CBlRawFaxFile"},
    {15, L"RAW TIFF Group 4", L"raw", L"RAW", L"CBlRawFaxFile", L"CBlRawFaxFile"},
    {16, L"JPEG", L"jpg", L"JPG", L"CBlJPEGFile", L"CBlJPEGFile"},
    {17, L"JPEG L*a*b", L"jpg", L"JPG", L"CBlJPEGLabFile", L"CBlJPEGLabFile"},
    {18, L"Extended Metafile", L"emf", L"EMF", L"CBlEMFFile", L"CBlMemEMFFile"},
    {19, L"Unknown file format", L"mca", L"MCA", L"CBlIOCAFile", L"CBlIOCAFile"},
    {20, L"PDF version 1.4 (Image)", L"pdf", L"PDF", nullptr, nullptr},
    {21, L"TIFF for Dialogic boards", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {22, L"TIFF for NMS boards", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {23, L"TIFF for Gammalink boards", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {24, L"PNG", L"png", L"PNG", L"CBlPNGFile", L"CBlPNGFile"},
    {25, L"GIF", L"gif", L"GIF", L"CBlGIFFile", L"CBlGIFFile"},
    {26, L"HTML with GIF", L"htm", L"HTM", L"CBlHTMLGIFFile", L"CBlHTMLGIFFile"},
    {27, L"HTML with PNG", L"htm", L"HTM", L"CBlHTMLPNGFile", L"CBlHTMLPNGFile"},
    {28, L"HTML with JPEG", L"htm", L"HTM", L"CBlHTMLJPEGFile", L"CBlHTMLJPEGFile"},
    {29, L"HTML with BMP", L"htm", L"HTM", L"CBlHTMLBMPFile", L"CBlHTMLBMPFile"},
    {30, L"TIFF for CISCO", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {31, L"XML with GIF", L"gif", L"GIF", L"CBlGIFFile", L"CBlGIFFile"},
    {32, L"XML with PNG", L"png", L"PNG", L"CBlPNGFile", L"CBlPNGFile"},
    {33, L"XML with JPEG", L"jpg", L"JPG", L"CBlJPEGFile", L"CBlJPEGFile"},
    {34, L"XML with BMP", L"bmp", L"BMP", L"CBlBMPFile", L"CBlMemBMPFile"},
    {35, L"XML with PDF v 1.4 (Image)", L"pdf", L"PDF", nullptr, nullptr},
    {36, L"PDF version 1.4", L"pdf", L"PDF", nullptr, nullptr},
    {37, L"HTML", L"htm", L"HTM", nullptr, nullptr},
    {38, L"PDF/A", L"pdf", L"PDF", nullptr, nullptr},
    {39, L"XML", L"xml", L"XML", nullptr, nullptr},
    {40, L"Compact PDF", L"pdf", L"PDF", nullptr, nullptr},
    {41, L"Compact PDF", L"pdf", L"PDF", nullptr, nullptr},
    {42, L"TIFF Group 4", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {43, L"TIFF Group 4", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {44, L"TIFF Group 3 1D", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {45, L"TIFF Group 3 1D", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {46, L"TIFF Uncompressed", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
    {47, L"TIFF Uncompressed", L"tif", L"TIF", L"CBlTIFFFile", L"CBlMemTIFFFile"},
};

std::wstring OrNone(const wchar_t* s) { return s ? s : L"(none)"; }

TEST(FileFormats, EveryCodeMatchesTheTable) {
    for (const Expected& row : kRows) {
        SCOPED_TRACE(row.code);
        EXPECT_TRUE(tw::IsKnownFormat(row.code));
        EXPECT_EQ(tw::FileFormat(row.code).code, row.code);
        EXPECT_STREQ(tw::FormatName(row.code), row.name);
        EXPECT_STREQ(tw::FormatExtension(row.code, false), row.lower);
        EXPECT_STREQ(tw::FormatExtension(row.code, true), row.upper);
        EXPECT_EQ(OrNone(tw::FormatWriterName(row.code, false)), OrNone(row.writer));
        EXPECT_EQ(OrNone(tw::FormatWriterName(row.code, true)), OrNone(row.memoryWriter));
        EXPECT_EQ(tw::FormatHasWriter(row.code), row.writer ? TRUE : FALSE);
    }
}

TEST(FileFormats, CodesOutsideTheTableAreUnknownTemporaryFiles) {
    for (DWORD code : {48u, 49u, 100u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(tw::IsKnownFormat(code));
        EXPECT_STREQ(tw::FormatName(code), L"Unknown file format");
        EXPECT_STREQ(tw::FormatExtension(code, false), L"tmp");
        EXPECT_STREQ(tw::FormatExtension(code, true), L"TMP");
        EXPECT_EQ(tw::FormatWriterName(code, false), nullptr);
        EXPECT_EQ(tw::FormatWriterName(code, true), nullptr);
        EXPECT_FALSE(tw::FormatHasWriter(code));
    }
}

TEST(FileFormats, NamedCodesPointAtTheirRows) {
    EXPECT_STREQ(tw::FormatName(tw::kFormatBmp), L"BMP");
    EXPECT_STREQ(tw::FormatWriterName(tw::kFormatMoDcaIoca, false), L"CBlIOCAFile");
    EXPECT_STREQ(tw::FormatWriterName(tw::kFormatHtmlBmp, false), L"CBlHTMLBMPFile");
    EXPECT_STREQ(tw::FormatWriterName(tw::kFormatXmlBmp, false), L"CBlBMPFile");
}

TEST(FileFormats, MultiPageTiffOnlyForTiffCodesOutsideMemoryMode) {
    // Flag-controlled codes follow the job's multi-page flag.
    for (DWORD code : {3u, 7u, 10u, 21u, 23u, 30u}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(tw::UsesMultiPageTiff(code, false, true));
        EXPECT_FALSE(tw::UsesMultiPageTiff(code, false, false));
        EXPECT_FALSE(tw::UsesMultiPageTiff(code, true, true));
    }
    // The even variants are multi-page regardless; the odd ones never are.
    for (DWORD code : {42u, 44u, 46u}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(tw::UsesMultiPageTiff(code, false, false));
        EXPECT_FALSE(tw::UsesMultiPageTiff(code, true, false));
        EXPECT_FALSE(tw::UsesMultiPageTiff(code + 1, false, true));
    }
    // Neighbours and other formats never use it, not even raw fax.
    for (DWORD code : {0u, 2u, 11u, 12u, 15u, 20u, 24u, 29u, 31u, 41u, 48u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(tw::UsesMultiPageTiff(code, false, true));
    }
}

}  // namespace
