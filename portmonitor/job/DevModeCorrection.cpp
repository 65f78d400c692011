#include "job/DevModeCorrection.h"

#include <algorithm>

#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {

constexpr double kTenthMmPerInch = 254.0;
constexpr DWORD kGeometryFields = DM_PAPERLENGTH | DM_PAPERWIDTH | DM_YRESOLUTION | DM_PRINTQUALITY;

template <typename T>
void Exchange(TarnwellDEVMODE& dm, size_t a, size_t b) {
    T va = dm.Read<T>(a), vb = dm.Read<T>(b);
    dm.Write<T>(a, vb);
    dm.Write<T>(b, va);
}

void SetFlag(TarnwellDEVMODE& dm, DWORD mask, bool on) { dm.SetBits(dmoff::Flags, sizeof(DWORD), mask, on); }

int RoundHalfUp(double v) { return static_cast<int>(v + 0.5); }

}  // namespace

void SwapLandscapeWidthHeight(TarnwellDEVMODE& dm) {
    if (dm.Read<short>(dmoff::dmOrientation) != DMORIENT_LANDSCAPE) return;
    Exchange<short>(dm, dmoff::dmPaperLength, dmoff::dmPaperWidth);
    Exchange<LONG>(dm, dmoff::PageWidthInPixels, dmoff::PageHeightInPixels);
}

void CorrectDevModeGeometry(TarnwellDEVMODE& dm, DWORD effectiveFormat) {
    if (effectiveFormat == kFormatClearsAnnotations) {
        dm.SetBits(dmoff::AnnotationOptions, sizeof(DWORD), 0x1, false);
        dm.SetBits(dmoff::WatermarkFlags, sizeof(DWORD), dmwm::WatermarkImage, false);
        dm.SetBits(dmoff::CoverPageOptions, 1, 0x1, false);
        SetFlag(dm, dmflag::BatesNumberingEnabled, false);
    }

    const bool fax = dm.HasFlag(dmflag::IsFaxOutputEnabled);
    if (fax) {
        int mode = DmFaxResolutionMode(&dm);
        dm.Write<short>(dmoff::dmPrintQuality, 204);
        dm.Write<short>(dmoff::dmYResolution, static_cast<short>(mode == 2 || mode == 3 ? 98 : 196));
    }

    short x = dm.Read<short>(dmoff::dmPrintQuality);
    if (x >= 0) {
        dm.Write<short>(dmoff::dmPrintQuality, static_cast<short>(std::min<int>(x, kMaxDpi)));
        dm.Write<short>(dmoff::dmYResolution,
                        static_cast<short>(std::min<int>(dm.Read<short>(dmoff::dmYResolution), kMaxDpi)));
    } else {
        // Resolution codes as the driver stores them.
        short nx = 300, ny = 300;
        if (x == -4) nx = ny = 600;
        else if (x == -2) nx = 204, ny = 196;
        else if (x == -1) nx = 204, ny = 98;
        dm.Write<short>(dmoff::dmPrintQuality, nx);
        dm.Write<short>(dmoff::dmYResolution, ny);
    }

    SwapLandscapeWidthHeight(dm);

    if ((dm.Read<DWORD>(dmoff::dmFields) & kGeometryFields) == kGeometryFields) {
        const double scale = dm.Read<short>(dmoff::dmScale);
        const double length = scale * dm.Read<short>(dmoff::dmPaperLength) / 100.0;
        const double width = dm.Read<short>(dmoff::dmPaperWidth) * scale / 100.0;
        double dpiA = dm.Read<short>(dmoff::dmPrintQuality), dpiB = dm.Read<short>(dmoff::dmYResolution);
        if (fax && dm.Read<short>(dmoff::dmOrientation) == DMORIENT_LANDSCAPE) std::swap(dpiA, dpiB);
        const int pixelWidth = RoundHalfUp(dpiA / kTenthMmPerInch * width);
        const int pixelHeight = RoundHalfUp(dpiB / kTenthMmPerInch * length);
        if (pixelWidth != 0 && pixelHeight != 0) {
            dm.Write<LONG>(dmoff::PageWidthInPixels, pixelWidth);
            dm.Write<LONG>(dmoff::PageHeightInPixels, pixelHeight);
        }
    }

    switch (effectiveFormat) {
    case kFormatPageNumbersReversed:
        SetFlag(dm, dmflag::IsPageNumberingEnabled | dmflag::IsReverseBitOrderEnabled, true);
        break;
    case kFormatPageNumbers:
    case kFormatPageNumbersToo:
        SetFlag(dm, dmflag::IsPageNumberingEnabled, true);
        SetFlag(dm, dmflag::IsReverseBitOrderEnabled, false);
        break;
    case kFormatNoReverse:
        SetFlag(dm, dmflag::IsReverseBitOrderEnabled, false);
        break;
    }
}

}  // namespace tw
