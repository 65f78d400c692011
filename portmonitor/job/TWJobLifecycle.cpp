// The document's two ends: StartDoc, EndDoc and AbortDoc.
#include "base/IniFile.h"
#include "base/WideString.h"
#include "job/DocumentCounter.h"
#include "job/JobTexts.h"
#include "job/PrinterIniNames.h"
#include "job/JobObserver.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/EventReporter.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {

namespace ini = printerini;

using jobtext::kStatusFinished;
using jobtext::kStatusStarted;
using diag::kGroupPrintStatusKey;
// The advanced-text byte's value 3 is stored back as 2 at the start of the document.
constexpr BYTE kAdvancedTextPending = 3;
constexpr BYTE kAdvancedTextStored = 2;

// A DWORD setting of the INI file read as milliseconds; negative values count as none.
DWORD Delay(const IniFile& file, const wchar_t* key) {
    int value = file.GetInt(ini::kDefaultSettings, key, 0);
    return value > 0 ? static_cast<DWORD>(value) : 0;
}

}  // namespace

void CTWJob::ReadStartDocSettings() {
    IniFile file(m_szPrinterIniFile);
    const bool haveIni = !m_szPrinterIniFile.empty();
    auto flag = [&](const wchar_t* section, const wchar_t* key, int def) {
        return (haveIni ? file.GetInt(section, key, def) : def) == 1;
    };
    m_dwEndPageDelay = haveIni ? Delay(file, ini::kEndPageDelay) : 0;
    m_dwStartDocDelay = haveIni ? Delay(file, ini::kStartDocDelay) : 0;
    m_dwEndDocDelay = haveIni ? Delay(file, ini::kEndDocDelay) : 0;
    m_bAlwaysReopenTiff = flag(ini::kDefaultSettings, ini::kAlwaysReopenTiff, 0);
    m_bDuplexCapability = flag(ini::kDefaultSettings, ini::kDuplexCapability, 0);
    m_bWriteCopiesToGroupFile = flag(ini::kDefaultSettings, ini::kWriteCopies, 1);
    m_bDisplayWordCoordinates = flag(ini::kTextOutputSettings, ini::kDisplayWordCoordinates, 0);
    m_nLineAdjustment =
        haveIni ? file.GetInt(ini::kTextOutputSettings, ini::kLineAdjustment, ini::kDefaultLineAdjustment)
                : ini::kDefaultLineAdjustment;
    m_nBitmapMergingMode = haveIni ? file.GetInt(ini::kPdfSettings, ini::kBitmapMergingMode, 0) : 0;
    m_nEventLoggingLevel =
        haveIni ? file.GetInt(ini::kTroubleshootingSettings, ini::kEventLoggingLevel, ini::kDefaultEventLoggingLevel)
                : ini::kDefaultEventLoggingLevel;
    m_textOutput = ReadTextOutputSettings(&m_sDevMode);
    if (m_sDevMode.Read<BYTE>(dmoff::AdvancedText) == kAdvancedTextPending)
        m_sDevMode.Write<BYTE>(dmoff::AdvancedText, kAdvancedTextStored);
}

BOOL CTWJob::StartDoc() {
    TW_TRACE(L"> CTWJob::StartDoc");
    m_bDocStarted = true;
    const DWORD errorsBefore = m_dwErrorReports;
    auto done = [&](BOOL result, const wchar_t* step) {
        ReportOperation(L"StartDoc", step, result);
        if (!result) {
            TW_TRACE(L"< CTWJob::StartDoc[!%s]: FALSE", step);
            // Without a started document none of its pages can be produced: the user must know.
            ReportSilentFailure(errorsBefore, FormatW(jobtext::kDocumentNotStarted, step));
        }
        return result;
    };
    PrepareJobEventSource(m_szPrinterName, m_hClientToken != nullptr);

    m_szPrinterIniFile = GetPrinterINIFile();
    IniFile file(m_szPrinterIniFile);
    const bool haveIni = !m_szPrinterIniFile.empty();
    m_bUppercaseExtensions = haveIni && file.GetInt(ini::kDefaultSettings, ini::kUppercaseExtensions, 0) != 0;
    std::wstring plugin = haveIni ? file.GetString(ini::kDefaultSettings, ini::kPluginFilename, ini::kDefaultPlugin)
                                  : ini::kDefaultPlugin;
    if (!plugin.empty() && m_plugin.Load(plugin) && m_plugin.HasStartDoc()) {
        BOOL accepted = m_plugin.StartDoc(m_sDevMode);
        ReportOperation(L"Plugin", L"TwStartDoc", accepted);
        if (!accepted) {
            // The document is consumed without output.
            m_bAbortPrinting = true;
            return done(TRUE, L"declined by the plug-in");
        }
    }

    m_dwActPage = m_dwCoverPages + 1;
    m_dwDocNumber = NextDocumentNumber(&m_sDevMode);
    if (!GenerateFilenames(true)) return done(FALSE, L"GenerateFilenames");
    --m_dwActPage;
    StartBeforePrinting();

    ReadStartDocSettings();
    if (m_dwStartDocDelay) ::Sleep(m_dwStartDocDelay);
    // A problem the naming already reported stays the document's status, pending for the group
    // file that did not exist yet when it was reported.
    if (!m_bError) m_szStatus = kStatusStarted;
    m_bHasStatus = true;

    if (!CreateOutputFile()) return done(FALSE, L"CreateOutputFile");
    if (!OpenDocumentOutput()) return done(FALSE, L"OpenDocumentOutput");
    WriteStartRecords();
    PostWindowMessage(1, MainGroupFile());
    StartOcrDocument();
    if (!AddFormFillerCoverPages()) return done(FALSE, L"AddFormFillerCoverPages");
    return done(TRUE, L"");
}

