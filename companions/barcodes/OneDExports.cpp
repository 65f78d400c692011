// TuBrw1Dr.dll: one-dimensional barcodes of the symbologies in the code table below.
#include "ExportSupport.h"
#include "zint.h"

namespace {

using namespace barcodes;

// The library's symbology codes (README.md). `withCheck` is the zint symbology for a value that
// already carries its check digit, and `digits`/`checkedDigits` the lengths each takes (0: any).
struct Symbology {
    int code;
    int zint;
    int withCheck;
    size_t digits, checkedDigits;
    bool optionalCheck;  // the check-digit flag adds a check character
};
constexpr Symbology kSymbologies[] = {
    {0, BARCODE_CODE39, 0, 0, 0, true},      {1, BARCODE_EXCODE39, 0, 0, 0, true},
    {2, BARCODE_CODE128, 0, 0, 0, false},    {3, BARCODE_EANX, BARCODE_EANX_CHK, 12, 13, false},
    {4, BARCODE_UPCA, BARCODE_UPCA_CHK, 11, 12, false}, {5, BARCODE_C25INTER, 0, 0, 0, true},
    {6, BARCODE_CODABAR, 0, 0, 0, true},     {7, BARCODE_CODE93, 0, 0, 0, false},
    {8, BARCODE_EANX, BARCODE_EANX_CHK, 7, 8, false},   {9, BARCODE_UPCE, BARCODE_UPCE_CHK, 7, 8, false},
};
constexpr int kBarHeightUnit = 10;  // the height parameter counts tens of module widths
constexpr int kMaxHeightTens = 100;
constexpr int kMaxQuietModules = 100;
// Rotation codes: none, half a turn, a quarter clockwise, three quarters.
constexpr int kQuarterTurns[] = {0, 2, 1, 3};
// Which value of the rectangle gives the bars' length: the fourth when they stand upright.
constexpr int kRectUpright = 3, kRectLying = 2;

const Symbology* FindSymbology(int code) {
    for (const Symbology& s : kSymbologies)
        if (s.code == code) return &s;
    return nullptr;
}

bool AllDigits(const std::string& s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool Prepare(int symbology, const int* rect, const char* value, int rotationCode, int checkDigit, int moduleWidth,
             int heightTens, int quietZone, int verticalQuiet, SymbolRequest& request, RasterLayout& layout, int* err) {
    if (const int rc = ReadValue(value, -1, request.value, kBarcodeInvalidValue); rc != kBarcodeOk) {
        Report(err, rc);
        return false;
    }
    const Symbology* s = FindSymbology(symbology);
    if (!s || !InRange(rotationCode, 0, 3) || !InRange(moduleWidth, 1, kMaxModulePixels) ||
        !InRange(heightTens, 1, kMaxHeightTens) || !InRange(quietZone, 0, kMaxQuietModules) ||
        !InRange(verticalQuiet, 0, kMaxQuietModules)) {
        Report(err, kBarcodeBadParameter);
        return false;
    }
    request.symbology = s->zint;
    if (s->digits) {
        // Retail codes take their digits without the check digit, or with it (then verified).
        const size_t n = request.value.size();
        if (!AllDigits(request.value) || (n != s->digits && n != s->checkedDigits)) {
            Report(err, kBarcodeInvalidValue);
            return false;
        }
        if (n == s->checkedDigits) request.symbology = s->withCheck;
    }
    if (s->optionalCheck && checkDigit) request.option2 = 1;
    layout.quarterTurns = kQuarterTurns[rotationCode];
    layout.moduleWidth = layout.moduleHeight = moduleWidth;
    layout.quietX = quietZone * moduleWidth;
    layout.quietY = verticalQuiet * moduleWidth;
    const int given = rect ? rect[layout.quarterTurns % 2 ? kRectLying : kRectUpright] : 0;
    const long long height = given > 0 ? given + 1LL : static_cast<long long>(heightTens) * kBarHeightUnit * moduleWidth;
    if (height > kMaxSymbolSide) {
        Report(err, kBarcodeTooLarge);
        return false;
    }
    layout.barHeight = static_cast<int>(height);
    return true;
}

}  // namespace

extern "C" {

// 1 with the last column and row of the symbol in `width` and `height`, 0 on failure.
__declspec(dllexport) int WINAPI pdrel_GetBarCodeSize(HGLOBAL, int symbology, const int* rect, const char* value,
                                                      int rotationCode, int checkDigit, int moduleWidth,
                                                      int heightTens, int quietZone, int verticalQuiet, int,
                                                      int* width, int* height, int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(symbology, rect, value, rotationCode, checkDigit, moduleWidth, heightTens, quietZone, verticalQuiet,
                 request, layout, err))
        return 0;
    SymbolGrid grid;
    int w = 0, h = 0;
    if (!Measure(request, true, layout, grid, w, h, err)) return 0;
    if (width) *width = w - 1;
    if (height) *height = h - 1;
    return 1;
}

__declspec(dllexport) HGLOBAL WINAPI pdrel_WriteBarCodeToRectangle(HGLOBAL bitmap, int symbology, const int* rect,
                                                                   const char* value, int rotationCode,
                                                                   int checkDigit, int moduleWidth, int heightTens,
                                                                   int quietZone, int verticalQuiet, int, int*, int*,
                                                                   int* err) {
    SymbolRequest request;
    RasterLayout layout;
    if (!Prepare(symbology, rect, value, rotationCode, checkDigit, moduleWidth, heightTens, quietZone, verticalQuiet,
                 request, layout, err))
        return nullptr;
    return Draw(bitmap, request, true, layout, err);
}

}  // extern "C"
