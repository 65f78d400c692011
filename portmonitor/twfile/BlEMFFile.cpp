// The metafile writers (code 18).
#include "twfile/BlEMFFile.h"

#include <cmath>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "emfimage/MetafileRecorder.h"
#include "emfimage/MetafileRotation.h"
#include "emfimage/MetafileSheet.h"
#include "emfimage/PagesPerSheet.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeDump.h"
#include "portcmd/DevModeLayout.h"
#include "twfile/TiffRows.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kEmfCodes{emferr::kNoPageData, emferr::kNoFileName, emferr::kLock};
constexpr double kPelsPerMetrePerInch = 39.37;
constexpr LONG kFrameUnitsPerInch = 2540;  // hundredths of a millimetre

// Text, OCR and content extraction happen while the page is rendered: a metafile page sent to the
// clients must be rendered for them even though its raster is not what they receive.
bool NeedsRenderingForContent(const TarnwellDEVMODE& dm, DWORD jobId) {
    return dm.HasFlag(dmflag::IsWriteTextEnabled) || IsOcrEnabled(&dm, jobId) || IsContentBasedEmail(&dm, jobId) ||
           IsSimpleContentBasedEmail(&dm, jobId);
}

// Frame side in hundredths of a millimetre for `pixels` at `pelsPerMetre`; the reference DC's
// resolution stands in for a DIB that gives none.
LONG FrameSide(LONG pixels, LONG pelsPerMetre, int fallbackDpi) {
    LONG dpi = static_cast<LONG>(std::lround(pelsPerMetre / kPelsPerMetrePerInch));
    if (dpi <= 0) dpi = fallbackDpi > 0 ? fallbackDpi : 96;
    return static_cast<LONG>(static_cast<LONGLONG>(pixels) * kFrameUnitsPerInch / dpi);
}

// A palette of the DIB's colours, for pages that have one.
UniqueGdiObject DibPalette(const DibView& view) {
    if (view.paletteEntries == 0) return UniqueGdiObject();
    std::vector<BYTE> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * view.paletteEntries);
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(view.paletteEntries);
    for (DWORD i = 0; i < view.paletteEntries; ++i)
        palette->palPalEntry[i] = {view.palette[i].rgbRed, view.palette[i].rgbGreen, view.palette[i].rgbBlue, 0};
    return UniqueGdiObject(::CreatePalette(palette));
}

// The page metafile with its stamps drawn over it, as one metafile written to `fileName`.
bool WriteMetafiles(HDC reference, HENHMETAFILE page, HENHMETAFILE stamps, const VectorSize& size,
                    const std::wstring& fileName) {
    if (!stamps) {
        UniqueEnhMetaFile copy(::CopyEnhMetaFileW(page, fileName.c_str()));
        return copy.valid();
    }
    ENHMETAHEADER header{};
    if (!ReadEmfHeader(page, header)) return false;
    const RECT frame{header.rclFrame.left, header.rclFrame.top, header.rclFrame.right, header.rclFrame.bottom};
    HDC dc = ::CreateEnhMetaFileW(reference, fileName.c_str(), &frame, nullptr);
    if (!dc) return false;
    const RECT area{0, 0, static_cast<LONG>(std::lround(size.cx)), static_cast<LONG>(std::lround(size.cy))};
    const bool played = ::PlayEnhMetaFile(dc, page, &area) && ::PlayEnhMetaFile(dc, stamps, &area);
    UniqueEnhMetaFile closed(::CloseEnhMetaFile(dc));
    if (!played || !closed) {
        closed.reset();
        ::DeleteFileW(fileName.c_str());
        return false;
    }
    return true;
}

}  // namespace

