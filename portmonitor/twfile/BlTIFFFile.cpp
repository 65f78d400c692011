// The TIFF file writer: the multi-page file held open for the document, and single-page files.
#include "twfile/BlTIFFFile.h"

#include <algorithm>
#include <cwchar>

#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "twfile/TiffCompression.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kTiffCodes{tifferr::kNoPageData, tifferr::kNoFileName, tifferr::kLock};
constexpr DWORD kNamingFromContent = 9;

}  // namespace

CBlTIFFFile::~CBlTIFFFile() {
    TW_TRACE(L"~CBlTIFFFile");
    // The job closes the file first; a document cut short must not leave the library's handle.
    CloseHandleOnly();
}

bool CBlTIFFFile::ReopenMode() const { return m_pJob->AlwaysReopenTiff() || Format() == kFormatTiffJpeg; }

bool CBlTIFFFile::UsesReopenPath() const {
    const DWORD job = m_pJob->JobId();
    return ReopenMode() || IsContentBasedEmail(&m_devMode, job) || IsSimpleContentBasedEmail(&m_devMode, job) ||
           DmFileGenerationMethod(&m_devMode) == kNamingFromContent;
}

TiffPageOptions CBlTIFFFile::PageOptions(DWORD page) const {
    const DWORD job = m_pJob->JobId();
    TiffPageOptions options;
    options.format = Format();
    options.pageNumbering = IsTiffPageNumberTag(&m_devMode, job);
    options.pageNumber = page;
    options.reverseBitOrder = IsReverseBitOrder(&m_devMode, job);
    options.internetTiff = IsInternetTiff(&m_devMode, job);
    return options;
}

void CBlTIFFFile::ReportWriteFailure(int code, const char* file, int line) {
    if (m_pJob->ValidateOutputFile(kCannotWriteTiff, m_szTiffFileName.c_str()))
        m_pJob->HandleError(code, file, line);
    else
        m_bErrorReported = true;
}

void CBlTIFFFile::ReportLibraryError(int code, const char* file, int line) {
    const int error = m_library.LastError();
    m_pJob->HandleTiffError(code, file, line, error, m_library.ErrorText(error).c_str());
    // The library keeps its error until cleared: reported once, not again with every later page.
    m_library.ClearError();
}

void CBlTIFFFile::ReportEncodeFailure(DWORD ioError) {
    if (ioError == 0) {
        ReportWriteFailure(tifferr::kEncode, __FILE__, __LINE__);
        return;
    }
    // The library cut the page off again; the file system's reason is the one the user needs.
    m_library.ClearError();
    m_bErrorReported = true;
    ReportWriteError(kCannotWriteTiff, m_szTiffFileName, ioError);
}

void CBlTIFFFile::ReportPendingLibraryError(const char* file, int line) {
    if (m_bErrorReported) return;
    if (m_library.LastError() != TIFF_ERR_NONE) ReportLibraryError(tifferr::kLibraryOnly, file, line);
}

void CBlTIFFFile::CloseHandleOnly() {
    if (m_hTiff && m_library.Fn().CloseTiffFile) m_library.Fn().CloseTiffFile(m_hTiff);
    m_hTiff = nullptr;
}

BOOL CBlTIFFFile::OpenTIFFFile(const wchar_t* name) {
    TW_TRACE(L"> CBlTIFFFile::OpenTIFFFile %s", name ? name : L"(null)");
    if (!name || !*name) {
        m_pJob->HandleError(tifferr::kNoFileName, __FILE__, __LINE__);
        return FALSE;
    }
    m_szTiffFileName.assign(name, std::min<size_t>(std::wcslen(name), MAX_PATH - 1));
    m_bErrorReported = false;
    m_dwPagesWritten = 0;
    if (ReopenMode()) {
        TW_TRACE_RESULT(L"CBlTIFFFile::OpenTIFFFile", TRUE);
        return TRUE;
    }
    if (!m_library.Load(m_devMode)) {
        m_pJob->HandleError(kTiffLibraryNotLoaded, __FILE__, __LINE__);
        return FALSE;
    }
    if (!m_library.Has(tiffapi::kFileWriter)) {
        m_library.Free();
        m_pJob->HandleError(tifferr::kEntryPoint, __FILE__, __LINE__);
        return FALSE;
    }
    m_library.ClearError();
    // A zero handle is found by the first page, which reports it.
    m_hTiff = m_library.Fn().OpenTiffFileW(m_szTiffFileName.c_str(), TIFF_MODE_APPEND);
    TW_TRACE(L"< CBlTIFFFile::OpenTIFFFile: handle %p", static_cast<void*>(m_hTiff));
    return TRUE;
}

BOOL CBlTIFFFile::SaveTIFFPage(HGLOBAL pageData, SIZE_T pageDataSize, BOOL isEMF) {
    if (UsesReopenPath()) return SaveReopenedPage(pageData, pageDataSize, m_szTiffFileName.c_str(), isEMF);
    return SaveResidentPage(pageData, pageDataSize, isEMF);
}

int CBlTIFFFile::DefinePage() {
    const int index = m_library.Fn().DefineTiffImage(m_hTiff);
    if (index != -1) return index;
    const int error = m_library.LastError();
    const std::string text = m_library.ErrorText(error);
    CloseHandleOnly();
    m_pJob->HandleTiffError(tifferr::kDefineImage, __FILE__, __LINE__, error, text.c_str());
    return -1;
}

