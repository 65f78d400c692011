// CEMFImage, vector path: the page and its stamps as metafiles for the metafile-based writers.
#include "emfimage/EMFImage.h"

#include "annotate/BarcodeOptions.h"
#include "emfimage/EmfPageReader.h"
#include "emfimage/ImageErrors.h"
#include "emfimage/MetafileRotation.h"
#include "emfimage/MetafileSheet.h"
#include "job/JobOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr int kFaxModeSquare = 2;  // fax output recorded square, its rows halved afterwards

bool IsFaxModeSquare(const TarnwellDEVMODE& dm) {
    return IsFaxOutput(&dm) && DmFaxResolutionMode(&dm) == kFaxModeSquare;
}

// The record the reference DC is opened with. In fax mode 2 the page is recorded at the
// horizontal resolution in both directions: mode 3's flag, and the long side rescaled.
TarnwellDEVMODE ReferenceDevMode(const TarnwellDEVMODE& dm) {
    TarnwellDEVMODE copy = dm;
    if (!IsFaxModeSquare(dm)) return copy;
    copy.SetFlag(dmflag::FaxResolutionMode2 | dmflag::FaxResolutionMode1, false);
    copy.SetFlag(dmflag::FaxResolutionMode3, true);
    const LONGLONG x = DmXDpi(&dm), y = DmYDpi(&dm);
    // Multiplied before dividing: dividing first would drop up to a whole DPI's worth of rows.
    if (IsLandscape(&dm))
        copy.Write<LONG>(dmoff::PageWidthInPixels, static_cast<LONG>(dm.Read<LONG>(dmoff::PageWidthInPixels) * x / y));
    else
        copy.Write<LONG>(dmoff::PageHeightInPixels, static_cast<LONG>(dm.Read<LONG>(dmoff::PageHeightInPixels) * x / y));
    copy.Write<short>(dmoff::dmYResolution, copy.Read<short>(dmoff::dmPrintQuality));
    return copy;
}

bool SettingOn(const TarnwellDEVMODE& dm, const wchar_t* group, const wchar_t* name) {
    return settings::ReadNumberText(&dm, group, name, 0) != 0;
}

}  // namespace

bool CEMFImage::IsFirstDocumentPage() const { return m_pJob->PageIndexInDocument() == 0; }

CEMFImage::VectorStamps CEMFImage::DecideVectorStamps(const TarnwellDEVMODE& dm, bool withPicture) const {
    VectorStamps s;
    const bool coverPage = m_pJob->IsDriverCoverPage();
    const bool first = IsFirstDocumentPage();
    s.overlayWatermark = withPicture && HasOverlayWatermark(dm);
    s.barcode = BarcodeOnPage(ReadBarcodeOptions(dm), coverPage, first);
    if (coverPage) return s;
    auto stamped = [&](const wchar_t* group, const wchar_t* enable, const wchar_t* firstOnly) {
        return SettingOn(dm, group, enable) && (!SettingOn(dm, group, firstOnly) || first);
    };
    s.header = stamped(settings::kHeaderSettings, settings::kHeaderEnable, settings::kHeaderFirstPageOnly);
    s.footer = stamped(settings::kFooterSettings, settings::kFooterEnable, settings::kFooterFirstPageOnly);
    s.textStamp = stamped(settings::kTextWatermarkStampSettings, settings::kTextStampEnable,
                          settings::kStampFirstPageOnly);
    s.annotation = (dm.Read<DWORD>(dmoff::AnnotationOptions) & dmannot::AnnotationEnabled) != 0 &&
                   (!AnnotationFirstPageOnly(dm) || first);
    s.bates = dm.HasFlag(dmflag::BatesNumberingEnabled);
    return s;
}

BOOL CEMFImage::RecordAnnotations(HDC reference, const RECTL& frame, int width, int height, bool raw,
                                  const TarnwellDEVMODE& dm, UniqueEnhMetaFile& annotationEmf) {
    const VectorStamps stamps = DecideVectorStamps(dm);
    if (!stamps.Any()) return TRUE;
    if (stamps.bates && !LoadBatesNumbering(dm)) {
        TW_TRACE(L"Error loading BatesNumbering.");
        return FALSE;
    }
    // Anisotropic recordings of raster formats give the decorations their own aspect.
    const JobSettings& js = m_pJob->Settings();
    const BOOL isotropic = !(js.bAllowAnisotropicDpi && !IsVectorPageFormat(js.dwEffectiveFormat));
    const BOOL watermarkLast = raw ? FALSE : isotropic;
    const BOOL barcodeLast = raw ? TRUE : isotropic;

    MetafileRecorder recorder(reference, frame);
    if (!recorder) {
        TW_TRACE(L"CEMFImage: annotation metafile cannot be created: %d", static_cast<int>(::GetLastError()));
        return FALSE;
    }
    recorder.UseWorldTransform(recorder.FrameTransform(static_cast<float>(width), static_cast<float>(height)));
    HDC dc = recorder.Dc();
    if (stamps.overlayWatermark) DrawMetafileWatermark(dc, width, height, dm, watermarkLast);
    if (stamps.barcode) DrawMetafileBarcodes(dc, width, height, dm, barcodeLast);
    if (stamps.annotation) DrawAnnotationText(dc, width, height, dm);
    if (stamps.header) DrawHeader(dc, width, height, dm);
    if (stamps.footer) DrawFooter(dc, width, height, dm);
    if (stamps.textStamp) DrawTextStamp(dc, width, height, dm);
    if (stamps.bates) DrawBatesNumber(dc, width, height, dm);
    annotationEmf = recorder.Close();
    return annotationEmf ? TRUE : FALSE;
}

