#pragma once
// The page's size in pixels and its resolution: from the EMF when the driver did not give the
// paper, adjusted for forced resolutions and fax output, and turned into the page DIB's header.
#include <windows.h>

#include <cstddef>

namespace tw {

class TarnwellDEVMODE;
struct EmfPageInfo;

inline constexpr int kFaxLineWidth = 1728;
inline constexpr int kFaxHorizontalDpi = 204;
inline constexpr int kNoDevModePageHeight = 2200;
// Dithering code under which raw-data pages are rendered in colour and reduced afterwards.
inline constexpr int kRawDataDitherForColour = 6;
// A resolution difference above this is rendered at the EMF's own size and stretched.
inline constexpr int kAnisotropicDpiTolerance = 10;
// Output formats that keep pages as vectors; their recording resolution stays isotropic.
bool IsVectorPageFormat(DWORD format);

// Fax output (option bit 0x10000) and the vertical resolution its mode gives.
bool IsFaxOutput(const TarnwellDEVMODE* dm);
int FaxVerticalDpi(const TarnwellDEVMODE* dm);
bool IsLandscape(const TarnwellDEVMODE* dm);

// Page size and paper from the EMF's own measurements, unless the DEVMODE carries both paper
// fields. `format` is the page's file format; `allowAnisotropic` the driver data file's switch.
void ApplyEmfPageGeometry(TarnwellDEVMODE& dm, SIZE emfPixels, DWORD format, bool allowAnisotropic);

// A page DIB's header with room for the two-entry palette of monochrome pages.
struct PageBitmapInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD palette[2]{};

    const BITMAPINFO* AsBitmapInfo() const { return reinterpret_cast<const BITMAPINFO*>(this); }
    DWORD PaletteBytes() const { return header.biClrUsed * sizeof(RGBQUAD); }
    size_t HeaderBytes() const { return sizeof(BITMAPINFOHEADER) + PaletteBytes(); }
    DWORD RowBytes() const { return RowBytesFor(header.biWidth, header.biBitCount); }
    static DWORD RowBytesFor(LONG width, WORD bitCount) {
        return static_cast<DWORD>((static_cast<ULONGLONG>(width) * bitCount + 31) / 32 * 4);
    }
    // Makes the header describe `height` rows of the same width and depth.
    void SetHeight(LONG height);
    int XDpi() const;
    int YDpi() const;
};
static_assert(offsetof(PageBitmapInfo, palette) == sizeof(BITMAPINFOHEADER));

// Why a header could not be sized.
enum class SizingResult { Ok, BadSize, TooLarge };

// The page DIB's header for an EMF page. `outputBits` is the job's effective depth (1, 8, 24).
// May store the forced resolution into the record's UserFlags.
SizingResult FillBITMAPINFO(TarnwellDEVMODE* dm, int outputBits, PageBitmapInfo& out);
// The same for a raw-data page.
SizingResult FillRawDataBITMAPINFO(TarnwellDEVMODE* dm, int outputBits, PageBitmapInfo& out);
// Header of the bitmap an anisotropic page is first drawn into, at the EMF's own size.
PageBitmapInfo FillBITMAPINFO2(WORD bitCount, LONG width, LONG height, LONG xPelsPerMeter, LONG yPelsPerMeter);

// Largest page DIB we agree to allocate: a page beyond it is a bad DEVMODE, not a page.
inline constexpr ULONGLONG kMaxPageDibBytes = 1ull << 30;

}  // namespace tw
