#pragma once
// The OCR subsystem's texts: its error table, log lines and the hOCR document frame.
#include <windows.h>

namespace tw::ocrtext {

// Indexed by the error code.
inline constexpr const wchar_t* kErrors[] = {
    L"No Error",
    L"Internal error, invalid parameters",
    L"Output filename is not set",
    L"Path to the OCR DLL is not set",
    L"Could not load OCR DLL",
    L"Could not load functions form the OCR DLL",
    L"Could not save output file",
    L"OCR language is not set",
    L"Could not select page area (crop failed)",
    L"OCR DLL returned an error",
};
inline constexpr int kErrorCount = static_cast<int>(sizeof(kErrors) / sizeof(kErrors[0]));
inline constexpr wchar_t kErrorNumberOnly[] = L"%d";
inline constexpr wchar_t kErrorWithDetail[] = L"%d: %s (%s)";
inline constexpr wchar_t kErrorWithoutDetail[] = L"%d: %s";

// Details.
inline constexpr wchar_t kWindowsError[] = L"Error code from windows: %d";
inline constexpr wchar_t kLibraryError[] = L"Error code from the OCR DLL: %d";
inline constexpr wchar_t kNoText[] = L"The OCR DLL returned no text";
inline constexpr wchar_t kInvalidParameters[] = L"Invalid parameters";
inline constexpr wchar_t kCouldNotWrite[] = L"Could not write file";
inline constexpr wchar_t kCouldNotOpen[] = L"Could not open file";
inline constexpr wchar_t kPageTooLarge[] = L"Page of %ld x %ld pixels is too large to recognise";

// Log lines.
inline constexpr wchar_t kLogNoPath[] = L"COCR::LoadDll: Could not get the path to the TwOCR.dll";
inline constexpr wchar_t kLogDoubleFailed[] = L"COCR::RunOCR: DoubleDibSizeForOcr failed";
inline constexpr wchar_t kLogThresholdFailed[] = L"COCR::RunOCR: DitherThreshold failed";
inline constexpr wchar_t kLogClosingFailed[] = L"COCR::RunOCR: BinaryClosing failed";

// The library's entry points.
inline constexpr char kRecogniseEntry[] = "OCRDIBW";
inline constexpr char kRecogniseExEntry[] = "OCRDIBExW";
inline constexpr char kFreeTextEntry[] = "TwOCRFreeTextW";

// Output files.
inline constexpr wchar_t kFilePrefix[] = L"Cannot write OCR output file: ";
inline constexpr wchar_t kPageHeader[] = L"\r\nPage %d:\r\n\r\n";
inline constexpr wchar_t kPageSeparator[] = L"\r\n";
inline constexpr wchar_t kBitmapName[] = L"%s%0.6d.bmp";
// The monitor names the page image in every hOCR page: title='image "<file>";
inline constexpr wchar_t kUnnamedImage[] = L"title='image \"\";";
inline constexpr wchar_t kImageBefore[] = L"title='image \"";
inline constexpr wchar_t kImageAfter[] = L"\";";

// The hOCR document around the pages; %s is the document title (escaped).
inline constexpr wchar_t kHocrPrologue[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    L"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"\r\n"
    L"    \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
    L"<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"en\" lang=\"en\">\r\n"
    L" <head>\r\n"
    L"  <title>%s</title>\r\n"
    L"  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=utf-8\" />\r\n"
    L"  <meta name='ocr-system' content='tesseract 3.04' />\r\n"
    L"  <meta name='ocr-capabilities' content='ocr_page ocr_carea ocr_par ocr_line ocrx_word'/>\r\n"
    L" </head>\r\n"
    L" <body>\r\n";
inline constexpr wchar_t kHocrEpilogue[] = L" </body>\r\n</html>\r\n";

}  // namespace tw::ocrtext
