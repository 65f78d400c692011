// Rotation of page metafiles by re-recording them under a world transform.
#include "emfimage/MetafileRotation.h"

#include <utility>

#include "emfimage/DibRotation.h"
#include "emfimage/MetafileReplay.h"
#include "emfimage/PageGeometry.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

bool IsQuarterTurn(int code) { return code == kRotateAnticlockwise || code == kRotateClockwise; }

template <typename T>
void Exchange(TarnwellDEVMODE& dm, size_t a, size_t b) {
    const T va = dm.Read<T>(a);
    dm.Write<T>(a, dm.Read<T>(b));
    dm.Write<T>(b, va);
}

// The record the reference DC of the turned page is opened with.
TarnwellDEVMODE TurnedReferenceDevMode(const TarnwellDEVMODE& dm, int code) {
    TarnwellDEVMODE copy = dm;
    const bool landscape = IsLandscape(&copy);
    if (landscape) {
        // The printer takes the paper in its portrait description.
        Exchange<LONG>(copy, dmoff::PageWidthInPixels, dmoff::PageHeightInPixels);
        Exchange<short>(copy, dmoff::dmPaperWidth, dmoff::dmPaperLength);
    }
    if (IsQuarterTurn(code))
        copy.Write<short>(dmoff::dmOrientation, landscape ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE);
    return copy;
}

UniqueEnhMetaFile RotateOne(const std::wstring& printerName, HANDLE gdiMutex, int code, HENHMETAFILE source,
                            const TarnwellDEVMODE& referenceDm, const VectorSize& size) {
    ENHMETAHEADER header;
    if (!ReadEmfHeader(source, header)) return UniqueEnhMetaFile();
    UniqueDC reference = OpenReferenceDC(printerName, referenceDm);
    if (!reference) return UniqueEnhMetaFile();
    const RECTL& f = header.rclFrame;
    const RECTL frame = IsQuarterTurn(code) ? RECTL{f.top, f.left, f.bottom, f.right} : f;
    MetafileRecorder recorder(reference.get(), frame);
    if (!recorder) return UniqueEnhMetaFile();
    // The page is played into whole pixels; the turn uses the same ones, so no edge moves.
    const LONG w = static_cast<LONG>(size.cx + 0.5f), h = static_cast<LONG>(size.cy + 0.5f);
    const float turnedW = static_cast<float>(IsQuarterTurn(code) ? h : w);
    const float turnedH = static_cast<float>(IsQuarterTurn(code) ? w : h);
    recorder.UseWorldTransform(CombineXforms(RotationTransform(code, static_cast<float>(w), static_cast<float>(h)),
                                             recorder.FrameTransform(turnedW, turnedH)));
    const RECT rect{0, 0, w, h};
    // A page that runs out of its playback budget is not whole: no metafile rather than part of one.
    if (ReplayMetafile(recorder.Dc(), source, rect, gdiMutex).exhausted) return UniqueEnhMetaFile();
    return recorder.Close();
}

}  // namespace

int PageRotationCode(const TarnwellDEVMODE& dm) {
    if (dm.HasFlag(dmflag::IsRotatePaperEnabled)) return IsLandscape(&dm) ? kRotateClockwise : kRotateNone;
    const int code = settings::ReadNumberText(&dm, settings::kPageSettings, settings::kPageRotation,
                                              settings::kPageRotationDefault);
    return code >= kRotateAnticlockwise && code <= kRotateClockwise ? code : kRotateNone;
}

XFORM RotationTransform(int code, float width, float height) {
    switch (code) {
    case kRotateAnticlockwise: return XFORM{0.0f, -1.0f, 1.0f, 0.0f, 0.0f, width};
    case kRotateHalf: return XFORM{-1.0f, 0.0f, 0.0f, -1.0f, width, height};
    case kRotateClockwise: return XFORM{0.0f, 1.0f, -1.0f, 0.0f, height, 0.0f};
    default: return XFORM{1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
    }
}

void SwapPageGeometry(TarnwellDEVMODE& dm) {
    Exchange<LONG>(dm, dmoff::PageWidthInPixels, dmoff::PageHeightInPixels);
    Exchange<short>(dm, dmoff::dmPaperWidth, dmoff::dmPaperLength);
    Exchange<short>(dm, dmoff::dmPrintQuality, dmoff::dmYResolution);
}

bool RotateMetafiles(const std::wstring& printerName, HANDLE gdiMutex, int code, UniqueEnhMetaFile& page,
                     UniqueEnhMetaFile& annotation, TarnwellDEVMODE& dm, VectorSize& size) {
    TW_TRACE(L"> RotateMetafiles %d", code);
    if (code < kRotateAnticlockwise || code > kRotateClockwise || !page) return true;
    const TarnwellDEVMODE referenceDm = TurnedReferenceDevMode(dm, code);
    UniqueEnhMetaFile turnedPage = RotateOne(printerName, gdiMutex, code, page.get(), referenceDm, size);
    if (!turnedPage) {
        TW_TRACE_FAILED(L"RotateMetafiles", L"Page");
        return false;
    }
    UniqueEnhMetaFile turnedAnnotation;
    if (annotation) {
        turnedAnnotation = RotateOne(printerName, gdiMutex, code, annotation.get(), referenceDm, size);
        if (!turnedAnnotation) {
            TW_TRACE_FAILED(L"RotateMetafiles", L"Annotation");
            return false;
        }
    }
    page = std::move(turnedPage);
    if (annotation) annotation = std::move(turnedAnnotation);
    if (IsQuarterTurn(code)) {
        SwapPageGeometry(dm);
        std::swap(size.cx, size.cy);
    }
    TW_TRACE(L"< RotateMetafiles: TRUE");
    return true;
}

}  // namespace tw
