#include "SymbolGrid.h"

#include <memory>

#include "BarcodeLibraries.h"
#include "zint.h"

namespace barcodes {
namespace {

constexpr int kEciUtf8 = 26;

struct SymbolDeleter {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
using UniqueSymbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
        if (extra == 9 || (extra == 1 && c < 0xC2) || i + extra >= s.size()) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

bool HasNonAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

}  // namespace

int EncodeSymbol(const SymbolRequest& request, bool oneDimensional, SymbolGrid& grid) {
    if (request.value.empty()) return kBarcodeEmptyValue;
    UniqueSymbol symbol(ZBarcode_Create());
    if (!symbol) return kBarcodeNoMemory;
    symbol->symbology = request.symbology;
    symbol->option_1 = request.option1;
    symbol->option_2 = request.option2;
    symbol->option_3 = request.option3;
    symbol->input_mode = request.gs1 ? GS1_MODE : DATA_MODE;
    // UTF-8 text is said to be UTF-8 in the symbol, so that readers need not guess.
    if (request.utf8 && HasNonAscii(request.value) && ValidUtf8(request.value)) {
        symbol->input_mode = UNICODE_MODE;
        symbol->eci = kEciUtf8;
    }
    const int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(request.value.data()),
                                   static_cast<int>(request.value.size()));
    if (rc >= ZINT_ERROR) {
        if (rc == ZINT_ERROR_MEMORY) return kBarcodeNoMemory;
        if (rc == ZINT_ERROR_INVALID_OPTION) return kBarcodeBadParameter;
        return oneDimensional ? kBarcodeInvalidValue : kBarcodeCannotEncode;
    }
    if (symbol->rows <= 0 || symbol->width <= 0) return oneDimensional ? kBarcodeInvalidValue : kBarcodeCannotEncode;
    grid.rows = symbol->rows;
    grid.columns = symbol->width;
    grid.dark.assign(static_cast<size_t>(grid.rows) * grid.columns, 0);
    grid.rowHeights.assign(grid.rows, 1);
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.columns; ++c)
            grid.dark[static_cast<size_t>(r) * grid.columns + c] = (symbol->encoded_data[r][c >> 3] >> (c & 7)) & 1;
        const float h = symbol->row_height[r];
        grid.rowHeights[r] = h >= 1.0f ? static_cast<int>(h + 0.5f) : 1;
    }
    return kBarcodeOk;
}

}  // namespace barcodes
