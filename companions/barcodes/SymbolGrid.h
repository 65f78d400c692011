#pragma once
// A symbol as zint encodes it: rows of dark and light modules, each row with its height in
// module widths. The four barcode libraries make one and hand it to SymbolRaster.
#include <cstdint>
#include <string>
#include <vector>

namespace barcodes {

struct SymbolGrid {
    int rows = 0, columns = 0;
    std::vector<uint8_t> dark;     // rows x columns, 1 for a dark module
    std::vector<int> rowHeights;   // per row, in module widths (1 for square modules)
    bool Dark(int row, int column) const { return dark[static_cast<size_t>(row) * columns + column] != 0; }
};

// What zint is asked for.
struct SymbolRequest {
    int symbology = 0;      // zint's BARCODE_ number
    int option1 = -1, option2 = 0, option3 = 0;
    bool utf8 = false;      // the value is UTF-8 text, marked as such in the symbol (ECI 26)
    bool gs1 = false;
    std::string value;      // bytes as given
};

// Encodes the request. Returns one of the libraries' err values (kBarcodeOk on success); a
// one-dimensional symbology's refusal is kBarcodeInvalidValue, a two-dimensional one's
// kBarcodeCannotEncode.
int EncodeSymbol(const SymbolRequest& request, bool oneDimensional, SymbolGrid& grid);

}  // namespace barcodes
