#pragma once
// The text records of a metafile: where their strings and spacing arrays lie, whether those
// lie inside the record, and the copy without ETO_IGNORELANGUAGE that the metafile transforms
// play. GDI reads the arrays wherever the record's offsets point, so they are checked first.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tw {

namespace emftext {
// EMR_EXTTEXTOUTA / W: rclBounds, iGraphicsMode, exScale, eyScale, then one EMRTEXT.
inline constexpr size_t kExtTextOutText = 36;
// EMRTEXT, relative to its start; offString and offDx are relative to the record's start.
inline constexpr size_t kTextReference = 0;
inline constexpr size_t kTextChars = 8;
inline constexpr size_t kTextOffString = 12;
inline constexpr size_t kTextOptions = 16;
inline constexpr size_t kTextRect = 20;
inline constexpr size_t kTextOffDx = 36;
inline constexpr size_t kTextSize = 40;
// EMR_POLYTEXTOUTA / W: the count of EMRTEXT entries, then the entries.
inline constexpr size_t kPolyTextCount = 36;
inline constexpr size_t kPolyTextFirst = 40;
// EMR_SMALLTEXTOUT: reference point, cChars, fuOptions, iGraphicsMode, exScale, eyScale, then
// the clipping rectangle unless ETO_NO_RECT is set, then the characters.
inline constexpr size_t kSmallTextChars = 16;
inline constexpr size_t kSmallTextOptions = 20;
inline constexpr size_t kSmallTextFixedSize = 36;
inline constexpr size_t kSmallTextRectSize = 16;
inline constexpr DWORD kSmallTextNoRect = 0x100;     // ETO_NO_RECT
inline constexpr DWORD kSmallTextByteChars = 0x200;  // ETO_SMALL_CHARS: 8-bit characters
inline constexpr DWORD kIgnoreLanguage = 0x1000;     // ETO_IGNORELANGUAGE
inline constexpr DWORD kSmallTextOut = 108;          // EMR_SMALLTEXTOUT
}  // namespace emftext

bool IsTextRecord(DWORD type);

// True when every string and spacing array the text record names lies inside its `size`
// bytes (which the caller has already checked against the data). Other records: true.
bool TextRecordFits(const BYTE* record, DWORD size);

// Clears ETO_IGNORELANGUAGE wherever the record carries options: the EMRTEXT of an
// EXTTEXTOUT, every entry of a POLYTEXTOUT, the options of a SMALLTEXTOUT. `record` is a
// private copy that has passed TextRecordFits.
void ClearIgnoreLanguage(std::vector<BYTE>& record);

// An EXTTEXTOUT record taken apart, the arrays copied out, ready for ExtTextOut.
struct ExtTextOutCall {
    POINT reference{};
    UINT options = 0;
    RECT rect{};
    bool wide = true;
    std::wstring wideText;
    std::string ansiText;
    std::vector<INT> dx;  // empty: none recorded
};
// False when the record is not an EXTTEXTOUT that fits its size.
bool ReadExtTextOut(const BYTE* record, DWORD size, ExtTextOutCall& call);

}  // namespace tw
