// The job's side of the messaging interface: what each message says about the job, which pipes
// it goes to, and where client failures are recorded.
#include <cwchar>
#include <vector>

#include "base/IniFile.h"
#include "base/WideString.h"
#include "job/DevModeCorrection.h"
#include "job/JobOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/DebugLog.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "notify/CopyDataTransfer.h"
#include "notify/PipeMessages.h"
#include "notify/StatisticsPipe.h"
#include "notify/StatisticsRecord.h"
#include "job/SettingsScope.h"

namespace tw {
namespace {

constexpr wchar_t kMessageCaptureWarningKey[] = L"Message Capture Warning";
// The first-error text holds at most this many characters.
constexpr size_t kWarningChars = 2048;
// Message 9 says which OCR output the text is: 3 for OCR format 1 (kOcrFormatHocr), else 1.
constexpr DWORD kOcrTextHocr = 3;
constexpr DWORD kOcrTextPlain = 1;

class JobReporter final : public IMessagingReporter {
public:
    explicit JobReporter(CTWJob& job) : m_job(job) {}
    void MessagingWarning(const std::wstring& text, const std::wstring& detail) override {
        m_job.ReportMessagingWarning(text, detail);
    }
    void MessagingLog(int level, const std::wstring& text) override {
        MessageCaptureLog().print(level, L"%s", text.c_str());
    }
    void ClientTimedOut(const std::wstring& pipe) override { m_job.NoteUnresponsiveClient(pipe); }
    bool ClientGivenUp(const std::wstring& pipe) const override { return m_job.IsUnresponsiveClient(pipe); }

private:
    CTWJob& m_job;
};

bool IsMessageNumber(int kind) { return kind >= 1 && kind <= 5; }

// The uploaders that hear of a job, each with its post-print switch and its pipe. Texts go to
// the database and M-Files uploaders only.
struct UploaderRoute {
    const wchar_t* setting;
    const std::wstring* pipe;
};
std::vector<UploaderRoute> UploaderRoutes(const JobSettings& s, bool withHttp) {
    std::vector<UploaderRoute> routes;
    if (withHttp) routes.push_back({settings::kHttpUpload, &s.httpPipeName});
    routes.push_back({settings::kDatabaseUpload, &s.databasePipeName});
    routes.push_back({settings::kMFilesUpload, &s.mfilesPipeName});
    return routes;
}

// Sizes of messages 9 and 10: the UTF-16 text with its terminator.
DWORD TextBytes(const wchar_t* text) { return static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)); }

}  // namespace

void CTWJob::ReportMessagingWarning(const std::wstring& text, const std::wstring& detail) {
    TW_TRACE(L"> CTWJob::ReportMessagingWarning %s", text.c_str());
    MessageCaptureLog().print(diag::kLevelWarning, L"%s [%s]", text.c_str(), detail.c_str());
    // The first warning of the document is kept; the group file's page section records it.
    SetMessageCaptureWarning(text.substr(0, kWarningChars - 1));
}

void CTWJob::NoteUnresponsiveClient(const std::wstring& pipe) {
    if (pipe.empty() || IsUnresponsiveClient(pipe)) return;
    m_unresponsivePipes.push_back(pipe);
    MessageCaptureLog().print(diag::kLevelWarning, msgtext::kClientGivenUp, pipe.c_str());
}

bool CTWJob::IsUnresponsiveClient(const std::wstring& pipe) const {
    for (const std::wstring& known : m_unresponsivePipes)
        if (EqualsNoCase(known, pipe)) return true;
    return false;
}

void CTWJob::WriteMessageCaptureWarning() {
    if (!m_szMessageCaptureWarning.empty())
        WriteGroupFileEntry(kMessageCaptureWarningKey, m_szMessageCaptureWarning.c_str());
}

