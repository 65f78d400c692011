#pragma once
// Decides, record by record, whether an EMF record may be handed to PlayEnhMetaFileRecord.
// GDI trusts record sizes and handle indexes; a bad one makes it read out of bounds or
// dereference a handle slot that does not exist, which would take the spooler down with us.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace tw {

enum class EmfRecordVerdict {
    Safe,
    BadSize,           // size below 8, not a multiple of 4, or beyond the data: the walk stops
    TooShortForType,   // smaller than the fixed part of its type
    UnknownType,
    MisplacedHeader,   // a header record that is not the first record, or a first record that is not one
    BadHandle,         // handle index outside 1 .. nHandles-1 or naming no object created so far
    BadTextArray,      // a text record whose string or spacing array lies outside it
    BadArray,          // a count of points, polygons, rectangles or entries beyond the record
    ShortColourTable,  // a blit whose colour table is cut short: played from a repaired copy
    BadBitmap,         // a bitmap outside its record or shorter than its header claims; a brush
                       // whose pattern field GDI would take for an address
};

const wchar_t* EmfRecordVerdictName(EmfRecordVerdict verdict);

// Stateful: records must be given in order, since the handle table is built as they pass.
class EmfRecordChecker {
public:
    // `available` is the number of bytes from the record's start to the end of the image.
    EmfRecordVerdict Check(const ENHMETARECORD* record, size_t available);

    bool SawEof() const noexcept { return m_sawEof; }
    DWORD HandleCount() const noexcept { return m_nHandles; }

private:
    EmfRecordVerdict CheckHeader(const BYTE* bytes, DWORD size);
    EmfRecordVerdict CheckHandles(const BYTE* bytes, DWORD type, DWORD size);
    bool IsCreated(DWORD index) const;

    bool m_sawHeader = false;
    bool m_sawEof = false;
    DWORD m_nHandles = 0;
    std::vector<bool> m_created;  // indexed by handle slot
};

struct EmfWalkResult {
    std::vector<EmfRecordVerdict> verdicts;  // one per record reached, in order
    bool reachedEof = false;
    size_t bytesWalked = 0;
    size_t UnsafeCount() const;
};

// Walks the whole image; stops at EMR_EOF or at the first record whose size cannot be trusted.
EmfWalkResult WalkEmfRecords(const BYTE* data, size_t size);

}  // namespace tw
