// TuBwP417r.dll: PDF417 and compact PDF417 symbols.
#include "ExportSupport.h"
#include "zint.h"

namespace {

using namespace barcodes;

constexpr int kAutomaticEcc = 9;  // levels 0 to 8, or 9: chosen by the value's length
constexpr int kMaxColumns = 30;
constexpr int kMaxRows = 90;
constexpr int kStandardRowHeight = 3;  // module widths, row height '0'

bool Prepare(const char* value, int length, int compact, int columns, int rows, int eccLevel, int moduleWidth,
             int rowHeight, int x, int y, int rotation, int quietZone, SymbolRequest& request, RasterLayout& layout,
             int* err) {
    if (const int rc = ReadValue(value, length, request.value, kBarcodeCannotEncode); rc != kBarcodeOk) {
        Report(err, rc);
        return false;
    }
    if (!InRange(columns, 0, kMaxColumns) || !InRange(rows, 0, kMaxRows) || (rows != 0 && rows < 3) ||
        !InRange(eccLevel, 0, kAutomaticEcc) || !InRange(moduleWidth, 1, kMaxModulePixels) ||
        !InRange(rowHeight, '0', '9') || !InRange(rotation, 0, 3) ||
        !InRange(quietZone * moduleWidth, 0, kMaxQuietPixels) || quietZone < 0) {
        Report(err, kBarcodeBadParameter);
        return false;
    }
    request.symbology = compact ? BARCODE_PDF417COMP : BARCODE_PDF417;
    request.option1 = eccLevel == kAutomaticEcc ? -1 : eccLevel;
    request.option2 = columns;
    request.option3 = rows;
    const int heightModules = rowHeight == '0' ? kStandardRowHeight : rowHeight - '0';
    layout = SquareModuleLayout(moduleWidth, quietZone * moduleWidth, rotation, x, y);
    layout.barHeight = heightModules * moduleWidth;
    return true;
}

}  // namespace

extern "C" {

// 1 with the last column and row of the symbol in `width` and `height`, 0 on failure.
__declspec(dllexport) int WINAPI pdrel_GetPDF417Size(HGLOBAL, const char* value, int length, int compact,
                                                     int columns, int rows, int eccLevel, int moduleWidth,
                                                     int rowHeight, int x, int y, int rotation, int quietZone,
                                                     int* width, int* height, int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(value, length, compact, columns, rows, eccLevel, moduleWidth, rowHeight, x, y, rotation, quietZone,
                 request, layout, err))
        return 0;
    SymbolGrid grid;
    int w = 0, h = 0;
    if (!Measure(request, false, layout, grid, w, h, err)) return 0;
    if (width) *width = w - 1;
    if (height) *height = h - 1;
    return 1;
}

__declspec(dllexport) HGLOBAL WINAPI pdrel_WritePDF417Barcode(HGLOBAL bitmap, const char* value, int length,
                                                              int compact, int columns, int rows, int eccLevel,
                                                              int moduleWidth, int rowHeight, int x, int y,
                                                              int rotation, int quietZone, int*, int*, int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(value, length, compact, columns, rows, eccLevel, moduleWidth, rowHeight, x, y, rotation, quietZone,
                 request, layout, err))
        return nullptr;
    return Draw(bitmap, request, false, layout, err);
}

}  // extern "C"
