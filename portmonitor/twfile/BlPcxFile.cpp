// The PCX and DCX writers (codes 1 and 2).
#include <algorithm>
#include <cstring>

#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/BlPcxFiles.h"
#include "twfile/PcxEncoding.h"

namespace tw {
namespace {

constexpr WriterErrorCodes kPcxCodes{pcxerr::kNoPageData, pcxerr::kNoFileName, pcxerr::kNoImage};
constexpr WriterErrorCodes kDcxCodes{dcxerr::kNoPageData, dcxerr::kNoFileName, dcxerr::kNoImage};
constexpr DWORD kWriteBufferBytes = 32768;

// The page DIB as one PCX page; FALSE for a malformed DIB, a page PCX cannot hold, or when
// there is no screen to take the header's defaults from.
bool EncodePage(HGLOBAL dib, std::vector<BYTE>& page) {
    ScreenDC screen;
    if (!screen) {
        TW_TRACE(L"PCX: GetDC failed");
        return false;
    }
    GlobalLockGuard<BYTE> bytes(dib);
    DibView view;
    return bytes && ViewDib(bytes.get(), bytes.size(), view) && EncodePcxPage(view, QueryPcxScreen(screen.get()), page);
}

// Writes in pieces of the buffer size; a short write without an error is a full disk.
bool WriteAll(HANDLE file, const BYTE* data, size_t size) {
    for (size_t at = 0; at < size;) {
        const DWORD n = static_cast<DWORD>(std::min<size_t>(kWriteBufferBytes, size - at));
        DWORD done = 0;
        if (!::WriteFile(file, data + at, n, &done, nullptr)) return false;
        if (done != n) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        at += n;
    }
    return true;
}

}  // namespace

BOOL CBlPCXFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlPCXFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kPcxCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    std::vector<BYTE> page;
    if (!EncodePage(image.PageDib(), page)) {
        m_pJob->HandleError(pcxerr::kNoImage, __FILE__, __LINE__);
        return FALSE;
    }
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FailOutputFile(kCannotWritePcx, name, pcxerr::kWrite, __FILE__, __LINE__);
    ::SetLastError(ERROR_SUCCESS);
    if (!WriteAll(file.get(), page.data(), page.size()))
        return FailPartialFile(file, name, kCannotWritePcx, pcxerr::kWrite, __FILE__, __LINE__);
    m_pJob->NoteOutputFile(name);
    return TRUE;
}

BOOL CBlDCXFile::SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) {
    TW_TRACE(L"> CBlDCXFile::SaveFile");
    CEMFImage image(m_pJob);
    std::wstring name = fileName ? fileName : L"";
    if (const PageStep step = PreparePage(image, pageData, pageDataSize, name, isEMF, kDcxCodes, true); step != PageStep::Write)
        return step == PageStep::HeldForSheet;
    std::vector<BYTE> page;
    if (!EncodePage(image.PageDib(), page)) {
        m_pJob->HandleError(dcxerr::kNoImage, __FILE__, __LINE__);
        return FALSE;
    }
    const int n = m_pJob->Sheet().Count();
    const bool firstSheet = n >= 2 ? m_pJob->PageIndexInDocument() < static_cast<DWORD>(n) : m_pJob->IsFirstPageOfDocument();
    if (firstSheet || !m_pJob->IsMultipageOutput()) {
        UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return FailOutputFile(kCannotWriteDcx, name, dcxerr::kCreate, __FILE__, __LINE__);
        std::vector<BYTE> header(pcx::kDcxHeaderBytes, 0);
        std::memcpy(header.data(), &pcx::kDcxMagic, sizeof(pcx::kDcxMagic));
        ::SetLastError(ERROR_SUCCESS);
        if (!WriteAll(file.get(), header.data(), header.size()))
            return FailPartialFile(file, name, kCannotWriteDcx, dcxerr::kCreate, __FILE__, __LINE__);
    }
    if (!AppendPage(name, page)) {
        if (const DWORD error = ::GetLastError(); error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
            ReportWriteError(kCannotWriteDcx, name, error);
        else
            m_pJob->HandleError(dcxerr::kAppend, __FILE__, __LINE__);
        return FALSE;
    }
    m_pJob->NoteOutputFile(name);
    return TRUE;
}

// Appends `page` and enters it in the first free slot. A page that does not arrive whole is cut
// off again, so the file keeps the pages it had.
bool CBlDCXFile::AppendPage(const std::wstring& name, const std::vector<BYTE>& page) {
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::vector<DWORD> header(1 + pcx::kDcxSlots, 0);
    const DWORD headerBytes = static_cast<DWORD>(pcx::kDcxHeaderBytes);
    DWORD done = 0;
    if (!::ReadFile(file.get(), header.data(), headerBytes, &done, nullptr) || done != headerBytes ||
        header[0] != pcx::kDcxMagic) {
        TW_TRACE(L"CBlDCXFile: %s is no DCX file", name.c_str());
        ::SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // The last slot stays 0: it ends the list of a full file.
    const auto slot = std::find(header.begin() + 1, header.end() - 1, 0u);
    LARGE_INTEGER end{};
    if (slot == header.end() - 1 || !::SetFilePointerEx(file.get(), LARGE_INTEGER{}, &end, FILE_END) ||
        end.QuadPart + static_cast<LONGLONG>(page.size()) > 0xFFFFFFFFLL) {
        TW_TRACE(L"CBlDCXFile: %s is full", name.c_str());
        ::SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const DWORD entry[2] = {static_cast<DWORD>(end.QuadPart), 0};
    LARGE_INTEGER slotOffset{};
    slotOffset.QuadPart = static_cast<LONGLONG>(sizeof(DWORD) * static_cast<size_t>(slot - header.begin()));
    ::SetLastError(ERROR_SUCCESS);
    if (!WriteAll(file.get(), page.data(), page.size()) ||
        !::SetFilePointerEx(file.get(), slotOffset, nullptr, FILE_BEGIN) ||
        !WriteAll(file.get(), reinterpret_cast<const BYTE*>(entry), sizeof(entry))) {
        const DWORD error = ::GetLastError();
        if (::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN)) ::SetEndOfFile(file.get());
        ::SetLastError(error);
        return false;
    }
    return true;
}

}  // namespace tw
