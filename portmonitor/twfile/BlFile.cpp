// The common steps of the writers.
#include "twfile/BlFile.h"

#include "emfimage/EMFImage.h"
#include "emfimage/PagesPerSheet.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/OutputValidation.h"

namespace tw {

bool SheetIsIncomplete(const CTWJob& job) {
    const PagesPerSheet& sheet = job.Sheet();
    return sheet.Count() >= 2 && !sheet.FlushPending() && !sheet.IsLastCell(job.PageIndexInDocument());
}

CBlFile::~CBlFile() { TW_TRACE(L"CBlFile::~CBlFile()"); }

CBlFile::PageStep CBlFile::PreparePage(CEMFImage& image, HGLOBAL pageData, SIZE_T pageDataSize, std::wstring& fileName,
                                       BOOL isEMF, const WriterErrorCodes& codes, bool renameByContent) {
    if (m_dwWriteError) {
        TW_TRACE(L"CBlFile::PreparePage: page dropped after write error %lu", m_dwWriteError);
        return PageStep::Failed;
    }
    if (!pageData) {
        m_pJob->HandleError(codes.noPageData, __FILE__, __LINE__);
        return PageStep::Failed;
    }
    if (fileName.empty()) {
        m_pJob->HandleError(codes.noFileName, __FILE__, __LINE__);
        return PageStep::Failed;
    }
    BOOL built;
    if (isEMF) {
        TW_TRACE(L"CEMFImage::Create");
        built = image.Create(pageData, pageDataSize, m_devMode);
    } else {
        TW_TRACE(L"CEMFImage::CreateFromRawData");
        built = image.CreateFromRawData(pageData, pageDataSize, m_devMode);
    }
    if (!built) return PageStep::Failed;
    if (renameByContent && !m_pJob->RenameByContent(fileName)) return PageStep::Failed;

    if (SheetIsIncomplete(*m_pJob)) return PageStep::HeldForSheet;
    if (!image.PageDib()) {
        m_pJob->HandleError(codes.noImage, __FILE__, __LINE__);
        return PageStep::Failed;
    }
    return PageStep::Write;
}

void CBlFile::ReportWriteError(const wchar_t* prefixText, const std::wstring& fileName, DWORD error) {
    TW_TRACE(L"CBlFile: writing %s failed (%lu)", fileName.c_str(), error);
    m_dwWriteError = error;
    m_pJob->ReportValidationError(WriteFailureText(prefixText, fileName, error).c_str(), true, __FILE__, __LINE__);
}

DWORD CBlFile::RemovePartialFile(UniqueFile& file, const std::wstring& fileName) {
    const DWORD error = ::GetLastError();
    file.reset();
    if (!::DeleteFileW(fileName.c_str()))
        TW_TRACE(L"CBlFile: cannot remove the partial %s (%lu)", fileName.c_str(), ::GetLastError());
    return error;
}

BOOL CBlFile::FailPartialFile(UniqueFile& file, const std::wstring& fileName, const wchar_t* prefixText, int code,
                              const char* sourceFile, int line) {
    if (const DWORD error = RemovePartialFile(file, fileName)) ReportWriteError(prefixText, fileName, error);
    else m_pJob->HandleError(code, sourceFile, line);
    return FALSE;
}

BOOL CBlFile::FailOutputFile(const wchar_t* prefixText, const std::wstring& fileName, int code, const char* sourceFile,
                             int line) {
    if (m_pJob->ValidateOutputFile(prefixText, fileName.c_str())) m_pJob->HandleError(code, sourceFile, line);
    return FALSE;
}

DWORD CBlFile::SheetNumber() const {
    const int n = m_pJob->Sheet().Count();
    const DWORD index = m_pJob->PageIndexInDocument();
    if (n >= 2) return index / static_cast<DWORD>(n) + 1;
    if (n == 1) return index + 1;
    return m_dwCurrentPage;
}

}  // namespace tw
