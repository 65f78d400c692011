// Counted arrays of EMF records checked against the record's size.
#include "emfimage/EmfArrayRecords.h"

#include <cstring>

namespace tw {
namespace {

constexpr ULONGLONG kPointL = 8, kPointS = 4, kCount = 4, kPaletteEntry = 4;
constexpr ULONGLONG kRectBytes = 16;
constexpr ULONGLONG kTriangleMesh = 12, kRectMesh = 8;

DWORD ReadDword(const BYTE* record, size_t offset) {
    DWORD v;
    std::memcpy(&v, record + offset, sizeof(v));
    return v;
}

WORD ReadWord(const BYTE* record, size_t offset) {
    WORD v;
    std::memcpy(&v, record + offset, sizeof(v));
    return v;
}

// `count` entries of `unit` bytes from `offset`; 64-bit sums of 32-bit fields cannot wrap.
bool Fits(DWORD size, ULONGLONG offset, ULONGLONG count, ULONGLONG unit) { return offset + count * unit <= size; }

bool PolyFits(const BYTE* r, DWORD size, ULONGLONG pointSize, ULONGLONG typeBytes) {
    return Fits(size, emfarr::kPolyPoints, ReadDword(r, emfarr::kPolyCount), pointSize + typeBytes);
}

bool PolyPolyFits(const BYTE* r, DWORD size, ULONGLONG pointSize) {
    const ULONGLONG polys = ReadDword(r, emfarr::kPolyPolyCount);
    const ULONGLONG total = ReadDword(r, emfarr::kPolyPolyTotal);
    if (!Fits(size, emfarr::kPolyPolyCounts, polys, kCount)) return false;
    const ULONGLONG points = emfarr::kPolyPolyCounts + polys * kCount;
    if (!Fits(size, points, total, pointSize)) return false;
    // The player takes each polygon's points from the counts, not from the total.
    ULONGLONG sum = 0;
    for (ULONGLONG i = 0; i < polys; ++i) sum += ReadDword(r, emfarr::kPolyPolyCounts + static_cast<size_t>(i) * kCount);
    return sum <= total;
}

// An RGNDATA of `bytes` bytes at `offset`: inside the record, a header, its rectangles inside.
bool RegionFits(const BYTE* r, DWORD size, size_t bytesField, size_t offset) {
    const ULONGLONG bytes = ReadDword(r, bytesField);
    if (!Fits(size, offset, bytes, 1)) return false;
    if (bytes == 0) return true;  // no region: the player resets the clip
    if (bytes < emfarr::kRgnHeaderSize) return false;
    const ULONGLONG headerSize = ReadDword(r, offset);
    const ULONGLONG rects = ReadDword(r, offset + emfarr::kRgnHeaderCount);
    return headerSize >= emfarr::kRgnHeaderSize && headerSize <= bytes &&
           emfarr::kRgnHeaderSize + rects * kRectBytes <= bytes;
}

bool DataFits(const BYTE* r, DWORD size, size_t bytesField, size_t offset) {
    return Fits(size, offset, ReadDword(r, bytesField), 1);
}

bool GradientFits(const BYTE* r, DWORD size) {
    const ULONGLONG vertices = ReadDword(r, emfarr::kGradientVertices);
    const ULONGLONG meshes = ReadDword(r, emfarr::kGradientMeshes);
    const DWORD mode = ReadDword(r, emfarr::kGradientMode);
    if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V && mode != GRADIENT_FILL_TRIANGLE) return false;
    const ULONGLONG meshSize = mode == GRADIENT_FILL_TRIANGLE ? kTriangleMesh : kRectMesh;
    const ULONGLONG meshStart = emfarr::kGradientData + vertices * emfarr::kTriVertexSize;
    if (meshStart > size || !Fits(size, meshStart, meshes, meshSize)) return false;
    // Every corner a mesh names must be one of the vertices.
    for (ULONGLONG i = 0; i < meshes * (meshSize / kCount); ++i)
        if (ReadDword(r, static_cast<size_t>(meshStart + i * kCount)) >= vertices) return false;
    return true;
}

}  // namespace

bool RecordArraysFit(const BYTE* r, DWORD size) {
    switch (ReadDword(r, 0)) {
        case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
            return PolyFits(r, size, kPointL, 0);
        case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16:
            return PolyFits(r, size, kPointS, 0);
        case EMR_POLYDRAW: return PolyFits(r, size, kPointL, 1);
        case EMR_POLYDRAW16: return PolyFits(r, size, kPointS, 1);
        case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: return PolyPolyFits(r, size, kPointL);
        case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: return PolyPolyFits(r, size, kPointS);
        case EMR_EXTSELECTCLIPRGN:
            return RegionFits(r, size, emfarr::kSelectClipRgnBytes, emfarr::kSelectClipRgnData);
        case EMR_FILLRGN: return RegionFits(r, size, emfarr::kRgnBytes, emfarr::kFillRgnData);
        case EMR_FRAMERGN: return RegionFits(r, size, emfarr::kRgnBytes, emfarr::kFrameRgnData);
        case EMR_INVERTRGN: case EMR_PAINTRGN: return RegionFits(r, size, emfarr::kRgnBytes, emfarr::kPaintRgnData);
        case EMR_GDICOMMENT: case EMR_GLSRECORD: return DataFits(r, size, emfarr::kDataBytes, emfarr::kData);
        case EMR_GLSBOUNDEDRECORD: return DataFits(r, size, emfarr::kGlsBoundedBytes, emfarr::kGlsBoundedData);
        case EMR_CREATEPALETTE:
            return Fits(size, emfarr::kCreatePaletteEntries, ReadWord(r, emfarr::kCreatePaletteCount), kPaletteEntry);
        case EMR_SETPALETTEENTRIES:
            return Fits(size, emfarr::kSetPaletteEntries, ReadDword(r, emfarr::kSetPaletteCount), kPaletteEntry);
        case EMR_GRADIENTFILL: return GradientFits(r, size);
        case EMR_CREATECOLORSPACEW: return DataFits(r, size, emfarr::kColorSpaceWBytes, emfarr::kColorSpaceWData);
        case EMR_SETICMPROFILEA: case EMR_SETICMPROFILEW:
            return Fits(size, emfarr::kIcmProfileData,
                        ULONGLONG(ReadDword(r, emfarr::kIcmProfileName)) + ReadDword(r, emfarr::kIcmProfileName + 4), 1);
        case EMR_COLORMATCHTOTARGETW:
            return Fits(size, emfarr::kColorMatchData,
                        ULONGLONG(ReadDword(r, emfarr::kColorMatchName)) + ReadDword(r, emfarr::kColorMatchName + 4), 1);
        default:
            return true;
    }
}

}  // namespace tw
