// Pages per sheet for page metafiles.
#include "emfimage/MetafileSheet.h"

#include <utility>

#include "emfimage/MetafileReplay.h"
#include "emfimage/MetafileRotation.h"
#include "emfimage/PagesPerSheet.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr int kPaperScaleBase = 100;

int Rounded(float v) { return static_cast<int>(v + 0.5f); }

// The cell transform: the page's `width` x `height` onto `cell`, mirrored as the record asks.
XFORM CellTransform(const SheetCell& cell, float width, float height, const TarnwellDEVMODE& dm) {
    XFORM x{};
    x.eM11 = static_cast<float>(cell.width) / width;
    x.eM22 = static_cast<float>(cell.height) / height;
    x.eDx = static_cast<float>(cell.left);
    x.eDy = static_cast<float>(cell.top);
    if (dm.HasFlag(dmflag::MirrorHorizontal)) {
        x.eM11 = -x.eM11;
        x.eDx = static_cast<float>(cell.left + cell.width);
    }
    if (dm.HasFlag(dmflag::MirrorVertical)) {
        x.eM22 = -x.eM22;
        x.eDy = static_cast<float>(cell.top + cell.height);
    }
    return x;
}


struct SheetPlan {
    SheetCell cell;
    SIZE sheet{};
    RECTL frame{};
    bool turned = false;
};

UniqueEnhMetaFile PlaceOne(const std::wstring& printerName, HANDLE gdiMutex, HENHMETAFILE source, const SheetPlan& plan,
                           const VectorSize& pageSize, const TarnwellDEVMODE& referenceDm, int border) {
    UniqueDC reference = OpenReferenceDC(printerName, referenceDm);
    if (!reference) return UniqueEnhMetaFile();
    MetafileRecorder recorder(reference.get(), plan.frame);
    if (!recorder) return UniqueEnhMetaFile();
    const XFORM sheetToFrame = recorder.FrameTransform(static_cast<float>(plan.sheet.cx), static_cast<float>(plan.sheet.cy));
    recorder.UseWorldTransform(sheetToFrame);
    DrawSheetCellBorder(recorder.Dc(), plan.cell, border);
    // The page's own clipping is confined to the cell: the meta region bounds every clip it sets.
    ::IntersectClipRect(recorder.Dc(), plan.cell.left, plan.cell.top, plan.cell.left + plan.cell.width,
                        plan.cell.top + plan.cell.height);
    ::SetMetaRgn(recorder.Dc());
    recorder.UseWorldTransform(
        CombineXforms(CellTransform(plan.cell, pageSize.cx, pageSize.cy, referenceDm), sheetToFrame));
    const RECT rect{0, 0, Rounded(pageSize.cx), Rounded(pageSize.cy)};
    // A page that runs out of its playback budget is not whole: no metafile rather than part of one.
    if (ReplayMetafile(recorder.Dc(), source, rect, gdiMutex).exhausted) return UniqueEnhMetaFile();
    return recorder.Close();
}

}  // namespace

void MetafileSheetGeometry::Remember(const TarnwellDEVMODE& dm, const VectorSize& pageSize, const RECTL& pageFrame) {
    valid = true;
    size = pageSize;
    frame = pageFrame;
    const int scale = dm.Read<short>(dmoff::dmScale) > 0 ? dm.Read<short>(dmoff::dmScale) : kPaperScaleBase;
    paperWidth = dm.Read<short>(dmoff::dmPaperWidth) * scale / kPaperScaleBase;
    paperLength = dm.Read<short>(dmoff::dmPaperLength) * scale / kPaperScaleBase;
    pixelWidth = dm.Read<LONG>(dmoff::PageWidthInPixels);
    pixelHeight = dm.Read<LONG>(dmoff::PageHeightInPixels);
    printQuality = dm.Read<short>(dmoff::dmPrintQuality);
    yResolution = dm.Read<short>(dmoff::dmYResolution);
    paperSize = dm.Read<short>(dmoff::dmPaperSize);
    orientation = dm.Read<short>(dmoff::dmOrientation);
}

void MetafileSheetGeometry::PutBack(TarnwellDEVMODE& dm) const {
    if (!valid) return;
    dm.Write<short>(dmoff::dmScale, dmrule::kScaleTenthMm);
    DmSetPaperWidth(&dm, paperWidth);
    DmSetPaperLength(&dm, paperLength);
    dm.Write<LONG>(dmoff::PageWidthInPixels, pixelWidth);
    dm.Write<LONG>(dmoff::PageHeightInPixels, pixelHeight);
    dm.Write<short>(dmoff::dmPrintQuality, printQuality);
    dm.Write<short>(dmoff::dmYResolution, yResolution);
    dm.Write<short>(dmoff::dmPaperSize, paperSize);
    dm.Write<short>(dmoff::dmOrientation, orientation);
}