BOOL CEMFImage::FinishVectorPage(TarnwellDEVMODE& dm, bool raw, bool applyPageTransforms, SIZE emfPixels,
                                 UniqueEnhMetaFile& pageEmf, UniqueEnhMetaFile& annotationEmf, VectorSize& size,
                                 VectorSize& dpi) {
    ENHMETAHEADER header;
    if (!ReadEmfHeader(pageEmf.get(), header)) {
        TW_TRACE(L"CEMFImage::CreateEnhMetaFileExt: Error in GetEnhMetaFileHeader. (%d)", static_cast<int>(::GetLastError()));
        return FALSE;
    }
    size = EmfFloatPageSize(header);
    dpi = EmfRecordingDpi(header);
    if (!raw && FillBITMAPINFO(&dm, OutputBits(dm), m_info) != SizingResult::Ok) {
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return FALSE;
    }
    {
        const TarnwellDEVMODE referenceDm = ReferenceDevMode(dm);
        UniqueDC reference = OpenReferenceDC(m_pJob->PrinterName(), referenceDm);
        if (!reference) {
            TW_TRACE(L"CEMFImage: CreateDC FAILED !!! ");
            return FALSE;
        }
        float width = size.cx;
        float height = raw ? static_cast<float>(m_info.header.biHeight) : size.cy;
        if (IsFaxModeSquare(dm) && dpi.cx > 0.0f && dpi.cy > 0.0f) {
            if (IsLandscape(&dm)) width = size.cx / dpi.cx * dpi.cy;
            else if (!raw) height = size.cy / dpi.cy * dpi.cx;
        }
        const RECTL& f = header.rclFrame;
        TW_TRACE(L"EMF width: %d EMF height: %d", static_cast<int>(width), static_cast<int>(height));
        TW_TRACE(L"l: %d, r: %d, t: %d, b: %d", f.left, f.right, f.top, f.bottom);
        TW_TRACE(L"width: %d height: %d", ::GetDeviceCaps(reference.get(), HORZRES), ::GetDeviceCaps(reference.get(), VERTRES));

        if (!raw && !ExtractVectorPageText(reference.get(), pageEmf.get(), emfPixels, dm)) return FALSE;
        if (!RecordAnnotations(reference.get(), f, static_cast<int>(width + 0.5f), static_cast<int>(height + 0.5f), raw,
                               dm, annotationEmf))
            return FALSE;
        if (m_pJob->IsDriverCoverPage()) {
            // The cover sheet carries only what the annotation metafile drew.
            UniqueEnhMetaFile empty = MetafileRecorder(reference.get(), f).Close();
            if (!empty) return FALSE;
            pageEmf = std::move(empty);
        }
    }
    if (!raw && !applyPageTransforms) return TRUE;
    if (!RotateMetafiles(m_pJob->PrinterName(), m_pJob->GdiMutex(), PageRotationCode(dm), pageEmf, annotationEmf, dm,
                         size))
        return FALSE;
    if (m_pJob->Sheet().Count() > 0 &&
        !PlaceMetafilesOnSheet(m_pJob->PrinterName(), m_pJob->GdiMutex(), m_pJob->Sheet(),
                               m_pJob->PageIndexInDocument(), pageEmf, annotationEmf, dm, size))
        return FALSE;
    return TRUE;
}

BOOL CEMFImage::CreateEnhMetaFileExt(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm,
                                     UniqueEnhMetaFile& pageEmf, UniqueEnhMetaFile& annotationEmf, VectorSize& size,
                                     VectorSize& dpi, BOOL applyPageTransforms) {
    TW_TRACE(L"> CEMFImage::CreateEnhMetaFileExt");
    pageEmf.reset();
    annotationEmf.reset();
    EmfPageInfo page;
    const EmfReadResult read = ReadMetaFile(pageBlock, dataSize, pageEmf, page);
    if (read != EmfReadResult::Ok) {
        TW_TRACE(L"CEMFImage::CreateEnhMetaFileExt: %s", EmfReadResultName(read));
        m_pJob->HandleError(EmfReadInternalError(read), __FILE__, __LINE__);
        return FALSE;
    }
    // The fonts the page carries, for its text and for the re-recording of a turned page.
    RegisterFonts(pageEmf.get());
    const BOOL result = FinishVectorPage(dm, false, applyPageTransforms != FALSE, EmfPageSizeInPixels(page), pageEmf,
                                         annotationEmf, size, dpi);
    if (!result) {
        pageEmf.reset();
        annotationEmf.reset();
    }
    TW_TRACE_RESULT(L"CEMFImage::CreateEnhMetaFileExt", result);
    return result;
}

BOOL CEMFImage::CreateEnhMetaFileFromRawDataExt(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm,
                                                UniqueEnhMetaFile& pageEmf, UniqueEnhMetaFile& annotationEmf,
                                                VectorSize& size, VectorSize& dpi) {
    TW_TRACE(L"> CEMFImage::CreateEnhMetaFileFromRawDataExt");
    annotationEmf.reset();
    pageEmf = ReadMetaFileFromRawData(pageBlock, dataSize, dm);
    if (!pageEmf) return FALSE;
    const BOOL result = FinishVectorPage(dm, true, true, SIZE{}, pageEmf, annotationEmf, size, dpi);
    if (!result) {
        pageEmf.reset();
        annotationEmf.reset();
    }
    TW_TRACE_RESULT(L"CEMFImage::CreateEnhMetaFileFromRawDataExt", result);
    return result;
}

}  // namespace tw
