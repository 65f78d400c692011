#pragma once
// One spooled page turned into the page DIB the writers save: read, sized, drawn band by band
// into a printer-compatible bitmap, then turned, composed onto a sheet and colour-reduced.
#include <windows.h>

#include "base/UniqueHandle.h"
#include "emfimage/MetafileRecorder.h"
#include "emfimage/PageGeometry.h"
#include "emfimage/PagePlayer.h"

namespace tw {

class CTWJob;
class TarnwellDEVMODE;

// The page data handle that asks for the pending pages-per-sheet sheet instead of a page.
inline const HGLOBAL kPendingSheetData = reinterpret_cast<HGLOBAL>(~static_cast<UINT_PTR>(0));

class CEMFImage {
public:
    explicit CEMFImage(CTWJob* job) : m_pJob(job) {}
    ~CEMFImage() { Clear(); }
    CEMFImage(const CEMFImage&) = delete;
    CEMFImage& operator=(const CEMFImage&) = delete;

    // A page EMF of `dataSize` bytes. The DEVMODE is the writer's copy: the page geometry is
    // stored into it. TRUE with a page DIB, or TRUE without one while a sheet is still filling.
    BOOL Create(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm);
    // A raw-data page: a packed DIB the driver rasterised itself.
    BOOL CreateFromRawData(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm);

    // The page DIB (moveable global block), owned by the image; null when there is none.
    HGLOBAL PageDib() const { return m_pageDib.get(); }
    // Replaces the page DIB, e.g. by the block a memory writer grew.
    void ResetPageDib(HGLOBAL dib) { m_pageDib.reset(dib); }
    HGLOBAL ReleasePageDib() { return m_pageDib.release(); }
    void Clear();

    const PlaybackStats& Playback() const { return m_playback; }
    // How long and how far this image's pages may play (tests and the page fuzzer lower them).
    void SetPlaybackLimits(const PlaybackLimits& limits) { m_limits = limits; }

    // ---- The vector path (EMFImageVector.cpp): the page as metafiles for the metafile-based
    // writers. Both metafiles become the caller's; the annotation metafile (the page's stamps,
    // same frame) stays empty when nothing is stamped. `size` is the page in the recording
    // device's pixels, `dpi` the recording resolution.
    //
    // A page EMF. `applyPageTransforms` also turns the page and puts it onto its pages-per-sheet
    // cell, as the raw-data variant always does.
    BOOL CreateEnhMetaFileExt(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm, UniqueEnhMetaFile& pageEmf,
                              UniqueEnhMetaFile& annotationEmf, VectorSize& size, VectorSize& dpi,
                              BOOL applyPageTransforms);
    // A raw-data page, wrapped into a metafile, then turned and put onto its sheet cell.
    BOOL CreateEnhMetaFileFromRawDataExt(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm,
                                         UniqueEnhMetaFile& pageEmf, UniqueEnhMetaFile& annotationEmf,
                                         VectorSize& size, VectorSize& dpi);
    // A raw-data page (packed DIB) drawn into a metafile recorded on the reference DC over the
    // printer's physical page; sizes the image's header as raw-data pages are sized. Null after
    // the failure was reported or traced.
    UniqueEnhMetaFile ReadMetaFileFromRawData(HGLOBAL pageBlock, SIZE_T dataSize, TarnwellDEVMODE& dm);
    // The text of a page EMF read from its records, markers and fields included, without drawing
    // it: for writers that keep the page as it came. TRUE when nothing needs its text.
    BOOL ReadEnhMetaFileText(HGLOBAL pageBlock, SIZE_T dataSize, const TarnwellDEVMODE& dm);

private:
    // Which decorations the vector path records into the annotation metafile.
    struct VectorStamps {
        bool overlayWatermark = false, barcode = false, annotation = false, header = false, footer = false,
             textStamp = false, bates = false;
        bool Any() const { return overlayWatermark || barcode || annotation || header || footer || textStamp || bates; }
    };
    // `withPicture` also looks for the overlay picture (loading it when it is due).
    VectorStamps DecideVectorStamps(const TarnwellDEVMODE& dm, bool withPicture = true) const;
    bool IsFirstDocumentPage() const;
    // `emfPixels`: the page EMF's size in its device's pixels (unused for raw data).
    BOOL FinishVectorPage(TarnwellDEVMODE& dm, bool raw, bool applyPageTransforms, SIZE emfPixels,
                          UniqueEnhMetaFile& pageEmf, UniqueEnhMetaFile& annotationEmf, VectorSize& size,
                          VectorSize& dpi);
    BOOL RecordAnnotations(HDC reference, const RECTL& frame, int width, int height, bool raw,
                           const TarnwellDEVMODE& dm, UniqueEnhMetaFile& annotationEmf);

