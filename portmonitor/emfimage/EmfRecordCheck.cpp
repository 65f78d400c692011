// Record checks against the buffer, the fixed size of each record type and the handle table.
#include "emfimage/EmfRecordCheck.h"

#include <cstring>

#include "emfimage/EmfArrayRecords.h"
#include "emfimage/EmfBitmapRecords.h"
#include "emfimage/EmfLayout.h"
#include "emfimage/EmfTextRecords.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

DWORD ReadDword(const BYTE* p) {
    DWORD v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

// Fixed part of each record type, variable-length tails excluded; 0 marks a type GDI does not know.
DWORD MinimumSize(DWORD type) {
    switch (type) {
        case EMR_HEADER: return emf::kHeaderBaseSize;
        case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO: case EMR_POLYDRAW: case EMR_POLYBEZIER16: case EMR_POLYGON16:
        case EMR_POLYLINE16: case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16: case EMR_POLYDRAW16:
            return 28;
        case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16:
            return 32;
        case EMR_SETWINDOWEXTEX: case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTEXTEX:
        case EMR_SETVIEWPORTORGEX: case EMR_SETBRUSHORGEX: case EMR_OFFSETCLIPRGN:
        case EMR_MOVETOEX: case EMR_LINETO: case EMR_EXTSELECTCLIPRGN: case EMR_RESIZEPALETTE:
        case EMR_CREATEPALETTE: case EMR_RESERVED_120:  // SETTEXTJUSTIFICATION
            return 16;
        case EMR_EOF: case EMR_SETPIXELV: case EMR_SETPALETTEENTRIES:
            return 20;
        case EMR_SETMAPPERFLAGS: case EMR_SETMAPMODE: case EMR_SETBKMODE: case EMR_SETPOLYFILLMODE:
        case EMR_SETROP2: case EMR_SETSTRETCHBLTMODE: case EMR_SETTEXTALIGN: case EMR_SETTEXTCOLOR:
        case EMR_SETBKCOLOR: case EMR_RESTOREDC: case EMR_SELECTOBJECT: case EMR_DELETEOBJECT:
        case EMR_SELECTPALETTE: case EMR_SETARCDIRECTION: case EMR_SETMITERLIMIT:
        case EMR_SELECTCLIPPATH: case EMR_GDICOMMENT: case EMR_SETICMMODE:
        case EMR_SETCOLORSPACE: case EMR_DELETECOLORSPACE: case EMR_SETLAYOUT: case EMR_GLSRECORD:
            return 12;
        // The player hands the whole logical colour space (and pixel format) to GDI.
        case EMR_CREATECOLORSPACE: return 12 + sizeof(LOGCOLORSPACEA);
        case EMR_CREATECOLORSPACEW: return emfarr::kColorSpaceWData;
        case EMR_PIXELFORMAT: return 8 + sizeof(PIXELFORMATDESCRIPTOR);
        case EMR_GLSBOUNDEDRECORD: return emfarr::kGlsBoundedData;
        case EMR_SETICMPROFILEA: case EMR_SETICMPROFILEW: return emfarr::kIcmProfileData;
        case EMR_COLORCORRECTPALETTE: case EMR_COLORMATCHTOTARGETW: return 24;
        case EMR_SETCOLORADJUSTMENT: return 32;
        case EMR_SETMETARGN: case EMR_SAVEDC: case EMR_REALIZEPALETTE: case EMR_BEGINPATH:
        case EMR_ENDPATH: case EMR_CLOSEFIGURE: case EMR_FLATTENPATH: case EMR_WIDENPATH:
        case EMR_ABORTPATH:
        case EMR_RESERVED_105: case EMR_RESERVED_106: case EMR_RESERVED_107:
        case EMR_RESERVED_109: case EMR_RESERVED_110: case EMR_RESERVED_117: case EMR_RESERVED_119:
            return emf::kRecordHeaderSize;
        case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT: case EMR_SCALEVIEWPORTEXTEX:
        case EMR_SCALEWINDOWEXTEX: case EMR_ELLIPSE: case EMR_RECTANGLE: case EMR_EXTFLOODFILL:
        case EMR_FILLPATH: case EMR_STROKEANDFILLPATH: case EMR_STROKEPATH: case EMR_CREATEBRUSHINDIRECT:
            return 24;
        case EMR_SETWORLDTRANSFORM: case EMR_ROUNDRECT: return 32;
        case EMR_MODIFYWORLDTRANSFORM: return 36;
        case EMR_CREATEPEN: case EMR_ANGLEARC: case EMR_INVERTRGN: case EMR_PAINTRGN: return 28;
        case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO: return 40;
        case EMR_FILLRGN: return 32;
        case EMR_FRAMERGN: return 40;
        case EMR_BITBLT: return 100;
        case EMR_STRETCHBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT: return 108;
        case EMR_MASKBLT: return 128;
        case EMR_PLGBLT: return 140;
        case EMR_SETDIBITSTODEVICE: return 76;
        case EMR_STRETCHDIBITS: return 80;
        case EMR_EXTCREATEFONTINDIRECTW: return 12 + sizeof(LOGFONTW);
        case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: return 76;
        case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT: return 32;
        case EMR_EXTCREATEPEN: return 52;
        case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: return 40;
        case EMR_GRADIENTFILL: return 36;
        case emftext::kSmallTextOut: return emftext::kSmallTextFixedSize;
        default: return 0;
    }
}

bool CreatesObject(DWORD type) {
    switch (type) {
        case EMR_CREATEPEN: case EMR_CREATEBRUSHINDIRECT: case EMR_CREATEPALETTE:
        case EMR_EXTCREATEFONTINDIRECTW: case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT:
        case EMR_EXTCREATEPEN: case EMR_CREATECOLORSPACE: case EMR_CREATECOLORSPACEW:
            return true;
        default: return false;
    }
}

bool IsStock(DWORD index) { return (index & emf::kStockObjectFlag) != 0; }

}  // namespace

