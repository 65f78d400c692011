#pragma once
// The Save-As answers the option resolvers read, by their row in the dialog's tables, and the
// rules of the values that have one. The printer settings they fall back to are named in
// SettingsNames.h.
#include <windows.h>

#include <string_view>

#include "job/SaveAsOptions.h"

namespace tw::saveas {

// Rows of settings::kSaveAsDwordOptions.
inline constexpr int kFileFormat = 0;
inline constexpr int kOpenWithViewer = 1;
inline constexpr int kOpenOutputFolder = 2;
inline constexpr int kSeparateFiles = 3;
inline constexpr int kAppendFile = 4;
inline constexpr int kColorDepth = 8;
inline constexpr int kLossRatio = 9;
inline constexpr int kInternetTiff = 10;
inline constexpr int kReverseBitOrder = 11;
inline constexpr int kPageNumberTag = 12;
inline constexpr int kHtmlSeparatePages = 29;
inline constexpr int kRedirectPrinting = 36;
inline constexpr int kSendInEmail = 37;
inline constexpr int kUploadToSharePoint = 38;
inline constexpr int kPrintWatermark = 39;
inline constexpr int kWatermarkFirstPageOnly = 41;
inline constexpr int kWatermarkPPosition = 42;
inline constexpr int kWatermarkLPosition = 43;
inline constexpr int kWatermarkPFirstPosition = 44;
inline constexpr int kWatermarkLFirstPosition = 45;
inline constexpr int kFirstImageEnabled = 46;
inline constexpr int kWatermarkPBrightness = 47;
inline constexpr int kWatermarkLBrightness = 48;
inline constexpr int kWatermarkPFirstBrightness = 49;
inline constexpr int kWatermarkLFirstBrightness = 50;
inline constexpr int kEnableOcr = 71;
inline constexpr int kUseNumberOfCopies = 96;
inline constexpr int kNumberOfCopies = 97;
inline constexpr int kCollatePages = 98;
inline constexpr int kPrintImageWatermark = 102;
inline constexpr int kPrintAsBitmap = 104;

// Rows of settings::kSaveAsTextOptions.
inline constexpr int kOutputPath = 0;
inline constexpr int kWatermarkPortraitImage = 37;
inline constexpr int kWatermarkLandscapeImage = 38;
inline constexpr int kWatermarkPortraitFirstImage = 39;
inline constexpr int kWatermarkLandscapeFirstImage = 40;
inline constexpr int kContentBasedEmail = 53;
inline constexpr int kSimpleContentBasedEmail = 54;
inline constexpr int kMultipageContentBasedEmail = 55;

// The rows must name what the resolvers mean by them.
constexpr bool DwordRowIs(int row, std::wstring_view name) { return settings::kSaveAsDwordOptions[row] == name; }
constexpr bool TextRowIs(int row, std::wstring_view name) { return settings::kSaveAsTextOptions[row] == name; }
static_assert(DwordRowIs(kFileFormat, L"File Format"));
static_assert(DwordRowIs(kOpenWithViewer, L"Open printer document with default viewer"));
static_assert(DwordRowIs(kOpenOutputFolder, L"Open output folder"));
static_assert(DwordRowIs(kSeparateFiles, L"Save each page as separate file"));
static_assert(DwordRowIs(kAppendFile, L"Append File"));
static_assert(DwordRowIs(kColorDepth, L"Color Depth"));
static_assert(DwordRowIs(kLossRatio, L"JPEG: Loss Ratio"));
static_assert(DwordRowIs(kInternetTiff, L"TIFF: Internet TIFF Format"));
static_assert(DwordRowIs(kReverseBitOrder, L"TIFF: Reverse Bit Order"));
static_assert(DwordRowIs(kPageNumberTag, L"TIFF: Add page Numbering Tag"));
static_assert(DwordRowIs(kHtmlSeparatePages, L"HTML: General - Separate Pages"));
static_assert(DwordRowIs(kRedirectPrinting, L"Redirect Printing"));
static_assert(DwordRowIs(kSendInEmail, L"Send printed document in email"));
static_assert(DwordRowIs(kUploadToSharePoint, L"Upload to SharePoint"));
static_assert(DwordRowIs(kPrintWatermark, L"Print Watermark"));
static_assert(DwordRowIs(kWatermarkFirstPageOnly, L"Watermark Add first page only"));
static_assert(DwordRowIs(kWatermarkPPosition, L"Watermark P position"));
static_assert(DwordRowIs(kWatermarkLPosition, L"Watermark L position"));
static_assert(DwordRowIs(kWatermarkPFirstPosition, L"Watermark P First Image position"));
static_assert(DwordRowIs(kWatermarkLFirstPosition, L"Watermark L First Image position"));
static_assert(DwordRowIs(kFirstImageEnabled, L"Watermark First Image enabled"));
static_assert(DwordRowIs(kWatermarkPBrightness, L"Watermark P Brightness"));
static_assert(DwordRowIs(kWatermarkLBrightness, L"Watermark L Brightness"));
static_assert(DwordRowIs(kWatermarkPFirstBrightness, L"Watermark P First Brightness"));
static_assert(DwordRowIs(kWatermarkLFirstBrightness, L"Watermark L First Brightness"));
static_assert(DwordRowIs(kEnableOcr, L"Enable OCR"));
static_assert(DwordRowIs(kUseNumberOfCopies, L"Use number of copies"));
static_assert(DwordRowIs(kNumberOfCopies, L"Number of copies"));
static_assert(DwordRowIs(kCollatePages, L"Collate pages"));
static_assert(DwordRowIs(kPrintImageWatermark, L"Print Image Watermark"));
static_assert(DwordRowIs(kPrintAsBitmap, L"Redirect Printing Print as Bitmap"));
static_assert(TextRowIs(kOutputPath, L"Output Path"));
static_assert(TextRowIs(kWatermarkPortraitImage, L"Watermark Portrait Image"));
static_assert(TextRowIs(kWatermarkLandscapeImage, L"Watermark Landscape Image"));
static_assert(TextRowIs(kWatermarkPortraitFirstImage, L"Watermark Portrait First Image"));
static_assert(TextRowIs(kWatermarkLandscapeFirstImage, L"Watermark Landscape First Image"));
static_assert(TextRowIs(kContentBasedEmail, L"Content Based Email"));
static_assert(TextRowIs(kSimpleContentBasedEmail, L"Simple Content Based Email"));
static_assert(TextRowIs(kMultipageContentBasedEmail, L"Multipage Content Based Email"));

// The one text a switch the dialog stores as text counts as on with, compared exactly.
inline constexpr wchar_t kYes[] = L"Yes";
// Bytes read for such a switch, and for a path.
inline constexpr DWORD kYesBufferBytes = 200;
inline constexpr DWORD kPathBufferBytes = 520;

}  // namespace tw::saveas

namespace tw::optrule {
// Watermark brightness is a percentage; above it the picture gets the usual 40.
inline constexpr DWORD kMaxBrightness = 100;
inline constexpr DWORD kDefaultBrightness = 40;
// Placement code 4 (actual size, centred) is what no position means.
inline constexpr DWORD kDefaultPosition = 4;
}  // namespace tw::optrule
