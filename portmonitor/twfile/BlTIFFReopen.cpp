// The TIFF writer's reopen path: every page loads the library, opens the file by name, adds
// itself and closes it again. Taken in reopen mode, for TIFF JPEG and under content naming.
#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlTIFFFile.h"
#include "twfile/TiffCompression.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kTiffCodes{tifferr::kNoPageData, tifferr::kNoFileName, tifferr::kLock};

}  // namespace

BOOL CBlTIFFFile::SaveColourPageByName(HGLOBAL dib, DWORD page) {
    const TiffFunctions& fn = m_library.Fn();
    const wchar_t* name = m_szTiffFileName.c_str();
    if (!fn.SaveDIBInTiffFileW(name, dib, TiffSaveCodeFor(Format()), 0)) {
        if (m_pJob->ValidateOutputFile(kCannotWriteTiff, name))
            ReportLibraryError(tifferr::kSaveDib, __FILE__, __LINE__);
        else
            m_bErrorReported = true;
        return FALSE;
    }
    if (!IsTiffPageNumberTag(&m_devMode, m_pJob->JobId())) return TRUE;
    HTIFFDOC doc = fn.OpenTiffFileW(name, TIFF_MODE_APPEND);
    if (!doc) {
        ReportLibraryError(tifferr::kReopenForPageNumber, __FILE__, __LINE__);
        return FALSE;
    }
    TIFFFILEINFO info{};
    BOOL tagged = fn.GetTiffFileInfo(doc, &info) && info.nImages > 0 && fn.GetTiffImage(doc, info.nImages - 1);
    if (tagged) {
        const WORD number[2] = {static_cast<WORD>(page ? page - 1 : 0), 0};
        tagged = fn.DefineTiffImageInfoBuffer(doc, info.nImages - 1, twtiff::kTagPageNumber, number, TIFF_TYPE_SHORT, 2);
    }
    fn.CloseTiffFile(doc);
    return TRUE;
}

BOOL CBlTIFFFile::SaveMonochromePageByName(const DibView& view, DWORD page) {
    const TiffFunctions& fn = m_library.Fn();
    m_hTiff = fn.OpenTiffFileW(m_szTiffFileName.c_str(), TIFF_MODE_APPEND);
    if (!m_hTiff) {
        m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
        return FALSE;
    }
    const int index = DefinePage();
    if (index == -1) return FALSE;
    BOOL written = WriteTiffPage(fn, m_hTiff, index, view, PageOptions(page));
    if (!written) ReportEncodeFailure(::GetLastError());
    fn.DropTiffImage(m_hTiff, index);
    CloseHandleOnly();
    if (written && Format() == kFormatTiffCisco) written = ConvertToCisco();
    return written;
}

BOOL CBlTIFFFile::SaveReopenedPage(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlTIFFFile::SaveTIFFPage (reopen)");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    // The content-derived name replaces the file's name from the first page on.
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kTiffCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    m_szTiffFileName = name;
    const DWORD page = SheetNumber();
    if (!m_library.Load(m_devMode)) {
        m_pJob->HandleError(kTiffLibraryNotLoaded, __FILE__, __LINE__);
        return FALSE;
    }
    if (!m_library.Has(tiffapi::kFileWriter) || !m_library.Fn().UpdatePageNumbersW) {
        m_library.Free();
        m_pJob->HandleError(tifferr::kEntryPoint, __FILE__, __LINE__);
        return FALSE;
    }
    m_library.ClearError();
    m_bErrorReported = false;
    TW_TRACE(L"CBlTIFFFile :: SaveFile");

    BOOL written = FALSE;
    bool colour = false;
    {
        GlobalLockGuard<BYTE> dib(image.PageDib());
        DibView view;
        if (!dib || !ViewDib(dib.get(), dib.size(), view)) {
            m_pJob->HandleError(tifferr::kLock, __FILE__, __LINE__);
            m_library.Free();
            return FALSE;
        }
        colour = view.bitCount != 1;
        if (!colour) written = SaveMonochromePageByName(view, page);
    }
    // The library reads a colour DIB by its handle, so it is unlocked first.
    if (colour) written = SaveColourPageByName(image.PageDib(), page);
    if (written) {
        m_pJob->NoteOutputFile(m_szTiffFileName);
        if (!m_library.Fn().UpdatePageNumbersW(m_szTiffFileName.c_str(), static_cast<int>(page)) && !m_bErrorReported) {
            m_pJob->HandleError(tifferr::kUpdatePageNumbers, __FILE__, __LINE__);
            written = FALSE;
        }
    }
    ReportPendingLibraryError(__FILE__, __LINE__);
    m_library.Free();
    TW_TRACE_RESULT(L"CBlTIFFFile::SaveTIFFPage (reopen)", written);
    return written;
}

}  // namespace tw