const wchar_t* EmfRecordVerdictName(EmfRecordVerdict verdict) {
    switch (verdict) {
        case EmfRecordVerdict::Safe: return L"safe";
        case EmfRecordVerdict::BadSize: return L"bad record size";
        case EmfRecordVerdict::TooShortForType: return L"too short for its type";
        case EmfRecordVerdict::UnknownType: return L"unknown record type";
        case EmfRecordVerdict::MisplacedHeader: return L"misplaced header";
        case EmfRecordVerdict::BadHandle: return L"bad object handle";
        case EmfRecordVerdict::BadTextArray: return L"text outside its record";
        case EmfRecordVerdict::BadArray: return L"array outside its record";
        case EmfRecordVerdict::ShortColourTable: return L"colour table cut short";
        case EmfRecordVerdict::BadBitmap: return L"bitmap or brush GDI cannot be given";
    }
    return L"?";
}

bool EmfRecordChecker::IsCreated(DWORD index) const {
    return index >= emf::kFirstObjectIndex && index < m_created.size() && m_created[index];
}

EmfRecordVerdict EmfRecordChecker::CheckHeader(const BYTE* bytes, DWORD size) {
    if (m_sawHeader) return EmfRecordVerdict::MisplacedHeader;
    m_sawHeader = true;
    if (ReadDword(bytes + emf::kHeaderSignatureOffset) != emf::kSignature) return EmfRecordVerdict::MisplacedHeader;
    WORD handles;
    std::memcpy(&handles, bytes + emf::kHeaderHandlesOffset, sizeof(handles));
    m_nHandles = handles;
    m_created.assign(handles, false);
    (void)size;
    return EmfRecordVerdict::Safe;
}

