// CEMFImage: a raw-data page wrapped into a metafile, so that the vector path sees one shape.
#include "emfimage/EMFImage.h"
#include "emfimage/ImageErrors.h"
#include "emfimage/RawPageDib.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

UniqueEnhMetaFile CEMFImage::ReadMetaFileFromRawData(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm) {
    TW_TRACE(L"ReadMetaFileFromRawData starts...");
    if (FillRawDataBITMAPINFO(&dm, OutputBits(dm), m_info) != SizingResult::Ok) {
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return UniqueEnhMetaFile();
    }
    GlobalLockGuard<BYTE> raw(pageBlock);
    RawPageDib src;
    const SIZE_T size = raw && dataSize && dataSize <= raw.size() ? dataSize : raw.size();
    if (!raw || !src.Read(raw.get(), size)) {
        TW_TRACE(L"ReadMetaFileFromRawData: the page is not a packed DIB this monitor can read");
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return UniqueEnhMetaFile();
    }
    UniqueDC reference = OpenReferenceDC(m_pJob->PrinterName(), dm);
    if (!reference) return UniqueEnhMetaFile();

    MetafileRecorder recorder(reference.get(), PhysicalPageFrame(reference.get(), dm));
    if (!recorder) {
        TW_TRACE(L"ReadMetaFileFromRawData: Error in CreateEnhMetaFile. Error: %d", static_cast<int>(::GetLastError()));
        return UniqueEnhMetaFile();
    }
    const LONG width = m_info.header.biWidth, height = m_info.header.biHeight;
    // The sized page covers the physical page whatever the reference DC's own resolution.
    recorder.UseWorldTransform(recorder.FrameTransform(static_cast<float>(width), static_cast<float>(height)));
    UniqueGdiObject bitmap(::CreateDIBitmap(reference.get(), &src.Info()->bmiHeader, CBM_INIT, src.Bits(), src.Info(),
                                            DIB_RGB_COLORS));
    if (!bitmap) {
        TW_TRACE(L"ReadMetaFileFromRawData: CreateDIBitmap failed. Error: %d", static_cast<int>(::GetLastError()));
    } else {
        UniqueDC memory(::CreateCompatibleDC(reference.get()));
        SelectGuard select(memory.get(), bitmap.get());
        // The whole driver bitmap onto the sized page: with fax output the two differ.
        if (!memory || !::StretchBlt(recorder.Dc(), 0, 0, width, height, memory.get(), 0, 0, src.Width(),
                                     src.Height(), SRCCOPY))
            TW_TRACE(L"ReadMetaFileFromRawData: StretchBlt failed. Error: %d", static_cast<int>(::GetLastError()));
    }
    UniqueEnhMetaFile emf = recorder.Close();
    TW_TRACE_RESULT(L"ReadMetaFileFromRawData", emf.valid());
    return emf;
}

}  // namespace tw
