// The JPEG writers (codes 16, 17 and 33, and the picture of "HTML with JPEG"): the page DIB is
// handed to the JPEG library, which codes and writes the whole file.
#include <cstring>

#include "emfimage/EMFImage.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlPictureFiles.h"
#include "twfile/JpegLibrary.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kJpegCodes{jpegerrcode::kNoPageData, jpegerrcode::kNoFileName, jpegerrcode::kNoImage};
constexpr WriterErrorCodes kJpegLabCodes{jpeglaberrcode::kNoPageData, jpeglaberrcode::kNoFileName,
                                         jpeglaberrcode::kNoImage};

// Values of the L*a*b parameter block.
constexpr WORD kLabSubsampling = 2;
constexpr WORD kLabColourSpace = JPEG_COLOR_SPACE_CIELAB;
constexpr DWORD kLabOptimize = 1;
constexpr DWORD kLabRestartRows = 1;

template <typename T>
void Put(BYTE* block, size_t offset, T value) {
    std::memcpy(block + offset, &value, sizeof(value));
}

// How one of the two writers uses the library.
struct JpegRoute {
    bool lab;
    const char* entry;
    int noEntry;
    int write;
    const wchar_t* prefixText;
};
constexpr JpegRoute kPlainRoute{false, jpegapi::kSaveDIBInJPEGFileW, jpegerrcode::kNoEntry, jpegerrcode::kWrite,
                                kCannotWriteJpeg};
constexpr JpegRoute kLabRoute{true, jpegapi::kSaveDIBInJPEGFileExW, jpeglaberrcode::kNoEntry, jpeglaberrcode::kWrite,
                              kCannotWriteJpegLab};

// Loads the library for this page, writes the DIB through it and frees it again.
BOOL WriteJpeg(CTWJob* job, const TarnwellDEVMODE& dm, const JpegRoute& route, const std::wstring& name, HGLOBAL dib) {
    CJpegLibrary library;
    if (!library.Load(dm)) {
        job->HandleError(kJpegLibraryNotLoaded, __FILE__, __LINE__);
        return FALSE;
    }
    const DWORD quality = EffectiveLossRatio(&dm, job->JobId());
    int result;
    if (route.lab) {
        auto save = library.Entry<PFN_SaveDIBInJPEGFileExW>(route.entry);
        if (!save) {
            job->HandleError(route.noEntry, __FILE__, __LINE__);
            return FALSE;
        }
        BYTE block[JPEG_EX_BLOCK_SIZE];
        FillJpegLabBlock(block, quality);
        result = save(name.c_str(), dib, block);
    } else {
        auto save = library.Entry<PFN_SaveDIBInJPEGFileW>(route.entry);
        if (!save) {
            job->HandleError(route.noEntry, __FILE__, __LINE__);
            return FALSE;
        }
        result = save(name.c_str(), dib, static_cast<int>(quality));
    }
    TW_TRACE(L"pSaveDIBInJPEGFile x = %d", result);
    if (result != JPEG_OK) {
        if (job->ValidateOutputFile(route.prefixText, name.c_str())) job->HandleError(route.write, __FILE__, __LINE__);
        return FALSE;
    }
    job->NoteOutputFile(name);
    return TRUE;
}

}  // namespace

void FillJpegLabBlock(BYTE (&block)[52], DWORD quality) {
    static_assert(sizeof(block) == JPEG_EX_BLOCK_SIZE);
    std::memset(block, 0, sizeof(block));
    Put<WORD>(block, JPEG_EX_QUALITY, static_cast<WORD>(quality));
    Put<WORD>(block, JPEG_EX_H_SUBSAMPLING, kLabSubsampling);
    Put<WORD>(block, JPEG_EX_V_SUBSAMPLING, kLabSubsampling);
    Put<WORD>(block, JPEG_EX_COLOR_SPACE, kLabColourSpace);
    Put<DWORD>(block, JPEG_EX_OPTIMIZE, kLabOptimize);
    Put<DWORD>(block, JPEG_EX_RESTART_ROWS, kLabRestartRows);
}

BOOL CBlJPEGFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"CBlJPEGFile::SaveFile: %s", fileName ? fileName : L"");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kJpegCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    return WriteJpeg(m_pJob, m_devMode, kPlainRoute, name, image.PageDib());
}

BOOL CBlJPEGLabFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"CBlJPEGLabFile::SaveFile: %s", fileName ? fileName : L"");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kJpegLabCodes, true);
        step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    return WriteJpeg(m_pJob, m_devMode, kLabRoute, name, image.PageDib());
}

}  // namespace tw
