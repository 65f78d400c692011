#pragma once
// The strings of a text record (EXTTEXTOUTA/W, POLYTEXTOUTA/W, SMALLTEXTOUT) as runs of wide
// characters with their spacing, and the in-place rewrite that drops characters from them.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

class MarkerFilter;

struct EmfTextRun {
    POINT reference{};
    UINT options = 0;
    RECT bounds{};              // the record's bounds (device units of the recording device)
    bool byteChars = false;     // 8-bit characters in the record
    std::wstring text;          // 8-bit text widened with the ANSI code page
    std::vector<INT> dx;        // horizontal advances, one per character; empty: none recorded
    // Where the run lives in its record, for the rewrite.
    size_t charsField = 0, optionsField = 0, stringOffset = 0, dxOffset = 0;
    size_t dxStride = 1;        // 2 with ETO_PDY
    size_t chars = 0;           // characters in the record (8-bit text may widen to fewer)
};

// The runs of a text record that fits its size; empty for other records.
std::vector<EmfTextRun> ReadTextRuns(const BYTE* record, DWORD size);

// A blank record: bounds (0, 0, -1, -1) and at most one character, missing or a space.
bool IsBlankTextRecord(const BYTE* record, DWORD size);

// Drops from the private copy `record` the characters the filter hides, run by run. A run of two
// or more characters that loses them all is drawn as one space without ETO_GLYPH_INDEX. True
// when anything changed.
bool FilterTextRecord(std::vector<BYTE>& record, MarkerFilter& filter);

}  // namespace tw
