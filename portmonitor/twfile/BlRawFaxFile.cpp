// Headerless CCITT streams: the file holds nothing but the coded page.
#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlFaxFiles.h"
#include "twfile/TiffCompression.h"
#include "twfile/TiffLibrary.h"
#include "twfile/TiffRows.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kRawFaxCodes{rawfaxerr::kNoPageData, rawfaxerr::kNoFileName, rawfaxerr::kNoImage};

}  // namespace

DWORD RawFaxCoding(DWORD format) {
    switch (format) {
    case 12: return TIFF_CCITT_CODING(kCompressionCcittT4, kT4Options1D);
    case 13: return TIFF_CCITT_CODING(kCompressionCcittT4, kT4OptionsFillBits);
    case 14: return TIFF_CCITT_CODING(kCompressionCcittT4, kT4Options2D);
    case 15: return TIFF_CCITT_CODING(kCompressionCcittT6, 0);
    default: return 0;
    }
}

BOOL CBlRawFaxFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlRawFaxFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kRawFaxCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    CTiffLibrary library;
    if (!library.LoadFor(m_pJob, m_devMode, tiffapi::kCcitt, rawfaxerr::kNoEncoder)) return FALSE;
    GlobalLockGuard<BYTE> dib(image.PageDib());
    DibView view;
    if (!dib || !ViewDib(dib.get(), dib.size(), view) || view.bitCount != 1) {
        m_pJob->HandleError(rawfaxerr::kNoImage, __FILE__, __LINE__);
        return FALSE;
    }
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        m_pJob->HandleError(rawfaxerr::kCreate, __FILE__, __LINE__);
        return FALSE;
    }
    RowSource rows = MonochromeRows(view);
    ::SetLastError(ERROR_SUCCESS);
    if (!library.Fn().EncodeCcittImage(file.get(), view.width, view.height, RawFaxCoding(Format()), &rows,
                                       &MonochromeRowProc))
        return FailPartialFile(file, name, kCannotWriteRawFax, rawfaxerr::kEncode, __FILE__, __LINE__);
    m_pJob->NoteOutputFile(name);
    return TRUE;
}

}  // namespace tw
