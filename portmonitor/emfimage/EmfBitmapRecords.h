#pragma once
// The records that carry bitmaps: blits, DIB output, pattern brushes and pattern pens. Each
// names its bitmap by offsets and sizes inside itself (header, then colour table, bits
// elsewhere); GDI reads wherever they point and as many rows as the header claims, so every
// offset, size and claim is checked against the record before it is played.
#include <windows.h>

#include <vector>

namespace tw {

namespace emfbmp {
// Where one bitmap's fields lie in its record.
struct BitmapFields {
    size_t usage;    // iUsage: DIB_RGB_COLORS or DIB_PAL_COLORS (kNoUsageField: always RGB)
    size_t offBmi, cbBmi, offBits, cbBits;
};
inline constexpr size_t kNoUsageField = 0;
// BITBLT, STRETCHBLT, MASKBLT, ALPHABLEND, TRANSPARENTBLT: the source after xformSrc and crBkColorSrc.
inline constexpr BitmapFields kBltSource{80, 84, 88, 92, 96};
inline constexpr BitmapFields kMaskBltMask{108, 112, 116, 120, 124};
inline constexpr BitmapFields kPlgBltSource{92, 96, 100, 104, 108};
inline constexpr BitmapFields kPlgBltMask{120, 124, 128, 132, 136};
// SETDIBITSTODEVICE and STRETCHDIBITS: usage after the bitmap fields.
inline constexpr BitmapFields kDibSource{64, 48, 52, 56, 60};
// The source rectangle a blit reads: xSrc, ySrc, cx, cy (BITBLT and MASKBLT read cxDest, cyDest).
struct SourceRect {
    size_t x, y, cx, cy;
};
inline constexpr SourceRect kBitBltRect{44, 48, 32, 36};
inline constexpr SourceRect kStretchBltRect{44, 48, 100, 104};
inline constexpr SourceRect kPlgBltRect{48, 52, 56, 60};

// CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT: ihBrush, iUsage, then the bitmap.
inline constexpr BitmapFields kBrush{12, 16, 20, 24, 28};
// EXTCREATEPEN: ihPen, the bitmap (no usage: the brush colour field carries it), EXTLOGPEN32.
inline constexpr BitmapFields kPen{kNoUsageField, 12, 16, 20, 24};
inline constexpr size_t kPenStyle = 28;
inline constexpr size_t kPenWidth = 32;
inline constexpr size_t kPenBrushStyle = 36;
inline constexpr size_t kPenColor = 40;
inline constexpr size_t kPenHatch = 44;
inline constexpr size_t kPenNumEntries = 48;
inline constexpr size_t kPenStyleEntries = 52;
// The fixed parts of the single-bitmap records.
inline constexpr size_t kBitBltSize = 100;
inline constexpr size_t kStretchBltSize = 108;
inline constexpr size_t kStretchDibSize = 80;
inline constexpr size_t kSetDibSize = 76;
// Hatch patterns GDI knows by index.
inline constexpr DWORD kHatchStyles = 12;
// CREATEBRUSHINDIRECT: ihBrush, LOGBRUSH32.
inline constexpr size_t kBrushStyle = 12;
inline constexpr size_t kBrushHatch = 20;
}  // namespace emfbmp

// True for the record types above.
bool CarriesBitmap(DWORD type);

// True when every bitmap the record carries lies inside its `size` bytes (already checked
// against the data and the type's fixed size) and its bits hold the rows its header claims;
// also false for a brush or pen style that would make GDI take a value of the record for a
// pointer or handle. Other records: true.
bool BitmapRecordFits(const BYTE* record, DWORD size);

// Some writers record a palette bitmap with fewer colours than its header implies (biClrUsed 0
// and a shorter table); GDI would read the rest past the record. For a blit or DIB record that
// is sound otherwise, makes a copy whose table is whole (the missing colours black) and true.
bool RepairShortColourTable(const BYTE* record, DWORD size, std::vector<BYTE>& repaired);

// A metafile DC records a palette DIB with a table sized by biClrUsed but copies the whole
// table the bit count implies, writing past its own record when biClrUsed is 0 or the header
// is a core one (and losing the colours). For such a STRETCHDIBITS or SETDIBITSTODEVICE
// record, makes a copy whose 40-byte header states the count, with the table written out.
bool StateColourCount(const BYTE* record, DWORD size, std::vector<BYTE>& copy);

// Recording a blit into a metafile copies its source rectangle out of the bitmap row by row,
// trusting the rectangle: true when it lies inside the bitmap (or the record is no blit).
bool BlitSourceInsideBitmap(const BYTE* record, DWORD size);

// Pens with a bitmap brush cannot be played by PlayEnhMetaFileRecord (it would pass the
// record's brush field as the bitmap's address): true when the checked record is one, and
// then CreateRecordPatternPen makes the pen from the bitmap the record carries (null on failure).
bool IsPatternPenRecord(const BYTE* record, DWORD size);
HPEN CreateRecordPatternPen(const BYTE* record, DWORD size);

}  // namespace tw
