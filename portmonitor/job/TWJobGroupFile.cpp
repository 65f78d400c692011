// What the job records about its output: the group files after every sheet, and the printer's
// status INI file ("Group File", "Last Output File", "Print status").
#include <string>

#include "annotate/BarcodeWriter.h"
#include "base/IniDocument.h"
#include "base/IniSectionBatch.h"
#include "base/WideString.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "twfile/FileFormats.h"
#include "twfile/GroupFile.h"
#include "twfile/NamingTexts.h"

namespace tw {

std::wstring CTWJob::StatusIniFile() const { return StatusIniFileName(m_szPrinterIniFile); }

void CTWJob::WriteStatusIni(const wchar_t* key, const std::wstring& value) {
    const std::wstring file = StatusIniFile();
    if (!IniDocument::Update(file, [&](IniDocument& doc) { doc.Set(m_szPrinterName, key, value); }))
        TW_TRACE(L"CTWJob::WriteStatusIni: cannot write %s to %s (%lu)", key, file.c_str(), ::GetLastError());
}

BOOL CTWJob::OpenDocumentOutput() {
    TW_TRACE(L"> CTWJob::OpenDocumentOutput");
    if (!OpenMultipageTiff()) {
        TW_TRACE_FAILED(L"CTWJob::OpenDocumentOutput", L"OpenMultipageTiff");
        return FALSE;
    }
    WriteStatusIni(naming::kStatusGroupFile, MainGroupFile());
    TW_TRACE_RESULT(L"CTWJob::OpenDocumentOutput", TRUE);
    return TRUE;
}

void CTWJob::SetLastOutputFile() { WriteStatusIni(naming::kStatusLastOutputFile, m_szCurrentOutputFile); }

void CTWJob::SetMessageCaptureWarning(const std::wstring& text) {
    if (text.empty()) return;
    if (m_szMessageCaptureWarning.empty()) m_szMessageCaptureWarning = text;
    m_bPageWarning = true;
}

BOOL CTWJob::CloseFileGroup(bool raw) {
    TW_TRACE(L"> CTWJob::CloseFileGroup %d", raw ? 1 : 0);
    WriteFileHandOffRecords(raw);
    if (!UpdateGroupFile()) {
        TW_TRACE(L"< CTWJob::%s[!UpdateGroupFile]: FALSE", raw ? L"EndPageRaw" : L"EndPage");
        return FALSE;
    }
    PostWindowMessage(3, m_szCurrentOutputFile);
    TW_TRACE_RESULT(L"CTWJob::CloseFileGroup", TRUE);
    return TRUE;
}

// The multi-page file held since its name was chosen is closed (and removed when no page
// reached it).
void CTWJob::DeleteTemporaryFiles() { ReleaseFile(); }

BOOL CTWJob::UpdateGroupFile() {
    if (!HasGroupFile()) {
        TW_TRACE(L"%s", naming::kLogGroupDisabled);
        return TRUE;
    }
    TW_TRACE(naming::kLogGroupEnabled, MainGroupFile().c_str());
    const DWORD sheet = SheetNumber();
    const wchar_t* printer = m_szPrinterName.c_str();
    // The page's values go out together: one read and one write of each section.
    IniSectionBatch batch;
    const auto put = [&batch](const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        batch.Add(section, key, value);
    };
    const TarnwellDEVMODE* dm = DevMode();
    if (sheet == 1) {
        put(printer, naming::kGroupImageFormat, FormatName(m_settings.dwEffectiveFormat));
        put(printer, naming::kGroupAppendImage, IsMultipageOutput() ? naming::kYes : naming::kNo);
        put(printer, naming::kGroupBitsPerPixel,
                        std::to_wstring(EffectiveBitsPerPixel(dm, m_dwJobID)).c_str());
        put(printer, naming::kGroupDocumentName, m_szDocumentName.c_str());
        if (m_bWriteCopiesToGroupFile)
            put(printer, naming::kGroupCopies, std::to_wstring(GroupFileCopies(dm, m_dwJobID)).c_str());
    }

    const std::wstring section = FormatW(naming::kGroupPageSection, static_cast<unsigned long>(sheet));
    const wchar_t* page = section.c_str();
    const bool text = DmHasFlag(dm, dmflag::IsWriteTextEnabled);
    if (!IsSilent()) put(page, naming::kGroupFileName, m_szImageFileName.c_str());
    if (text) put(page, naming::kGroupTextFileName, m_szTextFileName.c_str());
    if (IsOcrEnabled(dm, m_dwJobID, m_merge)) {
        put(page, naming::kGroupOcrTextFileName, m_szOCRTextFileName.c_str());
        if (m_ocr.HasError()) put(page, naming::kGroupOcrError, m_ocr.ErrorText().c_str());
    }
    if (m_pBarcodeWriter && m_pBarcodeWriter->HasError())
        put(page, naming::kGroupBarcodeError, m_pBarcodeWriter->ErrorText().c_str());
    if (text && DmHasFlag(dm, dmflag::IsMailMergeEnabled))
        put(page, naming::kGroupMailMergeFileName, m_szMailMergeFileName.c_str());
    const GroupPageGeometry geometry = GroupFileGeometry(dm);
    put(page, naming::kGroupOrientation, geometry.portrait ? naming::kPortrait : naming::kLandscape);
    put(page, naming::kGroupPageWidth, std::to_wstring(geometry.width).c_str());
    put(page, naming::kGroupPageHeight, std::to_wstring(geometry.height).c_str());
    put(page, naming::kGroupXDpi, std::to_wstring(geometry.xDpi).c_str());
    put(page, naming::kGroupYDpi, std::to_wstring(geometry.yDpi).c_str());
    if (m_bPageWarning) put(page, naming::kGroupMessageCaptureWarning, m_szMessageCaptureWarning.c_str());
    put(printer, naming::kGroupTotalPages, std::to_wstring(sheet).c_str());

    if (m_bHasStatus) {
        put(printer, naming::kStatusPrintStatus, m_szStatus.c_str());
        m_bHasStatus = false;
    }
    if (!m_szMessageCaptureWarning.empty() && !m_bDocumentWarningWritten) {
        put(printer, naming::kGroupMessageCaptureWarning, m_szMessageCaptureWarning.c_str());
        m_bDocumentWarningWritten = true;
    }
    m_bPageWarning = false;
    WriteGroupBatch(batch);
    TW_TRACE_RESULT(L"CTWJob::UpdateGroupFile", TRUE);
    return TRUE;
}

}  // namespace tw