bool PlaceMetafilesOnSheet(const std::wstring& printerName, HANDLE gdiMutex, PagesPerSheet& sheet, DWORD pageIndex,
                           UniqueEnhMetaFile& page, UniqueEnhMetaFile& annotation, TarnwellDEVMODE& dm,
                           VectorSize& size) {
    TW_TRACE(L"> PlaceMetafilesOnSheet %u", pageIndex);
    const SheetLayout& layout = sheet.Layout();
    if (layout.count <= 0 || !page) return true;
    ENHMETAHEADER header;
    if (!ReadEmfHeader(page.get(), header) || size.cx <= 0.0f || size.cy <= 0.0f) {
        TW_TRACE_FAILED(L"PlaceMetafilesOnSheet", L"Header");
        return false;
    }
    MetafileSheetGeometry& geometry = sheet.VectorSheet();
    if (pageIndex % static_cast<DWORD>(layout.count) == 0 || !geometry.valid)
        geometry.Remember(dm, size, header.rclFrame);
    else
        geometry.PutBack(dm);

    const int firstW = Rounded(geometry.size.cx), firstH = Rounded(geometry.size.cy);
    SheetPlan plan;
    plan.turned = layout.GridForPage(firstW, firstH).turned;
    plan.sheet = layout.SheetSize(firstW, firstH);
    plan.cell = layout.CellFor(static_cast<int>(pageIndex), firstW, firstH, Rounded(size.cx), Rounded(size.cy));
    if (plan.cell.width <= 0 || plan.cell.height <= 0) {
        TW_TRACE_FAILED(L"PlaceMetafilesOnSheet", L"Cell");
        return false;
    }
    const LONG frameW = geometry.frame.right - geometry.frame.left;
    const LONG frameH = geometry.frame.bottom - geometry.frame.top;
    plan.frame = plan.turned ? RECTL{0, 0, frameH, frameW} : RECTL{0, 0, frameW, frameH};

    TarnwellDEVMODE referenceDm = dm;
    if (plan.turned)
        referenceDm.Write<short>(dmoff::dmOrientation,
                                 dm.Read<short>(dmoff::dmOrientation) == DMORIENT_LANDSCAPE ? DMORIENT_PORTRAIT
                                                                                            : DMORIENT_LANDSCAPE);
    // The annotation metafile is composed first, into the same cell, without a border.
    UniqueEnhMetaFile placedAnnotation;
    if (annotation) {
        placedAnnotation = PlaceOne(printerName, gdiMutex, annotation.get(), plan, size, referenceDm, 0);
        if (!placedAnnotation) return false;
    }
    UniqueEnhMetaFile placedPage = PlaceOne(printerName, gdiMutex, page.get(), plan, size, referenceDm, layout.border);
    if (!placedPage) return false;
    page = std::move(placedPage);
    if (annotation) annotation = std::move(placedAnnotation);
    if (plan.turned) {
        SwapPageGeometry(dm);
        size = VectorSize{geometry.size.cy, geometry.size.cx};
    } else {
        size = geometry.size;
    }
    TW_TRACE(L"< PlaceMetafilesOnSheet: cell %d,%d %dx%d", plan.cell.left, plan.cell.top, plan.cell.width,
             plan.cell.height);
    return true;
}

UniqueEnhMetaFile ComposeSheetMetafile(HDC reference, const std::vector<HENHMETAFILE>& parts, const VectorSize& size) {
    ENHMETAHEADER header;
    if (parts.empty() || !ReadEmfHeader(parts.front(), header)) return UniqueEnhMetaFile();
    MetafileRecorder recorder(reference, header.rclFrame);
    if (!recorder) return UniqueEnhMetaFile();
    recorder.UseWorldTransform(recorder.FrameTransform(size.cx, size.cy));
    const RECT area{0, 0, Rounded(size.cx), Rounded(size.cy)};
    for (HENHMETAFILE part : parts)
        if (!::PlayEnhMetaFile(recorder.Dc(), part, &area)) {
            TW_TRACE_FAILED(L"ComposeSheetMetafile", L"PlayEnhMetaFile");
            return UniqueEnhMetaFile();
        }
    return recorder.Close();
}

}  // namespace tw
