#pragma once
// Recognition of page text through the external OCR library, one COCR per job: loading the
// library once per process, preparing the page bitmap, and writing the text or hOCR output.
#include <windows.h>

#include <string>

#include "ocr/TwOCRx.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

class CTWJob;

namespace ocrerr {
inline constexpr int kNone = 0;
inline constexpr int kInvalidParameters = 1;
inline constexpr int kNoOutputFile = 2;
inline constexpr int kNoLibraryPath = 3;
inline constexpr int kLoadLibrary = 4;
inline constexpr int kEntryPoints = 5;
inline constexpr int kSaveOutput = 6;
inline constexpr int kNoLanguage = 7;
inline constexpr int kCrop = 8;
inline constexpr int kLibrary = 9;
}  // namespace ocrerr

// "OCR Format" 1 is hOCR; anything else plain text.
inline constexpr DWORD kOcrFormatHocr = 1;

// What RunOCR is told about the page besides the DEVMODE and the bitmap.
struct OcrPageRequest {
    DWORD jobId = 0;
    std::wstring outputFile;
    bool multiPage = false;
    int pageNumber = 1;  // from 1
    bool pageHeaders = false;
    std::wstring imageFile;
    bool sendInMemoryOnly = false;
    bool saveInputBitmap = false;
    std::wstring inputBitmapBase;
};

class COCR {
public:
    explicit COCR(CTWJob* job = nullptr) : m_pJob(job) {}
    COCR(const COCR&) = delete;
    COCR& operator=(const COCR&) = delete;

    bool LoadDll(const TarnwellDEVMODE* dm);
    // The page `dib` is read, never freed; whatever is made from it is freed here.
    bool RunOCR(const TarnwellDEVMODE* dm, HGLOBAL dib, const OcrPageRequest& page);
    bool OpenOCR(const TarnwellDEVMODE* dm, const std::wstring& outputFile, bool multiPage, bool pageHeaders,
                 const std::wstring& title);
    bool CloseOCR(const TarnwellDEVMODE* dm, const std::wstring& outputFile, bool multiPage, int page,
                  bool pageHeaders);
    bool SaveOutput(const std::wstring& text, const std::wstring& file, bool unicode, bool multiPage, int page,
                    bool pageHeaders, bool isHocr);

    // Keeps the first error of the job only.
    void RecordError(int code, const std::wstring& detail = {});
    int ErrorCode() const { return m_nError; }
    bool HasError() const { return m_nError != ocrerr::kNone; }
    // "%d: %s (%s)", "%d: %s" or, for a code beyond the table, "%d".
    std::wstring ErrorText() const;
    // The text of the last recognised page; cleared at the start of each page.
    const std::wstring& ResultText() const { return m_szResult; }
    void ClearResultText() { m_szResult.clear(); }
    bool Loaded() const { return m_bLoaded; }

private:
    bool Recognise(HGLOBAL prepared, const std::wstring& languages, int pageIndex, bool hocr);
    bool WritesHocrDocument(const TarnwellDEVMODE* dm, bool multiPage) const;
    void ReportFileError(const std::wstring& file);

    int m_nError = ocrerr::kNone;
    std::wstring m_szErrorDetail;
    bool m_bLoaded = false;
    HMODULE m_hLibrary = nullptr;  // the process's, never freed by a job
    PFN_OCRDIBW m_pfnRecognise = nullptr;
    PFN_OCRDIBEXW m_pfnRecogniseEx = nullptr;
    PFN_TWOCRFREETEXTW m_pfnFreeText = nullptr;
    std::wstring m_szResult;
    bool m_bDocumentOpen = false;  // the hOCR head is written and the tail is still owed
    CTWJob* m_pJob;
};

// The process-wide library handle: freed when the monitor library leaves the process.
void FreeOcrLibrary();

}  // namespace tw
