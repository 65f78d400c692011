// CALS Type 1 raster: the 2048-byte header, then the page in Group 4.
#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlFaxFiles.h"
#include "twfile/CalsHeader.h"
#include "twfile/TiffCompression.h"
#include "twfile/TiffLibrary.h"
#include "twfile/TiffRows.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kCalsCodes{calserr::kNoPageData, calserr::kNoFileName, calserr::kNoImage};

}  // namespace

BOOL CBlCALSFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlCALSFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kCalsCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    CTiffLibrary library;
    if (!library.LoadFor(m_pJob, m_devMode, tiffapi::kCcitt, calserr::kNoEncoder)) return FALSE;
    GlobalLockGuard<BYTE> dib(image.PageDib());
    DibView view;
    if (!dib || !ViewDib(dib.get(), dib.size(), view) || view.bitCount != 1) {
        m_pJob->HandleError(calserr::kNoImage, __FILE__, __LINE__);
        return FALSE;
    }
    const CalsHeader header = BuildCalsHeader(view.width, view.height, view.header->biXPelsPerMeter);
    BOOL written = FALSE;
    {
        UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD done = 0;
        ::SetLastError(ERROR_SUCCESS);
        if (file && ::WriteFile(file.get(), header.data(), static_cast<DWORD>(header.size()), &done, nullptr) &&
            done == header.size()) {
            // Group 4 codes ink as 1: rows are inverted when 0 bits are the page's ink.
            RowSource rows = MonochromeRows(view);
            written = library.Fn().EncodeCcittImage(file.get(), view.width, view.height,
                                                    TIFF_CCITT_CODING(kCompressionCcittT6, 0), &rows,
                                                    &MonochromeRowProc);
        }
        if (file && !written) return FailPartialFile(file, name, kCannotWriteCals, calserr::kWrite, __FILE__, __LINE__);
    }
    if (!written) {
        if (m_pJob->ValidateOutputFile(kCannotWriteCals, name.c_str()))
            m_pJob->HandleError(calserr::kWrite, __FILE__, __LINE__);
        return FALSE;
    }
    m_pJob->NoteOutputFile(name);
    return TRUE;
}

}  // namespace tw
