// Bitmaps in EMF records: offsets, sizes and rows checked against the record; pattern pens
// made from the bitmap they carry.
#include "emfimage/EmfBitmapRecords.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "emfimage/DibLayout.h"
#include "emfimage/EmfLayout.h"

namespace tw {
namespace {

using emfbmp::BitmapFields;

DWORD ReadDword(const BYTE* record, size_t offset) {
    DWORD v;
    std::memcpy(&v, record + offset, sizeof(v));
    return v;
}

// What a record requires of one of its bitmaps.
enum class Presence {
    Required,
    SkippedWhenOffsetZero,  // GDI's player draws without a source when offBmi is 0
};

struct RecordBitmap {
    const BYTE* info = nullptr;
    const BYTE* bits = nullptr;
    DibLayout layout;
};

// Reads one bitmap of the record; `usage` overrides the record's field when not null.
bool ReadRecordBitmap(const BYTE* record, DWORD size, const BitmapFields& f, const UINT* usage, RecordBitmap& out) {
    const ULONGLONG offBmi = ReadDword(record, f.offBmi), cbBmi = ReadDword(record, f.cbBmi);
    const ULONGLONG offBits = ReadDword(record, f.offBits), cbBits = ReadDword(record, f.cbBits);
    // Both parts after the record header and inside the record; 64-bit sums cannot wrap.
    if (offBmi < emf::kRecordHeaderSize || offBits < emf::kRecordHeaderSize) return false;
    if (offBmi + cbBmi > size || offBits + cbBits > size) return false;
    const UINT use = usage ? *usage : ReadDword(record, f.usage);
    if (!ReadDibLayout(record + offBmi, cbBmi, use, kMaxRecordBitmapPixels, out.layout)) return false;
    if (out.layout.imageBytes > cbBits) return false;
    out.info = record + offBmi;
    out.bits = record + offBits;
    return true;
}

bool BitmapFits(const BYTE* record, DWORD size, const BitmapFields& f, Presence presence,
                const UINT* usage = nullptr) {
    if (presence == Presence::SkippedWhenOffsetZero && ReadDword(record, f.offBmi) == 0) return true;
    RecordBitmap bitmap;
    return ReadRecordBitmap(record, size, f, usage, bitmap);
}

bool IsPatternStyle(DWORD brushStyle) {
    switch (brushStyle) {
        case BS_PATTERN: case BS_DIBPATTERN: case BS_DIBPATTERNPT: case BS_PATTERN8X8: case BS_DIBPATTERN8X8:
            return true;
        default: return false;
    }
}

// Styles whose other fields are plain values; with the others the brush field is an address.
bool IsPlainStyle(DWORD brushStyle) {
    return brushStyle == BS_SOLID || brushStyle == BS_NULL || brushStyle == BS_HATCHED;
}

UINT PatternUsage(const BYTE* record) {
    const DWORD style = ReadDword(record, emfbmp::kPenBrushStyle);
    // A DIB pattern keeps its colour use where a solid brush keeps its colour.
    if (style == BS_DIBPATTERN || style == BS_DIBPATTERNPT || style == BS_DIBPATTERN8X8)
        return LOWORD(ReadDword(record, emfbmp::kPenColor));
    return DIB_RGB_COLORS;
}

bool BrushFits(DWORD style, DWORD hatch) {
    // The hatch is an index into GDI's table of patterns, which refuses what it does not know.
    if (style == BS_HATCHED) return hatch < emfbmp::kHatchStyles;
    return IsPlainStyle(style);
}

bool ExtCreatePenFits(const BYTE* record, DWORD size) {
    const ULONGLONG entries = ReadDword(record, emfbmp::kPenNumEntries);
    if (emfbmp::kPenStyleEntries + entries * sizeof(DWORD) > size) return false;
    const DWORD style = ReadDword(record, emfbmp::kPenBrushStyle);
    if (IsPatternStyle(style)) {
        const UINT usage = PatternUsage(record);
        return usage <= DIB_PAL_COLORS && BitmapFits(record, size, emfbmp::kPen, Presence::Required, &usage);
    }
    return BrushFits(style, ReadDword(record, emfbmp::kPenHatch));
}

}  // namespace

bool CarriesBitmap(DWORD type) {
    switch (type) {
        case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_MASKBLT: case EMR_PLGBLT: case EMR_SETDIBITSTODEVICE:
        case EMR_STRETCHDIBITS: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT: case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT: case EMR_EXTCREATEPEN:
            return true;
        default: return false;
    }
}

bool BitmapRecordFits(const BYTE* record, DWORD size) {
    if (!record || size < emf::kRecordHeaderSize) return false;
    switch (ReadDword(record, 0)) {
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
            return BitmapFits(record, size, emfbmp::kBltSource, Presence::SkippedWhenOffsetZero);
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT:
            return BitmapFits(record, size, emfbmp::kBltSource, Presence::Required);
        case EMR_MASKBLT:
            // GDI's player reads the mask whether or not the record has one.
            return BitmapFits(record, size, emfbmp::kBltSource, Presence::Required) &&
                   BitmapFits(record, size, emfbmp::kMaskBltMask, Presence::Required);
        case EMR_PLGBLT:
            return BitmapFits(record, size, emfbmp::kPlgBltSource, Presence::Required) &&
                   BitmapFits(record, size, emfbmp::kPlgBltMask, Presence::Required);
        case EMR_SETDIBITSTODEVICE:
            // Playing onto a DC reads the scan lines it sets; recording it into a metafile (the
            // page transforms do) copies the whole bitmap: the bits must hold every row.
            return BitmapFits(record, size, emfbmp::kDibSource, Presence::Required);
        case EMR_STRETCHDIBITS:
            return BitmapFits(record, size, emfbmp::kDibSource, Presence::Required);
        case EMR_CREATEMONOBRUSH: {
            RecordBitmap bitmap;
            if (!ReadRecordBitmap(record, size, emfbmp::kBrush, nullptr, bitmap)) return false;
            // Without a table the bitmap must be what the player builds from it: one bit.
            return ReadDword(record, emfbmp::kBrush.usage) != kDibPalIndices || bitmap.layout.bits == 1;
        }
        case EMR_CREATEDIBPATTERNBRUSHPT: {
            const UINT usage = ReadDword(record, emfbmp::kBrush.usage);
            return usage <= DIB_PAL_COLORS && BitmapFits(record, size, emfbmp::kBrush, Presence::Required);
        }
        case EMR_EXTCREATEPEN:
            return ExtCreatePenFits(record, size);
        case EMR_CREATEBRUSHINDIRECT:
            return BrushFits(ReadDword(record, emfbmp::kBrushStyle), ReadDword(record, emfbmp::kBrushHatch));
        default:
            return true;
    }
}

namespace {

// Fixed part of the records whose bitmap may be rebuilt, and where its fields lie.
bool RebuildableDibRecord(const BYTE* record, const BitmapFields*& f, size_t& fixed) {
    switch (ReadDword(record, 0)) {
        case EMR_BITBLT: f = &emfbmp::kBltSource, fixed = emfbmp::kBitBltSize; return true;
        case EMR_STRETCHBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT:
            f = &emfbmp::kBltSource, fixed = emfbmp::kStretchBltSize; return true;
        case EMR_STRETCHDIBITS: f = &emfbmp::kDibSource, fixed = emfbmp::kStretchDibSize; return true;
        case EMR_SETDIBITSTODEVICE: f = &emfbmp::kDibSource, fixed = emfbmp::kSetDibSize; return true;
        default: return false;
    }
}

// The record's fixed part followed by a new header with its colour table, then the rows;
// the bitmap fields and the record size are set to match.
void AssembleDibRecord(const BYTE* record, size_t fixed, const BitmapFields& f, const BYTE* info, size_t infoBytes,
                       const BYTE* bits, size_t bitsBytes, std::vector<BYTE>& out) {
    out.assign(record, record + fixed);
    out.insert(out.end(), info, info + infoBytes);
    out.insert(out.end(), bits, bits + bitsBytes);
    out.resize((out.size() + 3) / 4 * 4, 0);
    const auto put = [&](size_t at, size_t v) {
        const DWORD d = static_cast<DWORD>(v);
        std::memcpy(out.data() + at, &d, sizeof(d));
    };
    put(sizeof(DWORD), out.size());
    put(f.offBmi, fixed);
    put(f.cbBmi, infoBytes);
    put(f.offBits, fixed + infoBytes);
    put(f.cbBits, bitsBytes);
}

}  // namespace

bool RepairShortColourTable(const BYTE* record, DWORD size, std::vector<BYTE>& repaired) {
    if (!record || size < emf::kRecordHeaderSize) return false;
    const BitmapFields* f = nullptr;
    size_t fixed = 0;
    if (!RebuildableDibRecord(record, f, fixed)) return false;
    if (size < fixed || ReadDword(record, f->offBmi) == 0 || ReadDword(record, f->cbBmi) < sizeof(BITMAPINFOHEADER))
        return false;
    // Everything but the table must be sound: the header inside the record, the bits whole.
    const ULONGLONG offBmi = ReadDword(record, f->offBmi), cbBmi = ReadDword(record, f->cbBmi);
    const ULONGLONG offBits = ReadDword(record, f->offBits), cbBits = ReadDword(record, f->cbBits);
    if (offBmi < emf::kRecordHeaderSize || offBmi + cbBmi > size || offBits + cbBits > size ||
        offBits < emf::kRecordHeaderSize)
        return false;
    DibLayout layout;
    if (!ReadDibLayout(record + offBmi, ~0ull >> 1, ReadDword(record, f->usage), kMaxRecordBitmapPixels, layout) ||
        layout.headerSize > cbBmi || layout.infoBytes <= cbBmi || layout.compression != BI_RGB ||
        layout.imageBytes > cbBits)
        return false;
    std::vector<BYTE> info(record + offBmi, record + offBmi + cbBmi);
    info.resize(layout.infoBytes, 0);  // the missing colours read as black
    AssembleDibRecord(record, fixed, *f, info.data(), info.size(), record + offBits,
                      static_cast<size_t>(layout.imageBytes), repaired);
    return true;
}

bool StateColourCount(const BYTE* record, DWORD size, std::vector<BYTE>& copy) {
    if (!record || size < emf::kRecordHeaderSize) return false;
    const DWORD type = ReadDword(record, 0);
    if (type != EMR_STRETCHDIBITS && type != EMR_SETDIBITSTODEVICE) return false;
    const BitmapFields* f = nullptr;
    size_t fixed = 0;
    RebuildableDibRecord(record, f, fixed);
    RecordBitmap bitmap;
    if (size < fixed || !ReadRecordBitmap(record, size, *f, nullptr, bitmap)) return false;
    const DibLayout& layout = bitmap.layout;
    const UINT usage = ReadDword(record, f->usage);
    if (layout.bits > 8) return false;
    const bool core = layout.headerSize == sizeof(BITMAPCOREHEADER);
    BITMAPINFOHEADER header{};
    if (core) {
        header.biWidth = layout.width;
        header.biHeight = layout.height;
        header.biPlanes = 1;
        header.biBitCount = layout.bits;
        header.biCompression = BI_RGB;
    } else {
        std::memcpy(&header, bitmap.info, sizeof(header));
        if (header.biClrUsed != 0) return false;
    }
    header.biSize = sizeof(header);
    header.biClrUsed = layout.colourEntries;
    std::vector<BYTE> info(reinterpret_cast<const BYTE*>(&header), reinterpret_cast<const BYTE*>(&header + 1));
    const BYTE* table = bitmap.info + layout.headerSize;
    if (usage == kDibPalIndices) {
        // Indexes straight into the DC's palette: the same as palette colours in their own order.
        for (WORD i = 0; i < layout.colourEntries; ++i)
            info.insert(info.end(), reinterpret_cast<const BYTE*>(&i), reinterpret_cast<const BYTE*>(&i + 1));
    } else if (usage == DIB_PAL_COLORS) {
        info.insert(info.end(), table, table + layout.colourEntries * sizeof(WORD));
    } else if (core) {
        for (DWORD i = 0; i < layout.colourEntries; ++i) {
            const BYTE* t = table + i * sizeof(RGBTRIPLE);
            const RGBQUAD q{t[0], t[1], t[2], 0};
            info.insert(info.end(), reinterpret_cast<const BYTE*>(&q), reinterpret_cast<const BYTE*>(&q + 1));
        }
    } else {
        info.insert(info.end(), table, table + layout.colourEntries * sizeof(RGBQUAD));
    }
    AssembleDibRecord(record, fixed, *f, info.data(), info.size(), bitmap.bits,
                      static_cast<size_t>(layout.imageBytes), copy);
    if (usage == kDibPalIndices) {
        const DWORD palColours = DIB_PAL_COLORS;
        std::memcpy(copy.data() + f->usage, &palColours, sizeof(palColours));
    }
    return true;
}

bool BlitSourceInsideBitmap(const BYTE* record, DWORD size) {
    if (!record || size < emf::kRecordHeaderSize) return false;
    const BitmapFields* f;
    const emfbmp::SourceRect* rect;
    switch (ReadDword(record, 0)) {
        case EMR_BITBLT: case EMR_MASKBLT: f = &emfbmp::kBltSource, rect = &emfbmp::kBitBltRect; break;
        case EMR_STRETCHBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT:
            f = &emfbmp::kBltSource, rect = &emfbmp::kStretchBltRect; break;
        case EMR_PLGBLT: f = &emfbmp::kPlgBltSource, rect = &emfbmp::kPlgBltRect; break;
        default: return true;
    }
    if (ReadDword(record, f->offBmi) == 0) return true;
    RecordBitmap bitmap;
    if (!ReadRecordBitmap(record, size, *f, nullptr, bitmap)) return false;
    const auto value = [&](size_t at) { return static_cast<LONGLONG>(static_cast<LONG>(ReadDword(record, at))); };
    const LONGLONG x = value(rect->x), y = value(rect->y);
    return x >= 0 && y >= 0 && x + std::llabs(value(rect->cx)) <= bitmap.layout.width &&
           y + std::llabs(value(rect->cy)) <= bitmap.layout.height;
}

bool IsPatternPenRecord(const BYTE* record, DWORD size) {
    return record && size >= emfbmp::kPenStyleEntries && ReadDword(record, 0) == EMR_EXTCREATEPEN &&
           IsPatternStyle(ReadDword(record, emfbmp::kPenBrushStyle));
}

HPEN CreateRecordPatternPen(const BYTE* record, DWORD size) {
    if (!IsPatternPenRecord(record, size)) return nullptr;
    const UINT usage = PatternUsage(record);
    RecordBitmap bitmap;
    if (!ReadRecordBitmap(record, size, emfbmp::kPen, &usage, bitmap)) return nullptr;
    // The brush wants one packed DIB: the header and colour table, then the rows.
    std::vector<BYTE> packed(bitmap.info, bitmap.info + bitmap.layout.infoBytes);
    packed.insert(packed.end(), bitmap.bits, bitmap.bits + bitmap.layout.imageBytes);
    LOGBRUSH brush{BS_DIBPATTERNPT, usage, reinterpret_cast<ULONG_PTR>(packed.data())};
    const DWORD entries = ReadDword(record, emfbmp::kPenNumEntries);
    std::vector<DWORD> style(entries);
    if (entries) std::memcpy(style.data(), record + emfbmp::kPenStyleEntries, entries * sizeof(DWORD));
    return ::ExtCreatePen(ReadDword(record, emfbmp::kPenStyle), ReadDword(record, emfbmp::kPenWidth), &brush, entries,
                          entries ? style.data() : nullptr);
}

}  // namespace tw