BOOL SaveDIBIntoMetaFile(CBlFile& writer, const wchar_t* fileName, HGLOBAL dib, const std::wstring& printerName) {
    TW_TRACE(L"SaveDIBIntoMetaFile starts...");
    UniqueDC reference = OpenReferenceDC(printerName, writer.DevMode());
    if (!reference) {
        TW_TRACE(L"CEMFImage: CreateDC FAILED !!! ");
        return FALSE;
    }
    GlobalLockGuard<BYTE> bytes(dib);
    DibView view;
    if (!bytes || !ViewDib(bytes.get(), bytes.size(), view)) {
        TW_TRACE_FAILED(L"SaveDIBIntoMetaFile", L"ViewDib");
        return FALSE;
    }
    const RECT frame{0, 0, FrameSide(view.width, view.header->biXPelsPerMeter, ::GetDeviceCaps(reference.get(), LOGPIXELSX)),
                     FrameSide(view.height, view.header->biYPelsPerMeter, ::GetDeviceCaps(reference.get(), LOGPIXELSY))};
    TW_TRACE(L"SaveDIBIntoMetaFile: %ldx%ld, %d bpp, frame %ldx%ld", view.width, view.height, view.bitCount, frame.right,
             frame.bottom);
    // The frame in the reference DC's pixels: on the printer the page was made for this is the
    // DIB's own size (1:1); a DC of another resolution gets the DIB scaled onto the same frame.
    const int horzSize = ::GetDeviceCaps(reference.get(), HORZSIZE);
    const int vertSize = ::GetDeviceCaps(reference.get(), VERTSIZE);
    const int destWidth = horzSize > 0 ? ::MulDiv(frame.right, ::GetDeviceCaps(reference.get(), HORZRES), horzSize * 100) : view.width;
    const int destHeight = vertSize > 0 ? ::MulDiv(frame.bottom, ::GetDeviceCaps(reference.get(), VERTRES), vertSize * 100) : view.height;
    HDC dc = ::CreateEnhMetaFileW(reference.get(), fileName, &frame, nullptr);
    if (!dc) {
        TW_TRACE_FAILED(L"SaveDIBIntoMetaFile", L"CreateEnhMetaFile");
        return FALSE;
    }
    bool drawn;
    {
        UniqueGdiObject palette = DibPalette(view);
        HPALETTE oldPalette = palette ? ::SelectPalette(dc, static_cast<HPALETTE>(palette.get()), FALSE) : nullptr;
        if (palette) ::RealizePalette(dc);
        SelectGuard brush(dc, ::GetStockObject(WHITE_BRUSH));
        drawn = ::PatBlt(dc, 0, 0, destWidth, destHeight, PATCOPY) &&
                ::StretchDIBits(dc, 0, 0, destWidth, destHeight, 0, 0, view.width, view.height, view.bits,
                                reinterpret_cast<const BITMAPINFO*>(view.header), DIB_RGB_COLORS, SRCCOPY) != 0;
        if (oldPalette) ::SelectPalette(dc, oldPalette, FALSE);
    }
    UniqueEnhMetaFile closed(::CloseEnhMetaFile(dc));
    if (!drawn || !closed) {
        closed.reset();
        ::DeleteFileW(fileName);
        TW_TRACE_FAILED(L"SaveDIBIntoMetaFile", L"Draw");
        return FALSE;
    }
    TW_TRACE_RESULT(L"SaveDIBIntoMetaFile", TRUE);
    return TRUE;
}

BOOL CBlEMFFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"CBlEMFFile::SaveFile");
    TW_TRACE(L"CBlEMFFile::SaveFile: bEMF: %d", isEMF);
    DumpDevMode(&m_devMode);
    std::wstring name = fileName ? fileName : L"";
    const bool mailMergeText = m_devMode.HasFlag(dmflag::IsWriteTextEnabled) && m_devMode.HasFlag(dmflag::IsMailMergeEnabled);
    // Raw data and text for mail merge take the rendered page (or the rendered sheet).
    const PagesPerSheet& sheet = m_pJob->Sheet();
    if (!isEMF || mailMergeText || (pageData == kPendingSheetData && sheet.HoldsRawData()))
        return SaveRenderedPage(pageData, pageDataSize, name, isEMF);
    if (sheet.Count() >= 2) return SaveSheetPage(pageData, pageDataSize, name);
    const bool turned = PageRotationCode(m_devMode) != 0;
    if (pageData && pageData != kPendingSheetData && !ReadPageContent(pageData, pageDataSize, turned)) return FALSE;
    // A turned page's text is read while it is re-recorded: it is named after that.
    if (!turned && !m_pJob->RenameByContent(name)) return FALSE;
    if (!pageData) {
        m_pJob->HandleError(emferr::kNoPageData, __FILE__, __LINE__);
        return FALSE;
    }
    if (turned) return SaveTurnedPage(pageData, pageDataSize, name);
    if (name.empty()) {
        m_pJob->HandleError(emferr::kNoFileName, __FILE__, __LINE__);
        return FALSE;
    }
    return SavePageData(pageData, pageDataSize, name);
}

