// MO:DCA with one IOCA image: the library's structured fields around the page's MMR data.
#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlFaxFiles.h"
#include "twfile/TiffLibrary.h"
#include "twfile/TiffRows.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kIocaCodes{iocaerr::kNoPageData, iocaerr::kNoFileName, iocaerr::kNoImage};

}  // namespace

BOOL CBlIOCAFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlIOCAFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kIocaCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    CTiffLibrary library;
    if (!library.Load(m_devMode) || !library.Has(tiffapi::kIoca)) {
        TW_TRACE(L"< CBlIOCAFile::SaveFile[!Library]: FALSE");
        return FALSE;
    }
    GlobalLockGuard<BYTE> dib(image.PageDib());
    DibView view;
    if (!dib || !ViewDib(dib.get(), dib.size(), view) || view.bitCount != 1) {
        m_pJob->HandleError(iocaerr::kNoImage, __FILE__, __LINE__);
        return FALSE;
    }
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        m_pJob->ValidateOutputFile(kCannotWriteIoca, name.c_str());
        return FALSE;
    }
    IOCAHEADER header{};
    header.wXPelsPerMeter = static_cast<WORD>(view.header->biXPelsPerMeter);
    header.wYPelsPerMeter = static_cast<WORD>(view.header->biYPelsPerMeter);
    header.wWidth = static_cast<WORD>(view.width);
    header.wHeight = static_cast<WORD>(view.height);
    const TiffFunctions& fn = library.Fn();
    // A page that did not reach the file whole leaves none; a full disk is reported.
    auto fail = [&] {
        if (const DWORD error = RemovePartialFile(file, name)) ReportWriteError(kCannotWriteIoca, name, error);
        return FALSE;
    };
    ::SetLastError(ERROR_SUCCESS);
    if (!fn.WriteIOCAHeader(file.get(), &header)) return fail();
    // The encoder takes the DIB's own bits and inverts them itself.
    RowSource rows = CopiedRows(view);
    const BOOL encoded = fn.EncodeMMRImage(file.get(), view.width, view.height, 0, &rows, &MonochromeRowProc);
    // A page whose image data failed is not a finished document, whatever the tail does.
    const BOOL result = fn.WriteIOCATail(file.get()) && encoded;
    if (!result) return fail();
    m_pJob->NoteOutputFile(name);
    return TRUE;
}

}  // namespace tw
