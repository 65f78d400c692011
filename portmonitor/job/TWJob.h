#pragma once
// One printed document, from StartDocPort to EndDocPort. It receives every byte written to the
// port, cuts it into driver commands and acts on them.
#include <windows.h>

#include <string>

namespace tw {

class CTWJob {
public:
    CTWJob();
    ~CTWJob();
    CTWJob(const CTWJob&) = delete;
    CTWJob& operator=(const CTWJob&) = delete;

    void SetJobId(DWORD jobId) { m_dwJobID = jobId; }
    DWORD JobId() const { return m_dwJobID; }
    void SetPrinterName(const wchar_t* printerName);
    const std::wstring& PrinterName() const { return m_szPrinterName; }
    void SetDocumentName(const wchar_t* documentName);
    const std::wstring& DocumentName() const { return m_szDocumentName; }
    // Local time at which the spooler received the job.
    void SetSubmissionTime(const SYSTEMTIME& localTime) { m_stSubmitted = localTime; }
    const SYSTEMTIME& SubmissionTime() const { return m_stSubmitted; }

    // Consumes a WritePort buffer; FALSE makes the port cancel the spooler job.
    BOOL WritePort(const BYTE* pBuffer, DWORD cbBuf, DWORD* pcbDone);

    BOOL AbortDoc();
    // True once an error has been reported for this document.
    bool HasError() const { return m_bError; }
    const std::wstring& StatusText() const { return m_szStatus; }

private:
    DWORD m_dwJobID = 0;
    std::wstring m_szPrinterName;
    std::wstring m_szDocumentName;
    SYSTEMTIME m_stSubmitted{};
    bool m_bError = false;
    std::wstring m_szStatus;
};

}  // namespace tw