BOOL CBlTIFFFile::WriteResidentPage(const DibView& view, DWORD page) {
    if (!m_hTiff) {
        m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
        return FALSE;
    }
    const TiffFunctions& fn = m_library.Fn();
    const int index = DefinePage();
    if (index == -1) return FALSE;
    const BOOL encoded = WriteTiffPage(fn, m_hTiff, index, view, PageOptions(page));
    if (!encoded) ReportEncodeFailure(::GetLastError());
    ReportPendingLibraryError(__FILE__, __LINE__);
    fn.DropTiffImage(m_hTiff, index);
    if (encoded) {
        ++m_dwPagesWritten;
        m_pJob->NoteOutputFile(m_szTiffFileName);
    }
    return encoded;
}

BOOL CBlTIFFFile::SaveResidentPage(HGLOBAL pageData, SIZE_T pageDataSize, BOOL isEMF) {
    TW_TRACE(L"> CBlTIFFFile::SaveTIFFPage");
    if (!pageData) {
        m_pJob->HandleError(tifferr::kNoPageData, __FILE__, __LINE__);
        return FALSE;
    }
    if (!m_library.Loaded()) return FALSE;
    TW_TRACE(L"CBlTIFFFile :: SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = m_szTiffFileName;
    switch (PreparePage(image, pageData, pageDataSize, name, isEMF, kTiffCodes, false)) {
    case PageStep::Failed: CloseHandleOnly(); return FALSE;
    case PageStep::HeldForSheet: return TRUE;
    case PageStep::Write: break;
    }
    const DWORD page = SheetNumber();
    GlobalLockGuard<BYTE> dib(image.PageDib());
    DibView view;
    if (!dib || !ViewDib(dib.get(), dib.size(), view)) {
        CloseHandleOnly();
        m_pJob->HandleError(tifferr::kLock, __FILE__, __LINE__);
        return FALSE;
    }
    if (!m_hTiff) {
        m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
        return FALSE;
    }
    const BOOL written = WriteResidentPage(view, page);
    if (written && m_pJob->IsLeadingCoverPage()) MoveCoverPageToFront(page);
    TW_TRACE_RESULT(L"CBlTIFFFile::SaveTIFFPage", written);
    return written;
}

// Cover pages made after the document go to its front: the last page is relinked in place.
void CBlTIFFFile::MoveCoverPageToFront(DWORD page) {
    const TiffFunctions& fn = m_library.Fn();
    CloseHandleOnly();
    m_hTiff = fn.OpenTiffFileW(m_szTiffFileName.c_str(), TIFF_MODE_APPEND);
    if (!m_hTiff) {
        m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
        return;
    }
    fn.MoveLastImageFast(m_hTiff, page ? static_cast<int>(page) - 1 : 0, 0);
    CloseHandleOnly();
    m_hTiff = fn.OpenTiffFileW(m_szTiffFileName.c_str(), TIFF_MODE_APPEND);
    if (!m_hTiff) m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
}

BOOL CBlTIFFFile::ConvertToCisco() {
    TW_TRACE(L"Convert TIFF to CISCO format.");
    if (m_library.Fn().ConvertTiffToCiscoFormatW(m_szTiffFileName.c_str())) {
        // A page of a size fax machines do not know is only a warning.
        if (m_library.LastError() == TIFF_ERR_FAX_LAYOUT) m_library.ClearError();
        return TRUE;
    }
    ReportWriteFailure(tifferr::kEncode, __FILE__, __LINE__);
    return FALSE;
}

BOOL CBlTIFFFile::CloseTIFFFile() {
    TW_TRACE(L"> CBlTIFFFile::CloseTIFFFile");
    if (ReopenMode()) {
        m_szTiffFileName.clear();
        return TRUE;
    }
    CloseHandleOnly();
    BOOL result = TRUE;
    // A file no page reached has nothing to convert or number.
    if (m_dwPagesWritten > 0) {
        if (Format() == kFormatTiffCisco && m_library.Fn().ConvertTiffToCiscoFormatW) result = ConvertToCisco();
        // After a write error the file ends with the last page written: that is its total.
        const DWORD total = m_dwWriteError ? m_dwPagesWritten : SheetNumber();
        if (result && total != 0 && m_library.Fn().UpdatePageNumbersW &&
            !m_library.Fn().UpdatePageNumbersW(m_szTiffFileName.c_str(), static_cast<int>(total))) {
            if (!m_bErrorReported) m_pJob->HandleError(tifferr::kUpdatePageNumbers, __FILE__, __LINE__);
            result = FALSE;
        }
    }
    m_library.Free();
    m_szTiffFileName.clear();
    m_dwPagesWritten = 0;
    TW_TRACE_RESULT(L"CBlTIFFFile::CloseTIFFFile", result);
    return result;
}

BOOL CBlTIFFFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlTIFFFile::SaveFile");
    // Reopen mode holds no file open, so its single pages take the path that opens one.
    if (ReopenMode()) return SaveReopenedPage(pageData, pageDataSize, fileName, isEMF);
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kTiffCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    const DWORD page = SheetNumber();
    GlobalLockGuard<BYTE> dib(image.PageDib());
    DibView view;
    if (!dib || !ViewDib(dib.get(), dib.size(), view)) {
        m_pJob->HandleError(tifferr::kLock, __FILE__, __LINE__);
        return FALSE;
    }
    if (!OpenTIFFFile(name.c_str())) return FALSE;
    const BOOL written = WriteResidentPage(view, page);
    const BOOL closed = CloseTIFFFile();
    return written && closed;
}

}  // namespace tw
