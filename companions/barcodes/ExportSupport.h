#pragma once
// What the four libraries' exports share: reading the caller's value, reporting through `err`,
// and the size and drawing steps around a SymbolRequest.
#include <windows.h>

#include <cstring>
#include <string>

#include "BarcodeLibraries.h"
#include "SymbolGrid.h"
#include "SymbolRaster.h"

namespace barcodes {

// Values longer than this are refused before zint sees them (no symbol holds more).
inline constexpr int kMaxValueBytes = 8192;

// The caller's bytes: `length` of them, or up to the NUL when `length` is negative. kBarcodeOk,
// kBarcodeEmptyValue for none, or `tooLong` for more than any symbol holds.
inline int ReadValue(const char* value, int length, std::string& out, int tooLong) {
    if (!value || length == 0) return kBarcodeEmptyValue;
    const size_t n = length < 0 ? strnlen(value, kMaxValueBytes + 1) : static_cast<size_t>(length);
    if (n > static_cast<size_t>(kMaxValueBytes)) return tooLong;
    out.assign(value, n);
    return out.empty() ? kBarcodeEmptyValue : kBarcodeOk;
}

inline void Report(int* err, int value) {
    if (err) *err = value;
}

// Encodes and measures; false with `err` set on failure.
inline bool Measure(const SymbolRequest& request, bool oneDimensional, const RasterLayout& layout, SymbolGrid& grid,
                    int& width, int& height, int* err) {
    int rc = EncodeSymbol(request, oneDimensional, grid);
    if (rc == kBarcodeOk) rc = SymbolPixels(grid, layout, width, height);
    Report(err, rc);
    return rc == kBarcodeOk;
}

// Encodes and draws into a copy of `bitmap`; null with `err` set on failure.
inline HGLOBAL Draw(HGLOBAL bitmap, const SymbolRequest& request, bool oneDimensional, const RasterLayout& layout,
                    int* err) {
    SymbolGrid grid;
    int width = 0, height = 0;
    if (!Measure(request, oneDimensional, layout, grid, width, height, err)) return nullptr;
    int rc = kBarcodeOk;
    HGLOBAL out = DrawSymbol(bitmap, grid, layout, rc);
    Report(err, rc);
    return out;
}

inline bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Ranges of the pixel parameters.
inline constexpr int kMaxModulePixels = 200;
inline constexpr int kMaxQuietPixels = 2000;

}  // namespace barcodes
