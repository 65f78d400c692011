// CEMFImage: a raw-data page wrapped into a metafile, so that the vector path sees one shape.
#include <cstring>

#include "emfimage/EMFImage.h"
#include "emfimage/ImageErrors.h"
#include "emfimage/PackedDib.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr DWORD kMaxPaletteEntries = 256;

// The driver's DIB is trusted no further than its own sizes: the header, biClrUsed palette
// entries and every row must lie inside the data.
bool ReadRawDibHeader(const BYTE* raw, SIZE_T size, BITMAPINFOHEADER& h) {
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    std::memcpy(&h, raw, sizeof(h));
    const bool shapeOk = h.biSize == sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biHeight > 0 && h.biPlanes == 1 &&
                         h.biCompression == BI_RGB && h.biClrUsed <= kMaxPaletteEntries &&
                         (h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 24 ||
                          h.biBitCount == 32) &&
                         !(h.biBitCount <= 8 && h.biClrUsed == 0);
    if (!shapeOk) return false;
    const ULONGLONG need = sizeof(BITMAPINFOHEADER) + static_cast<ULONGLONG>(h.biClrUsed) * sizeof(RGBQUAD) +
                           static_cast<ULONGLONG>(PageBitmapInfo::RowBytesFor(h.biWidth, h.biBitCount)) * h.biHeight;
    return need <= size;
}

}  // namespace

UniqueEnhMetaFile CEMFImage::ReadMetaFileFromRawData(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm) {
    TW_TRACE(L"ReadMetaFileFromRawData starts...");
    if (FillRawDataBITMAPINFO(&dm, OutputBits(dm), m_info) != SizingResult::Ok) {
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return UniqueEnhMetaFile();
    }
    GlobalLockGuard<BYTE> raw(pageBlock);
    BITMAPINFOHEADER src{};
    const SIZE_T size = raw && dataSize && dataSize <= raw.size() ? dataSize : raw.size();
    if (!raw || !ReadRawDibHeader(raw.get(), size, src)) {
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
    const BYTE* bits = raw.get() + sizeof(BITMAPINFOHEADER) + src.biClrUsed * sizeof(RGBQUAD);
    UniqueGdiObject bitmap(::CreateDIBitmap(reference.get(), &src, CBM_INIT, bits,
                                            reinterpret_cast<const BITMAPINFO*>(raw.get()), DIB_RGB_COLORS));
    if (!bitmap) {
        TW_TRACE(L"ReadMetaFileFromRawData: CreateDIBitmap failed. Error: %d", static_cast<int>(::GetLastError()));
    } else {
        UniqueDC memory(::CreateCompatibleDC(reference.get()));
        SelectGuard select(memory.get(), bitmap.get());
        // The whole driver bitmap onto the sized page: with fax output the two differ.
        if (!memory || !::StretchBlt(recorder.Dc(), 0, 0, width, height, memory.get(), 0, 0, src.biWidth,
                                     src.biHeight, SRCCOPY))
            TW_TRACE(L"ReadMetaFileFromRawData: StretchBlt failed. Error: %d", static_cast<int>(::GetLastError()));
    }
    UniqueEnhMetaFile emf = recorder.Close();
    TW_TRACE_RESULT(L"ReadMetaFileFromRawData", emf.valid());
    return emf;
}

}  // namespace tw
