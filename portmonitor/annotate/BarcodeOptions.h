#pragma once
// The barcode settings of the DEVMODE, the arithmetic that places a symbol on the page, and the
// error table of the barcode writer.
#include <windows.h>

#include <string>

#include "portcmd/DevModeLayout.h"

namespace tw {

class TarnwellDEVMODE;

enum class BarcodeKind : BYTE { QR = 0, DataMatrix = 1, PDF417 = 2, OneD = 3 };
enum class BarcodeSource : BYTE { SettingsValue = 0, ValueFile = 1, RegularExpression = 2, PageText = 3 };

struct BarcodeOptions {
    DWORD flags = 0;
    BYTE kind = 0, symbology = 0, horizontalAlignment = 0, verticalAlignment = 0;
    LONG xOffset = 0, yOffset = 0;
    BYTE rotation = 0, offsetUnit = 0, valueSource = 0;
    BYTE oneD[kBarcodeOneDParams]{};
    BYTE qr[kBarcodeQRParams]{};
    BYTE dataMatrix[kBarcodeDataMatrixParams]{};
    WORD dataMatrixValue = 0;
    BYTE pdf417[kBarcodePDF417Params]{};
    WORD oneDMargin = 0;
    bool Has(DWORD flag) const { return (flags & flag) != 0; }
};

BarcodeOptions ReadBarcodeOptions(const TarnwellDEVMODE& dm);

// Whether the page gets the barcode: only with the switch on; with the inserted-cover-page bit
// only on the inserted cover page; with the first-page bit only on the document's first page;
// otherwise on every page but the inserted cover page.
bool BarcodeOnPage(const BarcodeOptions& o, bool insertedCoverPage, bool firstDocumentPage);
// Whether the value comes from the page's text (sources 2 and 3).
bool BarcodeNeedsPageText(const TarnwellDEVMODE& dm);

// Alignments and offset units.
inline constexpr BYTE kAlignAtOffset = 0, kAlignCentre = 1, kAlignFar = 2;
inline constexpr BYTE kUnitPixels = 0, kUnitTenthMm = 1, kUnitHundredthInch = 2;

// Where a symbol of `width` x `height` pixels goes on a page of `pageWidth` x `pageHeight`.
struct BarcodePlacement {
    int x = 0, y = 0, width = 0, height = 0;
};
// `faxLandscape`: the page's rows are the fax's columns, so the width is what the resolutions rescale.
BarcodePlacement PlaceBarcode(const BarcodeOptions& o, int width, int height, int pageWidth, int pageHeight, int xDpi,
                              int yDpi, bool faxLandscape);
// An offset in pixels from its unit.
int BarcodeOffsetPixels(LONG offset, BYTE unit, int dpi);

// Error codes of the writer and their texts.
namespace barcodeerr {
inline constexpr int kNone = 0;
inline constexpr int kInternal = 1;
inline constexpr int kInvalidValue = 2;
inline constexpr int kPatternFileNotFound = 3;
inline constexpr int kFormatFileNotFound = 4;
inline constexpr int kValueFileNotFound = 5;
}  // namespace barcodeerr
// The text of an error, with its detail when there is one.
std::wstring BarcodeErrorText(int code, const std::wstring& detail);

// Settings of "%s\Barcode Settings".
namespace barcodeset {
inline constexpr wchar_t kValue[] = L"Value";
inline constexpr wchar_t kValueFile[] = L"Value File";
inline constexpr wchar_t kRegExpFile[] = L"RegExp File";
inline constexpr wchar_t kRegExpFormatFile[] = L"RegExp Format File";
// Where the five libraries are loaded from; by their bare names when empty.
inline constexpr wchar_t kLibraryDirectory[] = L"Library Directory";
inline constexpr size_t kMaxPathChars = 1024;
}  // namespace barcodeset

}  // namespace tw
