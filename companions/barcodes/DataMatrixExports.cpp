// TuBwDMr.dll: DataMatrix (ECC 200) symbols.
#include "ExportSupport.h"
#include "zint.h"

namespace {

using namespace barcodes;

constexpr int kShapeAny = 0, kShapeSquare = 1;
constexpr BYTE kPlainData = 1, kGs1Data = 2;
constexpr WORD kMaxSymbolSize = 30;
constexpr DataMatrixBlock kDefaultBlock{2, kPlainData, 0};

bool Prepare(const char* value, int length, int moduleSize, int x, int y, int rotation, int shape,
             const DataMatrixBlock* block, SymbolRequest& request, RasterLayout& layout, int* err) {
    // The length counts the value's terminating NUL.
    if (const int rc = ReadValue(value, length, request.value, kBarcodeCannotEncode); rc != kBarcodeOk) {
        Report(err, rc);
        return false;
    }
    if (length > 0 && request.value.back() == '\0') request.value.pop_back();
    if (request.value.empty()) {
        Report(err, kBarcodeEmptyValue);
        return false;
    }
    const DataMatrixBlock b = block ? *block : kDefaultBlock;
    if (!InRange(moduleSize, 1, kMaxModulePixels) || !InRange(rotation, 0, 3) ||
        (shape != kShapeAny && shape != kShapeSquare) || (b.options != kPlainData && b.options != kGs1Data) ||
        b.symbolSize > kMaxSymbolSize || b.quietZone * moduleSize > kMaxQuietPixels) {
        Report(err, kBarcodeBadParameter);
        return false;
    }
    request.symbology = BARCODE_DATAMATRIX;
    request.option2 = b.symbolSize;
    request.option3 = shape == kShapeSquare ? DM_SQUARE : 0;
    request.gs1 = b.options == kGs1Data;
    request.utf8 = true;
    layout = SquareModuleLayout(moduleSize, b.quietZone * moduleSize, rotation, x, y);
    return true;
}

}  // namespace

extern "C" {

// The symbol's side less one; a rectangular symbol gets the square of its longer side.
__declspec(dllexport) int WINAPI pdrel_GetDataMatrixSize(HGLOBAL, const char* value, int length, int moduleSize,
                                                         int x, int y, int rotation, int shape,
                                                         const DataMatrixBlock* block, int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(value, length, moduleSize, x, y, rotation, shape, block, request, layout, err)) return 0;
    SymbolGrid grid;
    int width = 0, height = 0;
    if (!Measure(request, false, layout, grid, width, height, err)) return 0;
    return (width > height ? width : height) - 1;
}

__declspec(dllexport) HGLOBAL WINAPI pdrel_WriteDataMatrix(HGLOBAL bitmap, const char* value, int length,
                                                           int moduleSize, int x, int y, int rotation, int shape,
                                                           const DataMatrixBlock* block, int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(value, length, moduleSize, x, y, rotation, shape, block, request, layout, err)) return nullptr;
    return Draw(bitmap, request, false, layout, err);
}

}  // extern "C"