EmfRecordVerdict EmfRecordChecker::CheckHandles(const BYTE* bytes, DWORD type, DWORD size) {
    (void)size;
    const DWORD index = ReadDword(bytes + emf::kHandleOffset);
    if (CreatesObject(type)) {
        // GDI writes the new object into this slot; outside the table it would write past it.
        if (index < emf::kFirstObjectIndex || index >= m_nHandles) return EmfRecordVerdict::BadHandle;
        m_created[index] = true;
        return EmfRecordVerdict::Safe;
    }
    switch (type) {
        case EMR_SELECTOBJECT:
            // Stock objects are looked up by GDI itself; a stock index it does not know selects nothing.
            if (IsStock(index)) return (index & ~emf::kStockObjectFlag) <= emf::kLastStockObject
                                           ? EmfRecordVerdict::Safe : EmfRecordVerdict::BadHandle;
            return IsCreated(index) ? EmfRecordVerdict::Safe : EmfRecordVerdict::BadHandle;
        case EMR_SELECTPALETTE:
            if (index == (emf::kStockObjectFlag | DEFAULT_PALETTE)) return EmfRecordVerdict::Safe;
            return IsCreated(index) ? EmfRecordVerdict::Safe : EmfRecordVerdict::BadHandle;
        case EMR_DELETEOBJECT:
        case EMR_DELETECOLORSPACE:
            // Playing these indexes the table directly, stock flag or not, so only created slots pass.
            if (!IsCreated(index)) return EmfRecordVerdict::BadHandle;
            m_created[index] = false;
            return EmfRecordVerdict::Safe;
        case EMR_SETCOLORSPACE:
        case EMR_SETPALETTEENTRIES:
        case EMR_RESIZEPALETTE:
            return IsCreated(index) ? EmfRecordVerdict::Safe : EmfRecordVerdict::BadHandle;
        case EMR_FILLRGN:
        case EMR_FRAMERGN:
            return IsCreated(ReadDword(bytes + emf::kRgnBrushOffset)) ? EmfRecordVerdict::Safe
                                                                       : EmfRecordVerdict::BadHandle;
        default:
            return EmfRecordVerdict::Safe;
    }
}

EmfRecordVerdict EmfRecordChecker::Check(const ENHMETARECORD* record, size_t available) {
    if (!record || available < emf::kRecordHeaderSize) return EmfRecordVerdict::BadSize;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(record);
    const DWORD type = ReadDword(bytes);
    const DWORD size = ReadDword(bytes + sizeof(DWORD));
    if (size < emf::kRecordHeaderSize || size % emf::kRecordAlignment != 0 || size > available)
        return EmfRecordVerdict::BadSize;
    const DWORD minimum = MinimumSize(type);
    if (minimum == 0) return EmfRecordVerdict::UnknownType;
    if (size < minimum) return EmfRecordVerdict::TooShortForType;
    if (IsTextRecord(type) && !TextRecordFits(bytes, size)) return EmfRecordVerdict::BadTextArray;
    if (!RecordArraysFit(bytes, size)) return EmfRecordVerdict::BadArray;
    if (!BitmapRecordFits(bytes, size)) {
        std::vector<BYTE> repaired;
        return RepairShortColourTable(bytes, size, repaired) ? EmfRecordVerdict::ShortColourTable
                                                             : EmfRecordVerdict::BadBitmap;
    }
    if (type == EMR_HEADER) return CheckHeader(bytes, size);
    if (!m_sawHeader) return EmfRecordVerdict::MisplacedHeader;
    if (type == EMR_EOF) m_sawEof = true;
    return CheckHandles(bytes, type, size);
}

size_t EmfWalkResult::UnsafeCount() const {
    size_t n = 0;
    for (EmfRecordVerdict v : verdicts) n += v != EmfRecordVerdict::Safe;
    return n;
}

EmfWalkResult WalkEmfRecords(const BYTE* data, size_t size) {
    TW_TRACE(L"> WalkEmfRecords");
    EmfWalkResult result;
    EmfRecordChecker checker;
    size_t offset = 0;
    while (data && offset < size) {
        const auto* record = reinterpret_cast<const ENHMETARECORD*>(data + offset);
        const EmfRecordVerdict verdict = checker.Check(record, size - offset);
        result.verdicts.push_back(verdict);
        // Without a trustworthy size the next record cannot be found, and a first record that
        // is not a header means this is not an EMF at all.
        if (verdict == EmfRecordVerdict::BadSize || (offset == 0 && verdict != EmfRecordVerdict::Safe)) break;
        offset += ReadDword(data + offset + sizeof(DWORD));
        if (checker.SawEof()) break;
    }
    result.bytesWalked = offset;
    result.reachedEof = checker.SawEof();
    TW_TRACE(L"< WalkEmfRecords: %s", result.reachedEof ? L"TRUE" : L"FALSE");
    return result;
}

}  // namespace tw
