#pragma once
// The output writers: one object per document, made from the effective output format, that
// receives every page as the driver sent it, renders it and writes it in its format.
#include <windows.h>

#include <memory>
#include <string>

#include "base/UniqueHandle.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

class CTWJob;
class CEMFImage;

// The numbered internal errors a writer reports for the common steps of a page.
struct WriterErrorCodes {
    int noPageData;
    int noFileName;
    int noImage;
};

class CBlFile {
public:
    virtual ~CBlFile();
    CBlFile(const CBlFile&) = delete;
    CBlFile& operator=(const CBlFile&) = delete;

    // `pageData` is the page EMF (isEMF) or raw-data page, or kPendingSheetData for the sheet
    // that pages per sheet left incomplete. TRUE when written or held back for the sheet.
    virtual BOOL SaveFile(HGLOBAL pageData, SIZE_T pageDataSize, const wchar_t* fileName, BOOL isEMF) = 0;

    void SetJob(CTWJob* job) { m_pJob = job; }
    CTWJob* Job() const { return m_pJob; }
    // The effective output format the writer was made for.
    void SetFormat(DWORD format) { m_dwFormat = format; }
    DWORD Format() const { return m_dwFormat; }
    void SetCurrentPage(DWORD page) { m_dwCurrentPage = page; }
    DWORD CurrentPage() const { return m_dwCurrentPage; }
    // The job copies its record in again when a start-page plug-in changed it.
    void CopyDevMode(const TarnwellDEVMODE& dm) { m_devMode = dm; }
    const TarnwellDEVMODE& DevMode() const { return m_devMode; }

protected:
    explicit CBlFile(const TarnwellDEVMODE& dm) : m_devMode(dm) {}

    enum class PageStep { Write, HeldForSheet, Failed };
    // The steps every file writer takes before encoding: argument checks, the page image,
    // content-based renaming (file writers only) and the pages-per-sheet gate. On Write the
    // image holds the page DIB and `fileName` the name to write.
    PageStep PreparePage(CEMFImage& image, HGLOBAL pageData, SIZE_T pageDataSize, std::wstring& fileName, BOOL isEMF,
                         const WriterErrorCodes& codes, bool renameByContent);
    // A write the file system refused (`error`, e.g. a full disk), reported in its own words;
    // the job's later failures of the same cause add nothing.
    void ReportWriteError(const wchar_t* prefixText, const std::wstring& fileName, DWORD error);
    // Closes and removes the file of a page that did not reach it whole; returns the file
    // system's error of the failed write (GetLastError, cleared before writing), 0 when none.
    static DWORD RemovePartialFile(UniqueFile& file, const std::wstring& fileName);
    // A page that did not reach its file whole: the file goes; the file system's error is
    // reported in its own words, any other failure as internal error `code`.
    BOOL FailPartialFile(UniqueFile& file, const std::wstring& fileName, const wchar_t* prefixText, int code,
                         const char* sourceFile, int line);
    // A page whose file could not be written: the output check tells the user why when it
    // can (a message numbered 25), otherwise internal error `code` is reported. FALSE.
    BOOL FailOutputFile(const wchar_t* prefixText, const std::wstring& fileName, int code, const char* sourceFile,
                        int line);
    // The number of the sheet being written, for outputs numbered by page.
    DWORD SheetNumber() const;

    TarnwellDEVMODE m_devMode;
    // The file system's error that cost a page (a full disk): the document's later pages are not
    // written, so that its output ends with the last page before the failure instead of a gap.
    DWORD m_dwWriteError = 0;
    DWORD m_dwCurrentPage = 0;
    DWORD m_dwFormat = 0;
    CTWJob* m_pJob = nullptr;
};

// Pages per sheet hold the page back: its sheet is not complete yet and no flush is asked for.
bool SheetIsIncomplete(const CTWJob& job);

// The writer for the job's effective format, or none for formats without one. Memory mode
// picks the in-memory writer where the format has one.
std::unique_ptr<CBlFile> CreateBlFileObject(const TarnwellDEVMODE& dm, CTWJob* job, DWORD format, bool memoryMode);

}  // namespace tw
