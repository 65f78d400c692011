// The GIF writer (codes 25 and 31, and the picture of "HTML with GIF").
#include "base/WideString.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlPictureFiles.h"
#include "twfile/gif/GifModule.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kGifCodes{pngerrcode::kNoPageData, pngerrcode::kNoFileName, pngerrcode::kNoImage};

}  // namespace

BOOL CBlGIFFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlGIFFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kGifCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    TW_TRACE(L"############ CALLING SaveDIBInGIFFormat()");
    int gifError = giferr::kNone;
    // The job may hold the name with an empty file of its own; any other file stays untouched.
    const GifCreation creation =
        m_pJob->HoldsNameReservation(name) ? GifCreation::NewOrEmptyReservation : GifCreation::NewFileOnly;
    if (SaveDIBInGIFFormat(name.c_str(), image.PageDib(), 0, &gifError, creation)) {
        TW_TRACE(L"############ SaveDIBInGIFFormat() Returned with success");
        m_pJob->NoteOutputFile(name);
        return TRUE;
    }
    TW_TRACE(L"############ SaveDIBInGIFFormat() Returned with error");
    if (m_pJob->ValidateOutputFile(kCannotWriteGif, name.c_str()))
        m_pJob->HandleError(FormatW(kGifErrorFormat, pngerrcode::kWrite, gifError).c_str(), __FILE__, __LINE__);
    return FALSE;
}

}  // namespace tw
