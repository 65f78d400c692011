// Page size, resolution and the page DIB header.
#include "emfimage/PageGeometry.h"

#include <algorithm>

#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr double kTenthMmPerInch = 254.0;
constexpr int kPelsPerMeterNumerator = 10000;
constexpr double kPelsPerMeterDenominator = 254.0;
constexpr int kPaperScaleDivisor = 100;
constexpr int kPaperScaleToMm = 1000;
// Per-page override of the recording resolution (option bit 31).
constexpr DWORD kPerPageResolutionOverride = 0x80000000u;

LONG PelsPerMeter(int dpi) {
    return static_cast<LONG>(dpi * kPelsPerMeterNumerator / kPelsPerMeterDenominator + 0.5);
}

// Stores one paper side in tenths of a millimetre; the other side follows the unit it takes.
void StorePaperSide(TarnwellDEVMODE& dm, int tenthMm, size_t side, size_t other) {
    const int scale = dm.Read<short>(dmoff::dmScale);
    const int otherValue = dm.Read<short>(other);
    if (tenthMm > dmrule::kMaxPaperTenthMm || scale * otherValue / kPaperScaleDivisor > dmrule::kMaxPaperTenthMm) {
        dm.Write<short>(other, static_cast<short>(scale * otherValue / kPaperScaleToMm));
        dm.Write<short>(side, static_cast<short>(tenthMm / 10));
        dm.Write<short>(dmoff::dmScale, dmrule::kScaleMm);
    } else {
        dm.Write<short>(other, static_cast<short>(scale * otherValue / kPaperScaleDivisor));
        dm.Write<short>(side, static_cast<short>(tenthMm));
        dm.Write<short>(dmoff::dmScale, dmrule::kScaleTenthMm);
    }
}

void FinishHeader(PageBitmapInfo& out, LONG width, LONG height, int xDpi, int yDpi, bool monochrome) {
    BITMAPINFOHEADER& h = out.header;
    h = BITMAPINFOHEADER{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biCompression = BI_RGB;
    h.biXPelsPerMeter = PelsPerMeter(xDpi);
    h.biYPelsPerMeter = PelsPerMeter(yDpi);
    h.biBitCount = monochrome ? 1 : 24;
    h.biClrUsed = monochrome ? 2 : 0;
    out.palette[0] = RGBQUAD{0, 0, 0, 0};
    out.palette[1] = monochrome ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{};
    out.SetHeight(height);
}

SizingResult CheckSize(const PageBitmapInfo& out) {
    const BITMAPINFOHEADER& h = out.header;
    if (h.biWidth <= 0 || h.biHeight <= 0) return SizingResult::BadSize;
    const ULONGLONG bytes = static_cast<ULONGLONG>(out.RowBytes()) * static_cast<ULONGLONG>(h.biHeight);
    return bytes > kMaxPageDibBytes ? SizingResult::TooLarge : SizingResult::Ok;
}

struct StartSize {
    LONGLONG width, height;
    int xDpi, yDpi;
};

StartSize FromDevMode(const TarnwellDEVMODE* dm) {
    if (!dm) return {kFaxLineWidth, kNoDevModePageHeight, DmXDpi(nullptr), DmYDpi(nullptr)};
    return {dm->Read<LONG>(dmoff::PageWidthInPixels),
            static_cast<LONGLONG>(dm->Read<LONG>(dmoff::PageHeightInPixels)) - dm->Read<LONG>(dmoff::FaxHeader),
            DmXDpi(dm), DmYDpi(dm)};
}

void ApplyForcedResolution(TarnwellDEVMODE* dm, StartSize& s) {
    if (!dm || !dm->HasFlag(dmflag::ForceResolution) || IsFaxOutput(dm)) return;
    DWORD forced = dm->Read<DWORD>(dmoff::UserFlags);
    if (forced == 0) {
        forced = (static_cast<DWORD>(s.yDpi) << 16) | static_cast<DWORD>(s.xDpi);
        dm->Write<DWORD>(dmoff::UserFlags, forced);
    }
    const int x = LOWORD(forced), y = HIWORD(forced);
    s.width = s.width * x / s.xDpi;
    s.height = y * s.height / s.yDpi;
    s.xDpi = x;
    s.yDpi = y;
}

SizingResult Finish(PageBitmapInfo& out, const StartSize& s, bool monochrome) {
    if (s.width <= 0 || s.height <= 0 || s.width > LONG_MAX || s.height > LONG_MAX || s.xDpi <= 0 || s.yDpi <= 0)
        return SizingResult::BadSize;
    FinishHeader(out, static_cast<LONG>(s.width), static_cast<LONG>(s.height), s.xDpi, s.yDpi, monochrome);
    return CheckSize(out);
}

}  // namespace

bool IsVectorPageFormat(DWORD format) { return format >= 36 && format <= 41; }

bool IsFaxOutput(const TarnwellDEVMODE* dm) { return DmHasFlag(dm, dmflag::IsFaxOutputEnabled); }

int FaxVerticalDpi(const TarnwellDEVMODE* dm) {
    const int mode = DmFaxResolutionMode(dm);
    return mode == 2 || mode == 3 ? dmrule::kFaxNormalYDpi : dmrule::kFaxFineYDpi;
}

bool IsLandscape(const TarnwellDEVMODE* dm) { return dm && dm->Read<short>(dmoff::dmOrientation) == DMORIENT_LANDSCAPE; }

