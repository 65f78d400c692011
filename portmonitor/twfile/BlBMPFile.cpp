// The BMP writers.
#include "twfile/BlBMPFile.h"

#include <cstring>

#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BmpEncoding.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kBmpCodes{bmperr::kNoPageData, bmperr::kNoFileName, bmperr::kNoImage};

// A short write without an error is a full disk.
bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(file, data, size, &written, nullptr)) return false;
    if (written != size) ::SetLastError(ERROR_DISK_FULL);
    return written == size;
}

}  // namespace

CBlBMPFile::~CBlBMPFile() { TW_TRACE(L"~CBlBMPFile"); }

BOOL CBlBMPFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlBMPFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kBmpCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    GlobalLockGuard<BYTE> dib(image.PageDib());
    DibLayout layout;
    if (!dib || MeasurePackedDib(dib.get(), dib.size(), layout) != DibCheck::Ok) {
        m_pJob->HandleError(bmperr::kLock, __FILE__, __LINE__);
        return FALSE;
    }
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        TW_TRACE(L"CBlBMPFile::SaveFile: CreateFile %s failed: %d", name.c_str(), static_cast<int>(::GetLastError()));
        if (m_pJob->ValidateOutputFile(kCannotWriteBmp, name.c_str())) m_pJob->HandleError(bmperr::kCreate, __FILE__, __LINE__);
        return FALSE;
    }
    const auto header = BuildBmpFileHeader(layout);
    if (!WriteAll(file.get(), header.data(), static_cast<DWORD>(header.size())) ||
        !WriteAll(file.get(), dib.get(), layout.dibBytes)) {
        // A truncated page is no page: it leaves no file behind.
        return FailPartialFile(file, name, kCannotWriteBmp, bmperr::kWrite, __FILE__, __LINE__);
    }
    m_pJob->NoteOutputFile(name);
    return TRUE;
}

BOOL CBlMemBMPFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlMemBMPFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kBmpCodes, false); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    DibLayout layout;
    {
        GlobalLockGuard<BYTE> dib(image.PageDib());
        if (!dib || MeasurePackedDib(dib.get(), dib.size(), layout) != DibCheck::Ok) {
            m_pJob->HandleError(bmperr::kLock, __FILE__, __LINE__);
            return FALSE;
        }
    }
    const auto header = BuildBmpFileHeader(layout);
    TW_TRACE(L"CBlMemBMPFile :: SaveFile1");
    HGLOBAL grown = ::GlobalReAlloc(image.PageDib(), layout.fileBytes, GMEM_MOVEABLE);
    if (!grown) return FALSE;  // the old block stays the image's
    image.ReleasePageDib();
    image.ResetPageDib(grown);
    {
        TW_TRACE(L"CBlMemBMPFile :: SaveFile2");
        GlobalLockGuard<BYTE> file(grown);
        if (!file) {
            m_pJob->HandleError(bmperr::kLock, __FILE__, __LINE__);
            return FALSE;
        }
        TW_TRACE(L"CBlMemBMPFile :: SaveFile3");
        std::memmove(file.get() + header.size(), file.get(), layout.dibBytes);
        std::memcpy(file.get(), header.data(), header.size());
    }
    m_pJob->SendMemoryPageImage(grown, layout.fileBytes);
    return TRUE;
}

}  // namespace tw
