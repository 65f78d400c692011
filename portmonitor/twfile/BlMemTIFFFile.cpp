// The in-memory TIFF writer: pages go into the job's memory output block, which the clients
// receive after every page, or at the end of the document with multi-page output.
#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlTIFFFile.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kMemTiffCodes{tifferr::kNoPageData, tifferr::kNoFileName, tifferr::kLock};

}  // namespace

BOOL CBlMemTIFFFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlMemTIFFFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kMemTiffCodes, false); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    const DWORD page = SheetNumber();
    CTiffLibrary library;
    if (!library.LoadFor(m_pJob, m_devMode, tiffapi::kMemoryWriter, tifferr::kEntryPoint)) return FALSE;
    const TiffFunctions& fn = library.Fn();
    TW_TRACE(L"CBlMemTIFFFile :: SaveFile");
    GlobalLockGuard<BYTE> dib(image.PageDib());
    DibView view;
    if (!dib || !ViewDib(dib.get(), dib.size(), view)) {
        m_pJob->HandleError(tifferr::kLock, __FILE__, __LINE__);
        return FALSE;
    }

    const DWORD job = m_pJob->JobId();
    const bool multipage = m_pJob->IsMultipageOutput();
    // The document's first sheet starts the TIFF; later sheets of a multi-page document add to it.
    const int mode = !multipage || page <= 1 ? TIFF_MODE_CREATE : TIFF_MODE_APPEND;
    HGLOBAL block = m_pJob->MemoryOutputBlock();
    if (!block) {
        m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
        return FALSE;
    }
    const SIZE_T held = block ? ::GlobalSize(block) : 0;
    HTIFFDOC doc = fn.OpenTiffInMemory(block, static_cast<DWORD>(held), mode);
    if (!doc) {
        m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
        return FALSE;
    }
    const int index = fn.DefineTiffImage(doc);
    if (index == -1) {
        fn.CloseTiffFile(doc);
        m_pJob->HandleError(tifferr::kDefineImage, __FILE__, __LINE__);
        return FALSE;
    }
    TiffPageOptions options;
    options.format = Format();
    options.inMemory = true;
    options.pageNumbering = IsTiffPageNumberTag(&m_devMode, job);
    options.pageNumber = page;
    options.reverseBitOrder = IsReverseBitOrder(&m_devMode, job);
    options.internetTiff = IsInternetTiff(&m_devMode, job);
    if (view.bitCount != 1 && view.bitCount != 24) {
        TW_TRACE(L"CBlMemTIFFFile :: SaveFile : 1.");
        TW_TRACE(L"CBlMemTIFFFile :: SaveFile : 2.");
    }
    BOOL encoded = WriteTiffPage(fn, doc, index, view, options);
    fn.DropTiffImage(doc, index);
    if (!encoded) m_pJob->HandleError(tifferr::kEncode, __FILE__, __LINE__);
    if (encoded && multipage && m_pJob->IsLeadingCoverPage()) {
        fn.CloseTiffFile(doc);
        doc = fn.OpenTiffInMemory(block, static_cast<DWORD>(::GlobalSize(block)), TIFF_MODE_APPEND);
        if (!doc) {
            m_pJob->HandleError(tifferr::kOpen, __FILE__, __LINE__);
            return FALSE;
        }
        fn.MoveLastImageFast(doc, page ? static_cast<int>(page) - 1 : 0, 0);
    }
    if (encoded && options.pageNumbering) fn.UpdatePageNumbersInMemory(doc, static_cast<int>(page));
    fn.CloseTiffFile(doc);
    if (!encoded) {
        m_pJob->HandleError(tifferr::kSaveDib, __FILE__, __LINE__);
        return FALSE;
    }
    if (!multipage) m_pJob->SendMemoryPageImage(block, ::GlobalSize(block));
    return TRUE;
}

}  // namespace tw