MessagingTimeouts CTWJob::Timeouts() const {
    auto ms = [](int value) { return value > 0 ? static_cast<DWORD>(value) : 0; };
    return MessagingTimeouts{ms(m_settings.messagingTimeout), ms(m_settings.messagingTimeout2)};
}

PrnMessageFields CTWJob::MessageFields(int kind, const std::wstring& text) const {
    const TarnwellDEVMODE* dm = DevMode();
    PrnMessageFields f;
    f.number = static_cast<DWORD>(kind);
    f.documentName = m_szDocumentName;
    f.text = text;
    f.printerName = m_szPrinterName;
    f.jobId = m_dwJobID;
    f.multiPage = IsMultiPageOutput(dm, m_dwJobID) ? 1 : 0;
    f.portrait = !dm || dm->Read<short>(dmoff::dmOrientation) == DMORIENT_PORTRAIT ? 1 : 0;
    const int perSheet = m_settings.pagesPerSheet;
    if (kind >= static_cast<int>(PrnMessageKind::MemoryImage))
        f.pageNumber = m_dwActPage;
    else
        f.pageNumber = (perSheet > 1 ? m_dwGroupIndex / static_cast<DWORD>(perSheet) : m_dwGroupIndex) + 1;
    if (kind == static_cast<int>(PrnMessageKind::MemoryImage)) {
        f.outputFile = m_szCurrentOutputFile;
    } else if (!m_settings.bOutputInMemory) {
        f.outputFile = m_szCurrentOutputFile;
        f.groupFile = MainGroupFile();
    }
    return f;
}

BOOL CTWJob::PostWindowMessage(int kind, const std::wstring& text, const std::wstring& pipeName, bool secondary) {
    TW_TRACE(L"> CTWJob::PostWindowMessage(%d, %s, %s)", kind, text.c_str(), pipeName.c_str());
    const DWORD start = ::GetTickCount();
    if (!IsMessageNumber(kind)) {
        TW_TRACE_FAILED(L"CTWJob::PostWindowMessage", L"Kind");
        return FALSE;
    }
    if (m_bHasDevMode && !m_sDevMode.HasFlag(dmflag::IsMessagingInterfaceEnabled)) {
        MessageCaptureLog().print(diag::kLevelInfo, L"%s", msgtext::kMessagingDisabled);
        return TRUE;
    }
    JobReporter reporter(*this);
    BOOL result = SendNotification(MessageFields(kind, text), PipeTarget{pipeName, secondary}, Timeouts(), start, reporter);
    TW_TRACE_RESULT(L"CTWJob::PostWindowMessage", result);
    return result;
}

BOOL CTWJob::PostWindowMessage(int kind, const std::wstring& text) {
    TW_TRACE(L"> CTWJob::PostWindowMessage(%d)", kind);
    BOOL result = PostWindowMessage(kind, text, m_settings.clientPipeName, false);
    const bool toUploaders = m_settings.bOutputInMemory && (kind == 1 || kind == 4 || kind == 5);
    if (!toUploaders) return result;
    for (const UploaderRoute& route : UploaderRoutes(m_settings, true)) {
        if (!settings::ReadYesFlag(DevMode(), settings::kPostPrintSettings, route.setting)) continue;
        if (PostWindowMessage(kind, text, *route.pipe, true)) continue;
        result = FALSE;
        // A failed status message is not reported again: that would only repeat itself.
        if (kind != 5) HandleError(msgtext::kUploaderNotificationError, __FILE__, __LINE__);
    }
    TW_TRACE_RESULT(L"CTWJob::PostWindowMessage", result);
    return result;
}

