// The row callbacks of the TIFF and fax writers.
#include "twfile/TiffRows.h"

#include <cstring>

#include "twfile/BmpEncoding.h"

namespace tw {
namespace {

const BYTE* SourceRow(const RowSource& source, int rowIndex) {
    if (!source.bits || rowIndex < 0 || rowIndex >= source.height) return nullptr;
    return source.bits + static_cast<size_t>(source.height - 1 - rowIndex) * source.stride;
}

int Luma(const RGBQUAD& q) { return q.rgbRed * 299 + q.rgbGreen * 587 + q.rgbBlue * 114; }

}  // namespace

bool ViewDib(const BYTE* dib, size_t size, DibView& view) {
    DibLayout layout;
    if (!dib || MeasurePackedDib(dib, size, layout) != DibCheck::Ok) return false;
    view.header = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
    view.palette = reinterpret_cast<const RGBQUAD*>(dib + kDibHeaderSize);
    view.paletteEntries = layout.paletteEntries;
    view.bits = dib + kDibHeaderSize + layout.paletteEntries * sizeof(RGBQUAD);
    view.width = view.header->biWidth;
    view.height = view.header->biHeight;
    view.bitCount = view.header->biBitCount;
    view.stride = layout.rowBytes;
    return true;
}

bool InkIsZero(const DibView& view) {
    if (view.paletteEntries < 2) return true;
    return Luma(view.palette[0]) < Luma(view.palette[1]);
}

RowSource MonochromeRows(const DibView& view) {
    RowSource source{view.bits, view.height, view.width, view.stride, view.stride, InkIsZero(view)};
    return source;
}

RowSource CopiedRows(const DibView& view) {
    return {view.bits, view.height, view.width, view.stride, view.stride, !InkIsZero(view)};
}

RowSource PaletteRows(const DibView& view) {
    const DWORD packed = (static_cast<DWORD>(view.bitCount) * static_cast<DWORD>(view.width) + 7) / 8;
    return {view.bits, view.height, view.width, view.stride, packed, false};
}

RowSource RgbRows(const DibView& view) {
    const DWORD packed = ((24 * static_cast<DWORD>(view.width) + 15) / 16) * 2;
    return {view.bits, view.height, view.width, view.stride, packed, false};
}

int WINAPI MonochromeRowProc(BYTE* row, int rowIndex, void* params) {
    const RowSource& source = *static_cast<const RowSource*>(params);
    const BYTE* from = SourceRow(source, rowIndex);
    if (!from || !row) return TIFF_ROW_END;
    if (source.invert) {
        // The count is read once: a byte store may alias `source`, which would stop the loop
        // from being vectorised.
        const DWORD bytes = source.rowBytes;
        for (DWORD i = 0; i < bytes; ++i) row[i] = static_cast<BYTE>(~from[i]);
    } else {
        std::memcpy(row, from, source.rowBytes);
    }
    return TIFF_ROW_OK;
}

int WINAPI PaletteRowProc(BYTE* row, int rowIndex, void* params) {
    const RowSource& source = *static_cast<const RowSource*>(params);
    const BYTE* from = SourceRow(source, rowIndex);
    if (!from || !row) return TIFF_ROW_END;
    std::memcpy(row, from, source.rowBytes);
    return TIFF_ROW_OK;
}

int WINAPI RgbRowProc(BYTE* row, int rowIndex, void* params) {
    const RowSource& source = *static_cast<const RowSource*>(params);
    const BYTE* from = SourceRow(source, rowIndex);
    if (!from || !row) return TIFF_ROW_END;
    for (LONG x = 0; x < source.width; ++x) {
        row[3 * x] = from[3 * x + 2];
        row[3 * x + 1] = from[3 * x + 1];
        row[3 * x + 2] = from[3 * x];
    }
    return TIFF_ROW_OK;
}

}  // namespace tw