// Only OCR needs the page's pixels; its text, markers and fields are read from its records.
BOOL CBlEMFFile::ReadPageContent(HGLOBAL pageData, SIZE_T pageDataSize, bool turned) {
    CEMFImage image(m_pJob);
    if (IsOcrEnabled(&m_devMode, m_pJob->JobId())) return image.Create(pageData, pageDataSize, m_devMode);
    return turned || image.ReadEnhMetaFileText(pageData, pageDataSize, m_devMode);
}

BOOL CBlEMFFile::SaveRenderedPage(HGLOBAL pageData, SIZE_T pageDataSize, const std::wstring& fileName, BOOL isEMF) {
    CEMFImage image(m_pJob);
    std::wstring name = fileName;
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kEmfCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    if (!SaveDIBIntoMetaFile(*this, name.c_str(), image.PageDib(), m_pJob->PrinterName()))
        return FailOutputFile(kCannotWriteEmf, name, emferr::kWrite, __FILE__, __LINE__);
    m_pJob->NoteOutputFile(name);
    return TRUE;
}

// A turned page: re-recorded through the vector path with its stamps, then copied to the file.
BOOL CBlEMFFile::SaveTurnedPage(HGLOBAL pageData, SIZE_T pageDataSize, std::wstring fileName) {
    CEMFImage image(m_pJob);
    TarnwellDEVMODE dm = m_devMode;
    UniqueEnhMetaFile page, stamps;
    VectorSize size, dpi;
    if (!image.CreateEnhMetaFileExt(pageData, pageDataSize, dm, page, stamps, size, dpi, TRUE) || !page) return FALSE;
    if (!m_pJob->RenameByContent(fileName)) return FALSE;
    if (fileName.empty()) {
        m_pJob->HandleError(emferr::kNoFileName, __FILE__, __LINE__);
        return FALSE;
    }
    UniqueDC reference = OpenReferenceDC(m_pJob->PrinterName(), dm);
    if (!reference) {
        TW_TRACE(L"CEMFImage: CreateDC FAILED !!! ");
        return FailOutputFile(kCannotWriteEmf, fileName, emferr::kWrite, __FILE__, __LINE__);
    }
    if (!WriteMetafiles(reference.get(), page.get(), stamps.get(), size, fileName))
        return FailOutputFile(kCannotWriteEmf, fileName, emferr::kWrite, __FILE__, __LINE__);
    m_pJob->NoteOutputFile(fileName);
    return TRUE;
}

BOOL CBlEMFFile::SaveSheetPage(HGLOBAL pageData, SIZE_T pageDataSize, const std::wstring& fileName) {
    PagesPerSheet& sheet = m_pJob->Sheet();
    std::wstring name = fileName;
    if (pageData != kPendingSheetData) {
        if (pageData && !ReadPageContent(pageData, pageDataSize, false)) return FALSE;
        if (!m_pJob->RenameByContent(name)) return FALSE;
        if (!pageData) {
            m_pJob->HandleError(emferr::kNoPageData, __FILE__, __LINE__);
            return FALSE;
        }
        const DWORD index = m_pJob->PageIndexInDocument();
        if (index % static_cast<DWORD>(sheet.Count()) == 0) m_sheetParts.clear();
        CEMFImage image(m_pJob);
        TarnwellDEVMODE dm = m_devMode;
        UniqueEnhMetaFile page, stamps;
        VectorSize dpi;
        if (!image.CreateEnhMetaFileExt(pageData, pageDataSize, dm, page, stamps, m_sheetSize, dpi, TRUE) || !page)
            return FALSE;
        m_sheetParts.push_back(std::move(page));
        if (stamps) m_sheetParts.push_back(std::move(stamps));
        m_sheetDevMode = dm;
        sheet.SetVectorPending(true);
        if (SheetIsIncomplete(*m_pJob)) return TRUE;
    }
    if (m_sheetParts.empty()) return TRUE;
    if (name.empty()) {
        m_pJob->HandleError(emferr::kNoFileName, __FILE__, __LINE__);
        return FALSE;
    }
    const BOOL written = WriteSheet(name);
    m_sheetParts.clear();
    sheet.SetVectorPending(false);
    return written;
}