void PageBitmapInfo::SetHeight(LONG height) {
    header.biHeight = height;
    header.biSizeImage = static_cast<DWORD>(static_cast<ULONGLONG>(RowBytes()) * static_cast<ULONGLONG>(std::max<LONG>(height, 0)));
}

int PageBitmapInfo::XDpi() const {
    return static_cast<int>(header.biXPelsPerMeter * kPelsPerMeterDenominator / kPelsPerMeterNumerator + 0.5);
}

int PageBitmapInfo::YDpi() const {
    return static_cast<int>(header.biYPelsPerMeter * kPelsPerMeterDenominator / kPelsPerMeterNumerator + 0.5);
}

void ApplyEmfPageGeometry(TarnwellDEVMODE& dm, SIZE emf, DWORD format, bool allowAnisotropic) {
    const DWORD fields = dm.Read<DWORD>(dmoff::dmFields);
    if ((fields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == (DM_PAPERLENGTH | DM_PAPERWIDTH)) return;
    const int h = DmXDpi(&dm), v = DmYDpi(&dm);
    const bool landscape = IsLandscape(&dm);
    const bool fax = IsFaxOutput(&dm);
    const bool vector = IsVectorPageFormat(format);
    int rx = h, ry = h;
    bool orientedPair = false;
    if (allowAnisotropic) orientedPair = !vector;
    else orientedPair = fax && !vector && !dm.HasFlag(kPerPageResolutionOverride) && DmFaxResolutionMode(&dm) != 3;
    if (orientedPair) {
        rx = landscape ? v : h;
        ry = landscape ? h : v;
    }
    const int tx = fax && landscape ? v : h;
    const int ty = fax && landscape ? h : v;
    dm.Write<LONG>(dmoff::PageWidthInPixels, static_cast<LONG>(static_cast<double>(tx) * emf.cx / rx));
    dm.Write<LONG>(dmoff::PageHeightInPixels, static_cast<LONG>(static_cast<double>(ty) * emf.cy / ry));
    StorePaperSide(dm, static_cast<int>(static_cast<double>(emf.cx) / rx * kTenthMmPerInch + 0.5), dmoff::dmPaperWidth,
                   dmoff::dmPaperLength);
    StorePaperSide(dm, static_cast<int>(static_cast<double>(emf.cy) / ry * kTenthMmPerInch + 0.5), dmoff::dmPaperLength,
                   dmoff::dmPaperWidth);
    TW_TRACE(L"pSizeInPixels.cx: %d", static_cast<int>(emf.cx));
    TW_TRACE(L"pSizeInPixels.cy: %d", static_cast<int>(emf.cy));
    TW_TRACE(L"DevMode.PaperWidthInPixels: %d", dm.Read<LONG>(dmoff::PageWidthInPixels));
    TW_TRACE(L"DevMode.PaperHeightInPixels: %d", dm.Read<LONG>(dmoff::PageHeightInPixels));
    TW_TRACE(L"DevMode.DM.dmOrientation: %hd (%d)", dm.Read<short>(dmoff::dmOrientation), landscape ? 1 : 0);
}

SizingResult FillBITMAPINFO(TarnwellDEVMODE* dm, int outputBits, PageBitmapInfo& out) {
    StartSize s = FromDevMode(dm);
    ApplyForcedResolution(dm, s);
    if (IsFaxOutput(dm)) {
        if (IsLandscape(dm)) {
            s.height = kFaxLineWidth;
            s.xDpi = FaxVerticalDpi(dm);
            s.yDpi = kFaxHorizontalDpi;
        } else {
            s.width = kFaxLineWidth;
            s.xDpi = kFaxHorizontalDpi;
            s.yDpi = FaxVerticalDpi(dm);
        }
    }
    const int dithering = dm ? dm->Read<int>(dmoff::Dithering) : 0;
    return Finish(out, s, outputBits == 1 && dithering == 0);
}

SizingResult FillRawDataBITMAPINFO(TarnwellDEVMODE* dm, int outputBits, PageBitmapInfo& out) {
    StartSize s = FromDevMode(dm);
    ApplyForcedResolution(dm, s);
    if (IsFaxOutput(dm)) {
        const LONGLONG faxHeader = dm->Read<LONG>(dmoff::FaxHeader);
        const LONGLONG fullHeight = dm->Read<LONG>(dmoff::PageHeightInPixels);
        const LONGLONG fullWidth = dm->Read<LONG>(dmoff::PageWidthInPixels);
        const int faxDpi = FaxVerticalDpi(dm);
        if (IsLandscape(dm)) {
            s.width = fullWidth * faxDpi / s.xDpi - faxHeader;
            s.height = kFaxLineWidth;
            s.xDpi = faxDpi;
            s.yDpi = kFaxHorizontalDpi;
        } else {
            s.height = fullHeight * faxDpi / s.yDpi - faxHeader;
            s.width = kFaxLineWidth;
            s.xDpi = kFaxHorizontalDpi;
            s.yDpi = faxDpi;
        }
    }
    const int dithering = dm ? dm->Read<int>(dmoff::Dithering) : 0;
    return Finish(out, s, outputBits == 1 && dithering != kRawDataDitherForColour);
}

PageBitmapInfo FillBITMAPINFO2(WORD bitCount, LONG width, LONG height, LONG xPelsPerMeter, LONG yPelsPerMeter) {
    PageBitmapInfo out;
    FinishHeader(out, width, height, 0, 0, bitCount == 1);
    out.header.biXPelsPerMeter = xPelsPerMeter;
    out.header.biYPelsPerMeter = yPelsPerMeter;
    return out;
}

}  // namespace tw
