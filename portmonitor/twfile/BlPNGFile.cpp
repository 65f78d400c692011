// The PNG writer (codes 24 and 32, and the picture of "HTML with PNG").
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlPictureFiles.h"
#include "twfile/png/PngModule.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kPngCodes{pngerrcode::kNoPageData, pngerrcode::kNoFileName, pngerrcode::kNoImage};

}  // namespace

BOOL CBlPNGFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlPNGFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kPngCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    if (!SaveDIBAsPNG(name.c_str(), image.PageDib(), 0)) {
        TW_TRACE(L"CBlPNGFile::SaveFile: %S", PngErrorText());
        return FailOutputFile(kCannotWritePng, name, pngerrcode::kWrite, __FILE__, __LINE__);
    }
    m_pJob->NoteOutputFile(name);
    TW_TRACE_RESULT(L"CBlPNGFile::SaveFile", TRUE);
    return TRUE;
}

}  // namespace tw
