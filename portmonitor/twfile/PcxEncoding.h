#pragma once
// One PCX page made from a page DIB: the 128-byte header, the run-length coded scan lines (top
// row first) and, for 8-bit pages, the 256-colour palette at the end. DCX files hold such pages.
#include <windows.h>

#include <cstddef>
#include <vector>

#include "twfile/TiffRows.h"

namespace tw {

namespace pcx {
inline constexpr size_t kHeaderBytes = 128;
inline constexpr BYTE kManufacturer = 10;
inline constexpr BYTE kVersion = 5;
inline constexpr BYTE kRunLength = 1;
inline constexpr BYTE kRunFlag = 0xC0;
inline constexpr size_t kMaxRun = 63;
inline constexpr BYTE kPaletteMarker = 0x0C;
inline constexpr double kPelsPerMetrePerInch = 39.37;
inline constexpr LONG kMaxSide = 0x10000;  // the header keeps width - 1 and height - 1 in 16 bits
// DCX: the magic and 10023 page offsets, the slot after the last page 0.
inline constexpr DWORD kDcxMagic = 0x3ADE68B1;
inline constexpr size_t kDcxSlots = 10023;
inline constexpr size_t kDcxHeaderBytes = 4 + 4 * kDcxSlots;
}  // namespace pcx

// What the header takes from the screen: its resolution, for pages that give none, and its size.
struct PcxScreen {
    int dpiX = 96;
    int dpiY = 96;
    int width = 0;
    int height = 0;
};
PcxScreen QueryPcxScreen(HDC screen);

// Appends the run-length code of one scan line to `out`; runs never cross the line's end.
void EncodePcxLine(const BYTE* line, size_t size, std::vector<BYTE>& out);
// The whole page; FALSE for a page PCX cannot hold (a side above 65536 pixels).
bool EncodePcxPage(const DibView& view, const PcxScreen& screen, std::vector<BYTE>& out);

}  // namespace tw