BOOL CTWJob::SendDEVMODEPipeMessage(TarnwellDEVMODE* dm, BOOL bFirstSet) {
    TW_TRACE(L"> CTWJob::SendDEVMODEPipeMessage %d", bFirstSet);
    const DWORD start = ::GetTickCount();
    if (!dm) {
        TW_TRACE_FAILED(L"CTWJob::SendDEVMODEPipeMessage", L"DevMode");
        return FALSE;
    }
    // A client being started for this job may not have created its pipe yet.
    const bool startedClient = bFirstSet && m_bMessagingClientStarted;
    const PrnMessageFields fields = MessageFields(static_cast<int>(PrnMessageKind::DevMode), L"");
    JobReporter reporter(*this);
    // The client sees (and edits) the record in the orientation of the page.
    SwapLandscapeWidthHeight(*dm);
    BOOL result = ExchangeDevMode(fields, *dm, m_settings.clientPipeName, startedClient, Timeouts(), start, reporter);
    SwapLandscapeWidthHeight(*dm);
    settings::RefreshReadKeys();  // the client may have written settings for the job meanwhile
    TW_TRACE_RESULT(L"CTWJob::SendDEVMODEPipeMessage", result);
    return result;
}

BOOL CTWJob::SendMemImageThroughPipe(const TarnwellDEVMODE* dm, HGLOBAL hImage, const std::wstring& pipeName,
                                     bool secondary) {
    TW_TRACE(L"> CTWJob::SendMemImageThroughPipe %s", pipeName.c_str());
    const DWORD start = ::GetTickCount();
    PrnMessageFields fields = MessageFields(static_cast<int>(PrnMessageKind::MemoryImage), L"");
    fields.extra = EffectiveOutputFormat(dm, m_dwJobID, m_merge);
    JobReporter reporter(*this);
    BOOL result = tw::SendMemoryImage(fields, hImage, PipeTarget{pipeName, secondary}, Timeouts(), start, reporter);
    TW_TRACE_RESULT(L"CTWJob::SendMemImageThroughPipe", result);
    return result;
}

BOOL CTWJob::SendMemImageThroughPipe(const TarnwellDEVMODE* dm, HGLOBAL hImage) {
    BOOL result = SendMemImageThroughPipe(dm, hImage, m_settings.clientPipeName, false);
    for (const UploaderRoute& route : UploaderRoutes(m_settings, true)) {
        if (!settings::ReadYesFlag(dm, settings::kPostPrintSettings, route.setting)) continue;
        if (SendMemImageThroughPipe(dm, hImage, *route.pipe, true)) continue;
        HandleError(msgtext::kUploaderPayloadError, __FILE__, __LINE__);
        result = FALSE;
    }
    return result;
}

BOOL CTWJob::SendMemImageThroughWMCOPYDATA(const TarnwellDEVMODE*, HGLOBAL hImage) {
    TW_TRACE(L"> CTWJob::SendMemImageThroughWMCOPYDATA");
    HWND window = FindClientWindow(m_szPrinterName);
    if (!window) {
        TW_TRACE(L"< CTWJob::SendMemImageThroughWMCOPYDATA: no window, TRUE");
        return TRUE;
    }
    BOOL result = SendImageThroughCopyData(window, static_cast<DWORD>(PrnMessageKind::MemoryImage), hImage,
                                           m_settings.messagingInterfaceName, m_settings.dwMessagingSessionId,
                                           Timeouts().wait);
    TW_TRACE_RESULT(L"CTWJob::SendMemImageThroughWMCOPYDATA", result);
    return result;
}

// The in-memory output of the document: the window first, then the pipes; then it is freed.
void CTWJob::SendMemoryImage() {
    // With multi-page output in memory the whole document goes to the clients once, at its end.
    if (!m_settings.bOutputInMemory || !m_hMemoryImage || !IsMultipageOutput()) return;
    SendMemImageThroughWMCOPYDATA(DevMode(), m_hMemoryImage.get());
    SendMemImageThroughPipe(DevMode(), m_hMemoryImage.get());
    m_hMemoryImage.reset();
}

