#include "annotate/BarcodeOptions.h"

#include <cmath>

#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr double kTenthMmPerInch = 254.0;
constexpr double kHundredthsPerInch = 100.0;

constexpr const wchar_t* kErrorTexts[] = {
    L"No Error",
    L"Internal Error",
    L"Invalid barcode value",
    L"Regular expression file not found",
    L"Regular expression format file not found",
    L"Barcode value file not found",
};
constexpr wchar_t kUnknownError[] = L"Unknown Error";

template <size_t N>
void ReadBytes(const TarnwellDEVMODE& dm, size_t offset, BYTE (&out)[N]) {
    for (size_t i = 0; i < N; ++i) out[i] = dm.Read<BYTE>(offset + i);
}

int Align(BYTE alignment, int offset, int page, int size) {
    switch (alignment) {
    case kAlignAtOffset: return offset;
    case kAlignCentre: return offset + static_cast<int>(std::lround((page - size) / 2.0));
    case kAlignFar: return page - offset - size;
    default: return 0;
    }
}

}  // namespace

BarcodeOptions ReadBarcodeOptions(const TarnwellDEVMODE& dm) {
    BarcodeOptions o;
    o.flags = dm.Read<DWORD>(dmoff::BarcodeFlags);
    o.kind = dm.Read<BYTE>(dmoff::BarcodeKind);
    o.symbology = dm.Read<BYTE>(dmoff::BarcodeSymbology);
    o.horizontalAlignment = dm.Read<BYTE>(dmoff::BarcodeHorizontalAlignment);
    o.verticalAlignment = dm.Read<BYTE>(dmoff::BarcodeVerticalAlignment);
    o.xOffset = dm.Read<LONG>(dmoff::BarcodeXOffset);
    o.yOffset = dm.Read<LONG>(dmoff::BarcodeYOffset);
    o.rotation = dm.Read<BYTE>(dmoff::BarcodeRotation);
    o.offsetUnit = dm.Read<BYTE>(dmoff::BarcodeOffsetUnit);
    o.valueSource = dm.Read<BYTE>(dmoff::BarcodeValueSource);
    ReadBytes(dm, dmoff::BarcodeOneDParams, o.oneD);
    ReadBytes(dm, dmoff::BarcodeQRParams, o.qr);
    ReadBytes(dm, dmoff::BarcodeDataMatrixParams, o.dataMatrix);
    o.dataMatrixValue = dm.Read<WORD>(dmoff::BarcodeDataMatrixValue);
    ReadBytes(dm, dmoff::BarcodePDF417Params, o.pdf417);
    o.oneDMargin = dm.Read<WORD>(dmoff::BarcodeOneDMargin);
    return o;
}

bool BarcodeOnPage(const BarcodeOptions& o, bool insertedCoverPage, bool firstDocumentPage) {
    if (!o.Has(dmbarcode::Enabled)) return false;
    if (o.Has(dmbarcode::InsertedCoverPageOnly)) return insertedCoverPage;
    if (insertedCoverPage) return false;
    return !o.Has(dmbarcode::FirstPageOnly) || firstDocumentPage;
}

bool BarcodeNeedsPageText(const TarnwellDEVMODE& dm) {
    const BarcodeOptions o = ReadBarcodeOptions(dm);
    const auto source = static_cast<BarcodeSource>(o.valueSource);
    return o.Has(dmbarcode::Enabled) &&
           (source == BarcodeSource::RegularExpression || source == BarcodeSource::PageText);
}

int BarcodeOffsetPixels(LONG offset, BYTE unit, int dpi) {
    switch (unit) {
    case kUnitTenthMm: return static_cast<int>(std::floor(offset / kTenthMmPerInch * dpi + 0.5));
    case kUnitHundredthInch: return static_cast<int>(std::floor(offset / kHundredthsPerInch * dpi + 0.5));
    default: return offset;
    }
}

BarcodePlacement PlaceBarcode(const BarcodeOptions& o, int width, int height, int pageWidth, int pageHeight, int xDpi,
                              int yDpi, bool faxLandscape) {
    BarcodePlacement p;
    p.width = width;
    p.height = height;
    // A symbol of square modules stays square on a page whose two resolutions differ.
    if (xDpi != yDpi && xDpi > 0 && yDpi > 0) {
        if (faxLandscape) p.width = static_cast<int>(static_cast<double>(width) / yDpi * xDpi + 0.5);
        else p.height = static_cast<int>(static_cast<double>(height) / xDpi * yDpi + 0.5);
    }
    const int x = BarcodeOffsetPixels(o.xOffset, o.offsetUnit, xDpi);
    const int y = BarcodeOffsetPixels(o.yOffset, o.offsetUnit, yDpi);
    p.x = Align(o.horizontalAlignment, x, pageWidth, p.width);
    p.y = Align(o.verticalAlignment, y, pageHeight, p.height);
    return p;
}

std::wstring BarcodeErrorText(int code, const std::wstring& detail) {
    if (code < 0 || code >= static_cast<int>(std::size(kErrorTexts))) return kUnknownError;
    if (code == barcodeerr::kNone || detail.empty()) return kErrorTexts[code];
    return FormatW(L"%s (%s)", kErrorTexts[code], detail.c_str());
}

}  // namespace tw
