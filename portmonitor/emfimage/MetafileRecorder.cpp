// Reference DC, frames and recordings of the vector path.
#include "emfimage/MetafileRecorder.h"

#include <algorithm>

#include "job/MessagingIdGuard.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr float kFrameUnitsPerMillimetre = 100.0f;
constexpr float kMicrometersPerMillimetre = 1000.0f;
constexpr float kMillimetresPerInch = 25.4f;
// Paper fields are tenths of a millimetre at dmScale 100; frames are hundredths.
constexpr LONG kFrameUnitsPerPaperUnit = 10;
constexpr double kPaperScaleBase = 100.0;

LONG PaperFrameUnits(const TarnwellDEVMODE& dm, size_t field) {
    const double scale = dm.Read<short>(dmoff::dmScale) > 0 ? dm.Read<short>(dmoff::dmScale) : kPaperScaleBase;
    return static_cast<LONG>(dm.Read<short>(field) * scale / kPaperScaleBase * kFrameUnitsPerPaperUnit + 0.5);
}

}  // namespace

bool ReadEmfHeader(HENHMETAFILE emf, ENHMETAHEADER& header) {
    header = ENHMETAHEADER{};
    if (!emf) return false;
    const UINT size = ::GetEnhMetaFileHeader(emf, 0, nullptr);
    if (size == 0) return false;
    // Older writers emit the shorter header; the missing tail stays zero.
    return ::GetEnhMetaFileHeader(emf, sizeof(header), &header) != 0;
}

VectorSize EmfFloatPageSize(const ENHMETAHEADER& h) {
    VectorSize s;
    if (h.szlMillimeters.cx > 0)
        s.cx = static_cast<float>(h.szlDevice.cx) / static_cast<float>(h.szlMillimeters.cx) *
               static_cast<float>(h.rclFrame.right - h.rclFrame.left) / kFrameUnitsPerMillimetre;
    if (h.szlMillimeters.cy > 0)
        s.cy = static_cast<float>(h.rclFrame.bottom - h.rclFrame.top) / kFrameUnitsPerMillimetre *
               static_cast<float>(h.szlDevice.cy) / static_cast<float>(h.szlMillimeters.cy);
    return s;
}

VectorSize EmfRecordingDpi(const ENHMETAHEADER& h) {
    // Headers without the micrometre extension measure in whole millimetres.
    const float umX = h.nSize >= sizeof(ENHMETAHEADER) && h.szlMicrometers.cx > 0
                          ? static_cast<float>(h.szlMicrometers.cx)
                          : static_cast<float>(h.szlMillimeters.cx) * kMicrometersPerMillimetre;
    const float umY = h.nSize >= sizeof(ENHMETAHEADER) && h.szlMicrometers.cy > 0
                          ? static_cast<float>(h.szlMicrometers.cy)
                          : static_cast<float>(h.szlMillimeters.cy) * kMicrometersPerMillimetre;
    VectorSize dpi;
    if (umX > 0.0f) dpi.cx = static_cast<float>(h.szlDevice.cx) / (umX / kMicrometersPerMillimetre) * kMillimetresPerInch;
    if (umY > 0.0f) dpi.cy = static_cast<float>(h.szlDevice.cy) / (umY / kMicrometersPerMillimetre) * kMillimetresPerInch;
    return dpi;
}

UniqueDC OpenReferenceDC(const std::wstring& printerName, const TarnwellDEVMODE& dm) {
    settings::MessagingIdGuard keepId(&dm);
    UniqueDC dc(Spooler().CreatePrinterDC(printerName.c_str(), dm.AsDevModeW()));
    keepId.Restore();
    if (!dc) TW_TRACE(L"OpenReferenceDC: CreateDC failed for %s: %d", printerName.c_str(), static_cast<int>(::GetLastError()));
    return dc;
}

RECTL PhysicalPageFrame(HDC reference, const TarnwellDEVMODE& dm) {
    RECTL frame{};
    if (reference && ::GetDeviceCaps(reference, TECHNOLOGY) == DT_RASPRINTER) {
        frame.right = ::GetDeviceCaps(reference, HORZSIZE) * static_cast<LONG>(kFrameUnitsPerMillimetre);
        frame.bottom = ::GetDeviceCaps(reference, VERTSIZE) * static_cast<LONG>(kFrameUnitsPerMillimetre);
        if (frame.right > 0 && frame.bottom > 0) return frame;
    }
    // The job's record describes the page as drawn: width and length are already exchanged
    // for landscape pages.
    frame.right = PaperFrameUnits(dm, dmoff::dmPaperWidth);
    frame.bottom = PaperFrameUnits(dm, dmoff::dmPaperLength);
    return frame;
}

MetafileRecorder::MetafileRecorder(HDC reference, const RECTL& frame) : m_reference(reference), m_frame(frame) {
    const RECT rect{frame.left, frame.top, frame.right, frame.bottom};
    m_dc = reference ? ::CreateEnhMetaFileW(reference, nullptr, &rect, nullptr) : nullptr;
}

MetafileRecorder::~MetafileRecorder() {
    if (m_dc) {
        PreserveLastError keep;
        ::DeleteEnhMetaFile(::CloseEnhMetaFile(m_dc));
    }
}

XFORM MetafileRecorder::FrameTransform(float width, float height) const {
    // The recording's device units are the reference DC's pixels.
    const float pixelsPerMmX = static_cast<float>(::GetDeviceCaps(m_reference, HORZRES)) /
                               static_cast<float>(std::max(1, ::GetDeviceCaps(m_reference, HORZSIZE)));
    const float pixelsPerMmY = static_cast<float>(::GetDeviceCaps(m_reference, VERTRES)) /
                               static_cast<float>(std::max(1, ::GetDeviceCaps(m_reference, VERTSIZE)));
    XFORM x{};
    const float frameW = static_cast<float>(m_frame.right - m_frame.left) / kFrameUnitsPerMillimetre * pixelsPerMmX;
    const float frameH = static_cast<float>(m_frame.bottom - m_frame.top) / kFrameUnitsPerMillimetre * pixelsPerMmY;
    x.eM11 = width > 0.0f ? frameW / width : 1.0f;
    x.eM22 = height > 0.0f ? frameH / height : 1.0f;
    x.eDx = static_cast<float>(m_frame.left) / kFrameUnitsPerMillimetre * pixelsPerMmX;
    x.eDy = static_cast<float>(m_frame.top) / kFrameUnitsPerMillimetre * pixelsPerMmY;
    return x;
}

void MetafileRecorder::UseWorldTransform(const XFORM& xform) {
    ::SetGraphicsMode(m_dc, GM_ADVANCED);
    ::SetWorldTransform(m_dc, &xform);
}

UniqueEnhMetaFile MetafileRecorder::Close() {
    HDC dc = m_dc;
    m_dc = nullptr;
    return UniqueEnhMetaFile(dc ? ::CloseEnhMetaFile(dc) : nullptr);
}

XFORM CombineXforms(const XFORM& first, const XFORM& second) {
    XFORM out{};
    out.eM11 = first.eM11 * second.eM11 + first.eM12 * second.eM21;
    out.eM12 = first.eM11 * second.eM12 + first.eM12 * second.eM22;
    out.eM21 = first.eM21 * second.eM11 + first.eM22 * second.eM21;
    out.eM22 = first.eM21 * second.eM12 + first.eM22 * second.eM22;
    out.eDx = first.eDx * second.eM11 + first.eDy * second.eM21 + second.eDx;
    out.eDy = first.eDx * second.eM12 + first.eDy * second.eM22 + second.eDy;
    return out;
}

}  // namespace tw