BOOL CTWJob::SendOCRDataThroughPipe(const TarnwellDEVMODE*, const wchar_t* text, DWORD ocrFormat,
                                    const std::wstring& pipeName, bool secondary) {
    const DWORD start = ::GetTickCount();
    PrnMessageFields fields = MessageFields(static_cast<int>(PrnMessageKind::OcrData), L"");
    fields.extra = ocrFormat == kOcrFormatHocr ? kOcrTextHocr : kOcrTextPlain;
    JobReporter reporter(*this);
    return SendPayload(fields, reinterpret_cast<const BYTE*>(text), text ? TextBytes(text) : 0, msgtext::kOcrData,
                       msgtext::kOcrPayload, PipeTarget{pipeName, secondary}, Timeouts(), start, reporter);
}

BOOL CTWJob::SendTextDataThroughPipe(const TarnwellDEVMODE*, const wchar_t* text, const std::wstring& pipeName,
                                     bool secondary) {
    const DWORD start = ::GetTickCount();
    const PrnMessageFields fields = MessageFields(static_cast<int>(PrnMessageKind::TextData), L"");
    JobReporter reporter(*this);
    return SendPayload(fields, reinterpret_cast<const BYTE*>(text), text ? TextBytes(text) : 0, msgtext::kTextData,
                       msgtext::kTextPayload, PipeTarget{pipeName, secondary}, Timeouts(), start, reporter);
}

BOOL CTWJob::SendOCRDataThroughPipe(const TarnwellDEVMODE* dm, const wchar_t* text, DWORD ocrFormat) {
    BOOL result = SendOCRDataThroughPipe(dm, text, ocrFormat, m_settings.clientPipeName, false);
    for (const UploaderRoute& route : UploaderRoutes(m_settings, false)) {
        if (!settings::ReadYesFlag(dm, settings::kPostPrintSettings, route.setting)) continue;
        if (SendOCRDataThroughPipe(dm, text, ocrFormat, *route.pipe, true)) continue;
        HandleError(msgtext::kUploaderPayloadError, __FILE__, __LINE__);
        result = FALSE;
    }
    return result;
}

BOOL CTWJob::SendTextDataThroughPipe(const TarnwellDEVMODE* dm, const wchar_t* text) {
    BOOL result = SendTextDataThroughPipe(dm, text, m_settings.clientPipeName, false);
    for (const UploaderRoute& route : UploaderRoutes(m_settings, false)) {
        if (!settings::ReadYesFlag(dm, settings::kPostPrintSettings, route.setting)) continue;
        if (SendTextDataThroughPipe(dm, text, *route.pipe, true)) continue;
        HandleError(msgtext::kUploaderPayloadError, __FILE__, __LINE__);
        result = FALSE;
    }
    return result;
}

BOOL CTWJob::SendStatisticsThroughThePipe(const JOB_INFO_1W* info, HANDLE hPrinter) {
    TW_TRACE(L"> CTWJob::SendStatisticsThroughThePipe");
    if (!info) {
        TW_TRACE_FAILED(L"CTWJob::SendStatisticsThroughThePipe", L"JobInfo");
        return TRUE;
    }
    std::wstring dataFile;
    DWORD needed = 0;
    Spooler().GetPrinterDriver(hPrinter, nullptr, 2, nullptr, 0, &needed);
    if (needed >= sizeof(DRIVER_INFO_2W)) {
        std::vector<BYTE> buf(needed);
        if (Spooler().GetPrinterDriver(hPrinter, nullptr, 2, buf.data(), needed, &needed)) {
            const wchar_t* file = reinterpret_cast<const DRIVER_INFO_2W*>(buf.data())->pDataFile;
            if (file) dataFile = file;
        }
    }
    const std::wstring pipe = StatisticsPipeName(dataFile, m_settings.messagingInterfaceName);
    JobReporter reporter(*this);
    BOOL result = SendStatistics(pipe, BuildStatisticsHeader(), BuildPrinterStat(*info, m_szStatus, DevMode()),
                                 Timeouts(), reporter);
    TW_TRACE_RESULT(L"CTWJob::SendStatisticsThroughThePipe", result);
    return result;
}

}  // namespace tw
