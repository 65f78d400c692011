#pragma once
// TIFF output: one file per page, or one multi-page file per document held open from StartDoc
// to EndDoc (or reopened for every page), and the in-memory TIFF for client applications.
#include <string>

#include "tifflib/Tiff32.h"
#include "twfile/BlFile.h"
#include "twfile/TiffLibrary.h"
#include "twfile/TiffPageTags.h"
#include "twfile/TiffRows.h"

namespace tw {

class CBlTIFFFile : public CBlFile {
public:
    explicit CBlTIFFFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    ~CBlTIFFFile() override;
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;

    // The multi-page protocol: the job opens the file at StartDoc, saves every page into it and
    // closes it at EndDoc or AbortDoc.
    BOOL OpenTIFFFile(const wchar_t* name);
    BOOL SaveTIFFPage(HGLOBAL pageData, SIZE_T pageDataSize, BOOL isEMF);
    BOOL CloseTIFFFile();

    const std::wstring& TiffFileName() const { return m_szTiffFileName; }

private:
    bool ReopenMode() const;        // the file is opened for every page instead of held open
    bool UsesReopenPath() const;    // reopen mode, or a page named by its content
    BOOL SaveResidentPage(HGLOBAL pageData, SIZE_T pageDataSize, BOOL isEMF);
    BOOL SaveReopenedPage(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF);
    BOOL SaveColourPageByName(HGLOBAL dib, DWORD page);
    BOOL SaveMonochromePageByName(const DibView& view, DWORD page);
    // Steps shared by the resident and single-page saves: define, tag, encode, report.
    BOOL WriteResidentPage(const DibView& view, DWORD page);
    TiffPageOptions PageOptions(DWORD page) const;
    // A failed write: explained by the output file checks, or internal error `code`.
    void ReportWriteFailure(int code, const char* file, int line);
    // A page the library could not encode: the file system's error when there was one.
    void ReportEncodeFailure(DWORD ioError);
    void ReportPendingLibraryError(const char* file, int line);
    void ReportLibraryError(int code, const char* file, int line);
    void CloseHandleOnly();
    // A new page in the open file; -1 after closing the handle and reporting the library's error.
    int DefinePage();
    BOOL ConvertToCisco();
    void MoveCoverPageToFront(DWORD page);

    std::wstring m_szTiffFileName;
    CTiffLibrary m_library;
    HTIFFDOC m_hTiff = nullptr;
    bool m_bErrorReported = false;  // a message numbered 25 explained the failure
    DWORD m_dwPagesWritten = 0;     // pages that reached the open file
};

class CBlMemTIFFFile : public CBlFile {
public:
    explicit CBlMemTIFFFile(const TarnwellDEVMODE& dm) : CBlFile(dm) {}
    BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) override;
};

// Internal error numbers of the TIFF writers.
namespace tifferr {
inline constexpr int kNoPageData = 1;
inline constexpr int kNoFileName = 2;
inline constexpr int kEntryPoint = 3;
inline constexpr int kLock = 4;
inline constexpr int kOpen = 5;
inline constexpr int kDefineImage = 8;
inline constexpr int kEncode = 9;
inline constexpr int kReopenForPageNumber = 10;
inline constexpr int kSaveDib = 11;
inline constexpr int kUpdatePageNumbers = 63;
inline constexpr int kLibraryOnly = 0;  // only the library's own error is reported
}  // namespace tifferr

inline constexpr wchar_t kCannotWriteTiff[] = L"Cannot write TIFF file: ";

}  // namespace tw
