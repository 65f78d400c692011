// The job's OCR call points: the hOCR head at StartDoc, each rendered page, the tail at EndDoc
// and AbortDoc.
#include "job/JobOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "twfile/FileNameRules.h"

namespace tw {
namespace {

constexpr wchar_t kBitmapExtension[] = L"bmp";

}  // namespace

void CTWJob::StartOcrDocument() {
    if (!IsOcrEnabled(&m_sDevMode, m_dwJobID, m_merge)) return;
    TW_TRACE(L"> CTWJob::StartOcrDocument");
    m_ocr.OpenOCR(&m_sDevMode, m_szOCRTextFileName, IsMultipageOutput(), m_textOutput.pageHeadings,
                  m_szDocumentName);
}

void CTWJob::FinishOcrDocument() {
    if (!m_bHasDevMode || !IsOcrEnabled(&m_sDevMode, m_dwJobID, m_merge)) return;
    TW_TRACE(L"> CTWJob::FinishOcrDocument");
    m_ocr.CloseOCR(&m_sDevMode, m_szOCRTextFileName, IsMultipageOutput(), static_cast<int>(m_dwActPage),
                   m_textOutput.pageHeadings);
}

void CTWJob::RecognisePage(HGLOBAL pageDib) {
    const TarnwellDEVMODE* dm = DevMode();
    m_ocr.ClearResultText();
    if (!dm || !IsOcrEnabled(dm, m_dwJobID, m_merge)) return;
    TW_TRACE(L"> CTWJob::RecognisePage %lu", m_dwActPage);
    OcrPageRequest page;
    page.jobId = m_dwJobID;
    page.outputFile = m_szOCRTextFileName;
    page.multiPage = IsMultipageOutput();
    page.pageNumber = static_cast<int>(m_dwActPage);
    page.pageHeaders = m_textOutput.pageHeadings;
    page.imageFile = m_szImageFileName;
    const bool inMemory =
        settings::ReadNumberText(dm, settings::kOcrSettings, settings::kOcrGenerateInMemory, settings::kOcrNumberDefault) != 0;
    page.sendInMemoryOnly = inMemory;
    page.saveInputBitmap = m_settings.bOcrWriteBitmaps;
    if (page.saveInputBitmap) {
        // In the printer's "Bitmap Directory", else beside the OCR output.
        std::wstring directory, file;
        SplitDirectory(m_szOCRTextFileName.empty() ? m_szImageFileName : m_szOCRTextFileName, directory, file);
        if (!m_settings.ocrBitmapDirectory.empty()) directory = WithTrailingBackslash(m_settings.ocrBitmapDirectory);
        std::wstring imageDirectory, imageFile;
        SplitDirectory(m_szImageFileName, imageDirectory, imageFile);
        page.inputBitmapBase = directory + ReplaceExtension(imageFile, kBitmapExtension);
    }
    if (!m_ocr.RunOCR(dm, pageDib, page) || !inMemory) return;
    const DWORD format = settings::ReadDwordOr(dm, settings::kOcrSettings, settings::kOcrFormat, settings::kOcrDwordDefault);
    SendOCRDataThroughPipe(dm, m_ocr.ResultText().c_str(), format);
}

}  // namespace tw
