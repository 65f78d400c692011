#pragma once
// Bates numbering: the printer's numbered formats in the registry, the counter they keep
// across jobs and processes, the text of a number and its drawing.
#include <windows.h>

#include <cstddef>
#include <string>

namespace tw {

struct AnnotationContext;

// One format as the job keeps it (292 bytes).
struct BatesFormat {
    wchar_t name[40];
    BYTE reserved[4];
    DWORD usePrefix;
    wchar_t prefix[30];
    BYTE reserved1[4];
    DWORD startWith;  // the counter as last read
    DWORD transparent;
    DWORD position;  // 0 to 4, as TextPosition
    LONG xOffset;
    LONG yOffset;
    DWORD offsetUnit;
    LONG rotation;
    COLORREF color;
    LOGFONTW font;
    BYTE minLength;  // at most kMaxBatesLength
    BYTE reserved3;
    wchar_t padding;
    DWORD resetAtEveryPrinting;
    DWORD resetStart;
    DWORD increaseOnEachDocument;
};
static_assert(sizeof(BatesFormat) == 292);
static_assert(offsetof(BatesFormat, usePrefix) == 84 && offsetof(BatesFormat, startWith) == 152 &&
              offsetof(BatesFormat, font) == 184 && offsetof(BatesFormat, minLength) == 276 &&
              offsetof(BatesFormat, padding) == 278 && offsetof(BatesFormat, increaseOnEachDocument) == 288);

inline constexpr BYTE kMaxBatesLength = 16;

// The key of format `index` (from 0): "<printer>\BatesNumbering\<index + 1>".
std::wstring BatesFormatKey(const std::wstring& printerName, int index);
// FALSE for a negative index or a format whose name, prefix or face name is missing.
BOOL LoadBatesFormatFromRegistry(int index, BatesFormat& format, const std::wstring& printerName);
// "Start with" + 1, written as decimal text; returns the number it replaced.
DWORD UpdateBatesNumberInRegistry(int index, const std::wstring& printerName, BOOL endOfDocument);
// Reads the counter and advances it in one step, so that no two jobs, in this process or any
// other, are given the same number. Returns the number taken.
DWORD TakeBatesNumber(int index, const std::wstring& printerName);

// Prefix (when used), padding up to the minimum length, digits.
std::wstring BatesText(const BatesFormat& format, DWORD number);
// The digits with their padding only, as file names carry them.
std::wstring BatesDigits(const BatesFormat& format, DWORD number);

void DrawBatesNumber(HDC dc, int width, int height, const AnnotationContext& ctx, const BatesFormat& format,
                     DWORD number);

}  // namespace tw