    // Call points of the vector path, in the order a page meets them (the text in EMFImageText.cpp,
    // the others in EMFImageVectorCallPoints.cpp). The text: FALSE after the failure was reported.
    BOOL ExtractVectorPageText(HDC reference, HENHMETAFILE emf, SIZE emfPixels, const TarnwellDEVMODE& dm);
    bool HasOverlayWatermark(const TarnwellDEVMODE& dm) const;
    bool AnnotationFirstPageOnly(const TarnwellDEVMODE& dm) const;
    BOOL LoadBatesNumbering(const TarnwellDEVMODE& dm);
    void DrawMetafileWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm, BOOL last);
    void DrawMetafileBarcodes(HDC dc, int width, int height, const TarnwellDEVMODE& dm, BOOL last);
    void DrawAnnotationText(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawHeader(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawFooter(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawTextStamp(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawBatesNumber(HDC dc, int width, int height, const TarnwellDEVMODE& dm);

private:
    struct Bands;  // the DCs and bitmaps of one page's banding
    BOOL RenderEmfBands(HENHMETAFILE emf, SIZE emfPixels, LONG xPelsPerMeter, LONG yPelsPerMeter, TarnwellDEVMODE& dm);
    BOOL RenderRawBands(const BYTE* rawDib, SIZE_T rawSize, TarnwellDEVMODE& dm);
    bool PrepareBands(Bands& b, TarnwellDEVMODE& dm, LONG bandHeight);
    bool CopyBand(Bands& b, LONG y);  // reports a failure
    bool CopyBandRows(Bands& b, LONG y);
    BOOL AllocatePageDib(SizingResult sizing);
    BOOL FinishPage(TarnwellDEVMODE& dm, bool rawData);
    BOOL ComposePendingSheet(TarnwellDEVMODE& dm, bool rawData);
    BOOL ReduceColours(const TarnwellDEVMODE& dm, bool rawData);
    int OutputBits(const TarnwellDEVMODE& dm) const;
    FontQualityRule FontRule(const TarnwellDEVMODE& dm) const;

    // Installs the fonts the page carries, once per page (EMFImageFonts.cpp).
    void RegisterFonts(HENHMETAFILE emf);

    // Reads the page's markers and words into the job, following `emf` on `dc` over `pageRect`.
    void ReadPageText(HDC dc, HENHMETAFILE emf, const RECT& pageRect, const wchar_t* fontLogTag);

    // Which decorations the raster page gets, decided once before its first band: the page is
    // drawn band by band, and every band must show the same choice.
    struct PageDecorations {
        VectorStamps stamps;
        bool textWatermark = false;
    };
    void DecidePageDecorations(const TarnwellDEVMODE& dm);

    // Drawing of the subsystems that decorate a page, in the order a band receives them.
    void ExtractPageText(HDC dc, HENHMETAFILE emf, const TarnwellDEVMODE& dm);
    void DrawWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawTextWatermark(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawOverlays(HDC dc, int width, int height, const TarnwellDEVMODE& dm);
    void DrawBarcode(HDC dc, int width, int height, const TarnwellDEVMODE& dm, BOOL metafile);
    void RecognisePageText(const TarnwellDEVMODE& dm);

    CTWJob* m_pJob;
    UniqueHGlobal m_pageDib;
    PageBitmapInfo m_info;   // the page's header; during banding it describes one band
    LONG m_pageHeight = 0;
    PlaybackStats m_playback;
    PlaybackLimits m_limits;
    PageDecorations m_decorations;
};

}  // namespace tw
