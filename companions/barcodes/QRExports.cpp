// TuBwQRr.dll: QR codes.
#include "ExportSupport.h"
#include "zint.h"

namespace {

using namespace barcodes;

constexpr int kMinEcc = 1, kMaxEcc = 4;  // L, M, Q, H

// The request and layout of the parameters; false when one is out of range.
bool Prepare(const char* value, int length, int moduleSize, int quietZone, int eccLevel, int rotation, int x, int y,
             SymbolRequest& request, RasterLayout& layout, int* err) {
    if (const int rc = ReadValue(value, length, request.value, kBarcodeCannotEncode); rc != kBarcodeOk) {
        Report(err, rc);
        return false;
    }
    if (!InRange(moduleSize, 1, kMaxModulePixels) || !InRange(quietZone, 0, kMaxQuietPixels) ||
        !InRange(eccLevel, kMinEcc, kMaxEcc) || !InRange(rotation, 0, 3)) {
        Report(err, kBarcodeBadParameter);
        return false;
    }
    request.symbology = BARCODE_QRCODE;
    request.option1 = eccLevel;
    request.utf8 = true;
    layout = SquareModuleLayout(moduleSize, quietZone, rotation, x, y);
    return true;
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI pdrel_GetQRSize(const char* value, int length, int moduleSize, int quietZone,
                                                 int eccLevel, int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(value, length, moduleSize, quietZone, eccLevel, 0, 0, 0, request, layout, err)) return 0;
    SymbolGrid grid;
    int width = 0, height = 0;
    return Measure(request, false, layout, grid, width, height, err) ? width : 0;
}

__declspec(dllexport) HGLOBAL WINAPI pdrel_WriteQR(HGLOBAL bitmap, const char* value, int length, int moduleSize,
                                                   int x, int y, int rotation, int quietZone, int eccLevel, int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(value, length, moduleSize, quietZone, eccLevel, rotation, x, y, request, layout, err)) return nullptr;
    return Draw(bitmap, request, false, layout, err);
}

}  // extern "C"
