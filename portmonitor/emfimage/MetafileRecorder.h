#pragma once
// Recording the metafiles of the vector path on the printer's reference DC: opening that DC,
// the page frame, and the float page measurements every metafile header gives.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace tw {

class TarnwellDEVMODE;

// A float pair: page size in device pixels, or recording resolution in dots per inch.
struct VectorSize {
    float cx = 0.0f;
    float cy = 0.0f;
};

// The header of `emf`; false when GDI cannot give it.
bool ReadEmfHeader(HENHMETAFILE emf, ENHMETAHEADER& header);
// Page size in the recording device's pixels, from the frame.
VectorSize EmfFloatPageSize(const ENHMETAHEADER& header);
// Recording resolution in dots per inch.
VectorSize EmfRecordingDpi(const ENHMETAHEADER& header);

// The printer DC for `dm`, with the printer's "Messaging Interface ID" kept across it.
UniqueDC OpenReferenceDC(const std::wstring& printerName, const TarnwellDEVMODE& dm);

// The reference DC's whole physical page as a frame (0, 0, width, height) in hundredths of a
// millimetre: the DC's own HORZSIZE and VERTSIZE on a printer; the DEVMODE's paper when the DC
// does not describe a printer (a stand-in DC gives the screen's size).
RECTL PhysicalPageFrame(HDC reference, const TarnwellDEVMODE& dm);

// One metafile being recorded on a reference DC with a given frame. An unclosed recording is
// discarded.
class MetafileRecorder {
public:
    MetafileRecorder(HDC reference, const RECTL& frame);
    ~MetafileRecorder();
    MetafileRecorder(const MetafileRecorder&) = delete;
    MetafileRecorder& operator=(const MetafileRecorder&) = delete;

    HDC Dc() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }
    // The transform that makes `width` x `height` logical units cover the frame exactly. On the
    // printer the page was recorded for it is the identity; on another DC it rescales.
    XFORM FrameTransform(float width, float height) const;
    // Advanced graphics mode with `xform` as the world transform.
    void UseWorldTransform(const XFORM& xform);
    UniqueEnhMetaFile Close();

private:
    HDC m_reference;
    RECTL m_frame;
    HDC m_dc = nullptr;
};

// `first` applied, then `second`.
XFORM CombineXforms(const XFORM& first, const XFORM& second);

}  // namespace tw
