#pragma once
// The records that carry counted arrays: points, polygon counts, point types, regions,
// palette entries, gradient vertices and meshes, comments and profiles. GDI's player reads as
// many entries as the record's counts say, so each count is checked against the record.
#include <windows.h>

namespace tw {

namespace emfarr {
// POLYLINE and kin: rclBounds, the count, then the points.
inline constexpr size_t kPolyCount = 24;
inline constexpr size_t kPolyPoints = 28;
// POLYPOLYLINE and kin: rclBounds, nPolys, the total count, the counts, then the points.
inline constexpr size_t kPolyPolyCount = 24;
inline constexpr size_t kPolyPolyTotal = 28;
inline constexpr size_t kPolyPolyCounts = 32;
// Region records: where cbRgnData and the RGNDATA lie.
inline constexpr size_t kSelectClipRgnBytes = 8;
inline constexpr size_t kSelectClipRgnData = 16;
inline constexpr size_t kRgnBytes = 24;        // FILLRGN, FRAMERGN, INVERTRGN, PAINTRGN
inline constexpr size_t kFillRgnData = 32;
inline constexpr size_t kFrameRgnData = 40;
inline constexpr size_t kPaintRgnData = 28;
inline constexpr size_t kRgnHeaderSize = 32;   // RGNDATAHEADER
inline constexpr size_t kRgnHeaderCount = 8;
// GDICOMMENT and GLSRECORD: cbData, then the data.
inline constexpr size_t kDataBytes = 8;
inline constexpr size_t kData = 12;
inline constexpr size_t kGlsBoundedBytes = 24;
inline constexpr size_t kGlsBoundedData = 28;
// CREATEPALETTE: ihPal, LOGPALETTE (version, count, entries). SETPALETTEENTRIES: ihPal, start, count, entries.
inline constexpr size_t kCreatePaletteCount = 14;
inline constexpr size_t kCreatePaletteEntries = 16;
inline constexpr size_t kSetPaletteCount = 16;
inline constexpr size_t kSetPaletteEntries = 20;
// GRADIENTFILL: rclBounds, nVer, nTri, ulMode, vertices, then the mesh.
inline constexpr size_t kGradientVertices = 24;
inline constexpr size_t kGradientMeshes = 28;
inline constexpr size_t kGradientMode = 32;
inline constexpr size_t kGradientData = 36;
inline constexpr size_t kTriVertexSize = 16;
// CREATECOLORSPACEW: ihCS, LOGCOLORSPACEW, dwFlags, cbData, data.
inline constexpr size_t kColorSpaceWBytes = 604;
inline constexpr size_t kColorSpaceWData = 608;
// SETICMPROFILEA / W: dwFlags, cbName, cbData, data. COLORMATCHTOTARGETW: dwAction, dwFlags, cbName, cbData, data.
inline constexpr size_t kIcmProfileName = 12;
inline constexpr size_t kIcmProfileData = 20;
inline constexpr size_t kColorMatchName = 16;
inline constexpr size_t kColorMatchData = 24;
}  // namespace emfarr

// True when every array the record counts lies inside its `size` bytes (already checked
// against the data and the type's fixed size), polygon counts add up to no more than the
// points carried and gradient meshes name only vertices that exist. Other records: true.
bool RecordArraysFit(const BYTE* record, DWORD size);

}  // namespace tw
