#include "annotate/MetafileWatermark.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "annotate/AlphaPicture.h"
#include "annotate/WatermarkPicture.h"
#include "emfimage/PackedDib.h"
#include "emfimage/PageGeometry.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr double kTenthMmPerInch = 254.0;
constexpr int kScaleBase = 100;
constexpr DWORD kCopyBelowBrightness = 2;

int Rounded(double v) { return static_cast<int>(std::lround(v)); }

// The plan for the picture scaled to `sw` x `sh`, its sources taken back to the picture's pixels.
std::vector<WatermarkCopy> PlanScaled(DWORD code, int w, int h, const MetafileWatermarkPage& page) {
    const int sw = std::max(1, Rounded(w * page.scaleX)), sh = std::max(1, Rounded(h * page.scaleY));
    std::vector<WatermarkCopy> copies = PlanWatermark(code, sw, sh, page.width, page.height);
    if (sw == w && sh == h) return copies;
    for (WatermarkCopy& c : copies) {
        c.sx = c.sx * w / sw, c.sw = std::max(1, c.sw * w / sw);
        c.sy = c.sy * h / sh, c.sh = std::max(1, c.sh * h / sh);
    }
    return copies;
}

bool CopyOpaque(HDC dc, HGLOBAL dib, DWORD code, const MetafileWatermarkPage& page, DWORD brightness) {
    DibView view(dib);
    if (!view.valid()) return false;
    const std::vector<WatermarkCopy> copies = PlanScaled(code, view.Shape().width, view.Shape().height, page);
    CopyPicturePieces(dc, view, copies, brightness < kCopyBelowBrightness ? SRCCOPY : SRCAND, code == 8);
    return true;
}

}  // namespace

MetafileWatermarkPage MetafileWatermarkPageFor(const TarnwellDEVMODE& dm, int xDpi, int yDpi) {
    MetafileWatermarkPage page;
    const bool faxLandscape = IsFaxOutput(&dm) && IsLandscape(&dm);
    page.width = dm.Read<LONG>(dmoff::PageWidthInPixels);
    page.height = dm.Read<LONG>(dmoff::PageHeightInPixels);
    if (faxLandscape) {
        const short stored = dm.Read<short>(dmoff::dmScale);
        const double scale = (stored > 0 ? stored : kScaleBase) / static_cast<double>(kScaleBase);
        page.width = Rounded(DmPaperWidth(&dm) * scale / kTenthMmPerInch * xDpi);
        page.height = Rounded(DmPaperLength(&dm) * scale / kTenthMmPerInch * yDpi);
    }
    if (xDpi > 0 && yDpi > 0 && xDpi != yDpi) {
        if (faxLandscape) page.scaleX = static_cast<double>(xDpi) / yDpi;
        else page.scaleY = static_cast<double>(yDpi) / xDpi;
    }
    return page;
}

bool DrawMetafileWatermarkPicture(HDC dc, HGLOBAL dib, DWORD code, const MetafileWatermarkPage& page, DWORD brightness) {
    LONG w = 0, h = 0;
    if (!ReadAlphaShape(dib, w, h)) return CopyOpaque(dc, dib, code, page, brightness);
    if (BlendPicturePieces(dc, dib, PlanScaled(code, w, h, page), brightness, code == 8)) return true;
    // Without a blend the picture still shows, laid over white and lightened as any other.
    UniqueHGlobal flat = FlattenOverWhite(dib);
    UniqueHGlobal light = flat ? LightenPicture(flat.get(), brightness) : UniqueHGlobal();
    return light && CopyOpaque(dc, light.get(), code, page, brightness);
}

}  // namespace tw