// The composed sheet, copied to the file.
BOOL CBlEMFFile::WriteSheet(const std::wstring& fileName) {
    UniqueDC reference = OpenReferenceDC(m_pJob->PrinterName(), m_sheetDevMode ? *m_sheetDevMode : m_devMode);
    if (!reference) {
        TW_TRACE(L"CEMFImage: CreateDC FAILED !!! ");
        return FailOutputFile(kCannotWriteEmf, fileName, emferr::kWrite, __FILE__, __LINE__);
    }
    std::vector<HENHMETAFILE> parts;
    for (const UniqueEnhMetaFile& part : m_sheetParts) parts.push_back(part.get());
    UniqueEnhMetaFile composed = ComposeSheetMetafile(reference.get(), parts, m_sheetSize);
    UniqueEnhMetaFile copy(composed ? ::CopyEnhMetaFileW(composed.get(), fileName.c_str()) : nullptr);
    if (!copy) {
        ::DeleteFileW(fileName.c_str());
        return FailOutputFile(kCannotWriteEmf, fileName, emferr::kWrite, __FILE__, __LINE__);
    }
    m_pJob->NoteOutputFile(fileName);
    return TRUE;
}

// The page EMF exactly as the driver sent it.
BOOL CBlEMFFile::SavePageData(HGLOBAL pageData, SIZE_T pageDataSize, const std::wstring& fileName) {
    GlobalLockGuard<BYTE> data(pageData);
    if (!data || data.size() < pageDataSize) {
        m_pJob->HandleError(emferr::kLock, __FILE__, __LINE__);
        return FALSE;
    }
    UniqueCrtFile file(::_wfopen(fileName.c_str(), L"wb"));
    if (!file) return FailOutputFile(kCannotWriteEmf, fileName, emferr::kWrite, __FILE__, __LINE__);
    const bool written = std::fwrite(data.get(), 1, pageDataSize, file.get()) == pageDataSize && std::fflush(file.get()) == 0;
    if (!written) {
        file.reset();
        ::DeleteFileW(fileName.c_str());
        m_pJob->HandleError(emferr::kWrite, __FILE__, __LINE__);
        return FALSE;
    }
    m_pJob->NoteOutputFile(fileName);
    return TRUE;
}

BOOL CBlMemEMFFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t*, BOOL isEMF) {
    TW_TRACE(L"CBlMemEMFFile::SaveFile");
    DumpDevMode(&m_devMode);
    if (pageData && pageData != kPendingSheetData && NeedsRenderingForContent(m_devMode, m_pJob->JobId())) {
        CEMFImage image(m_pJob);
        const BOOL built = isEMF ? image.Create(pageData, pageDataSize, m_devMode)
                                 : image.CreateFromRawData(pageData, pageDataSize, m_devMode);
        if (!built) return FALSE;
    }
    if (!pageData) {
        m_pJob->HandleError(emferr::kNoPageData, __FILE__, __LINE__);
        return FALSE;
    }
    if (pageData == kPendingSheetData) return TRUE;  // the data of each page went out with it
    // The clients receive a block of exactly the page's size: the driver's block may be larger.
    UniqueHGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, pageDataSize));
    {
        GlobalLockGuard<BYTE> from(pageData);
        GlobalLockGuard<BYTE> to(copy.get());
        if (!from || !to || from.size() < pageDataSize) {
            m_pJob->HandleError(emferr::kLock, __FILE__, __LINE__);
            return FALSE;
        }
        std::memcpy(to.get(), from.get(), pageDataSize);
    }
    m_pJob->SendMemoryPageImage(copy.get(), pageDataSize);
    return TRUE;
}

}  // namespace tw