BOOL CTWJob::EndDoc() {
    TW_TRACE(L"> CTWJob::EndDoc");
    BOOL result = TRUE;
    const wchar_t* failedStep = L"";
    const DWORD errorsBefore = m_dwErrorReports;
    // An empty document still gives one page; an END_DOC without a document gives nothing, and
    // a document whose data was cut off gets no page that the driver never sent.
    if (!AddCoverPagesAfterDocument()) {
        result = FALSE, failedStep = L"WaitForFormFiller";
        // The document's own pages are whole: its file is completed without the cover pages.
        CloseMultipageTiff();
    }
    if (result && m_bDocStarted && m_dwActPage == 0 && !m_bAbortPrinting && !m_bDataCut) {
        if (!PrintEmptyPage()) result = FALSE, failedStep = L"empty page";
    }
    if (result && m_settings.pagesPerSheet > 1 && m_dwActPage % m_settings.pagesPerSheet != 0 &&
        !m_settings.bImageGenerationDisabled && !m_bAbortPrinting) {
        if (!FlushPendingSheet()) result = FALSE, failedStep = L"SaveFile";
        else if (!CloseFileGroup(false)) result = FALSE, failedStep = L"CloseFileGroup";
    }
    UpdateBatesNumber(true);
    FinishOcrDocument();
    if (result && !CloseMultipageTiff()) result = FALSE, failedStep = L"CloseMultipageTiff";
    if (!result) ReportSilentFailure(errorsBefore, FormatW(jobtext::kDocumentNotFinished, failedStep));
    DeleteTemporaryFiles();
    if (m_bError) RemoveEmptyOutputFiles();
    // An error reported on the way stays the document's status: it is not covered by success.
    if (result && HasGroupFile() && !m_bError) {
        m_szStatus = kStatusFinished;
        WriteGroupFileEntry(kGroupPrintStatusKey, kStatusFinished);
    } else if (m_bError && m_bHasStatus && HasGroupFile()) {
        // No sheet was saved to carry the pending error into the group file: it goes there now.
        WriteGroupFileEntry(kGroupPrintStatusKey, m_szStatus.c_str());
        m_bHasStatus = false;
    }
    if (result) {
        // Before anyone reads the group file, and before it may be deleted.
        WriteMessageCaptureWarning();
        StartPostPrintApplication();
        if (m_dwEndDocDelay) ::Sleep(m_dwEndDocDelay);
        if (m_sDevMode.HasFlag(dmflag::IsDeleteGroupFileEnabled) && !MainGroupFile().empty())
            ::DeleteFileW(MainGroupFile().c_str());
        WriteHandOffEndRecords();
        SendMemoryImage();
        PostWindowMessage(4, MainGroupFile());
        if (m_plugin.Loaded()) {
            BOOL accepted = m_plugin.EndDoc(m_sDevMode, MainGroupFile());
            ReportOperation(L"Plugin", L"TwEndDoc", accepted);
            if (!accepted) result = FALSE, failedStep = L"TwEndDoc";
        }
    }
    if (result && m_sDevMode.HasFlag(dmflag::PrintedFromSession0) &&
        !m_sDevMode.HasFlag(dmflag::PrinterForwardingEnabled))
        settings::DeleteSaveAsRecord(&m_sDevMode, m_dwJobID);
    if (result && !m_bError) {
        if (!HasGroupFile()) m_szStatus = kStatusFinished;
        ReportFinishedEvent();
    }
    settings::ResetReadEmfData(&m_sDevMode);
    ReleaseFonts();
    ClosePostPrint(!result);
    CleanUp(false);
    ReportOperation(L"EndDoc", failedStep, result);
    TW_TRACE_RESULT(L"CTWJob::EndDoc", result);
    return result;
}

BOOL CTWJob::AbortDoc() {
    TW_TRACE(L"> CTWJob::AbortDoc");
    ReportAbortedEvent();
    // The TIFF library lets go of the file before the lock decides whether it stayed empty.
    BOOL result = CloseMultipageTiff();
    DeleteTemporaryFiles();
    RemoveEmptyOutputFiles();
    FinishOcrDocument();
    if (m_plugin.Loaded()) {
        m_plugin.Abort(m_sDevMode);
        ReportOperation(L"Plugin", L"TwAbort", TRUE);
    }
    if (m_bHasDevMode) settings::ResetReadEmfData(&m_sDevMode);
    ReleaseFonts();
    ClosePostPrint(true);
    CleanUp(true);
    ReportOperation(L"AbortDoc", L"", result);
    TW_TRACE_RESULT(L"CTWJob::AbortDoc", result);
    return result;
}

}  // namespace tw
