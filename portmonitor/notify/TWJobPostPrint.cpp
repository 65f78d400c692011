// The job's post-print hand-off: its post-print ID, the application starter, the user's "Start
// Application" (through the starter or started here), the post-print record and its status.
#include <vector>

#include "annotate/PageAnnotator.h"
#include "base/IniFile.h"
#include "base/WideString.h"
#include "job/JobObserver.h"
#include "job/JobOptions.h"
#include "job/PrinterIniNames.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/DebugLog.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"
#include "notify/PathExpansion.h"
#include "notify/PostPrintRecord.h"
#include "notify/StartApplication.h"
#include "portcmd/DevModeLayout.h"
#include "job/SettingsScope.h"

namespace tw {
namespace {

namespace pp = postprint;

// How long the direct start waits for the started program to take input.
constexpr DWORD kInputIdleTimeoutMs = 2000;
constexpr wchar_t kOcrTextEditorSetting[] = L"Text Editor";
constexpr wchar_t kLogStarterFailed[] = L"InitApplicationStarter: cannot start '%s'. Error: %d";
constexpr wchar_t kLogDirectStartFailed[] = L"StartApplication: cannot start '%s'. Error: %d";
constexpr wchar_t kLogEventFailed[] = L"Error creating the mutex";
constexpr wchar_t kLogNotIdle[] = L"StartApplication: '%s' took no input within %d ms; the job goes on";

bool HasStartFlag(const TarnwellDEVMODE* dm, DWORD flag) { return !dm || dm->HasStartFlag(flag); }

}  // namespace

bool CTWJob::IsStartApplicationOn() const { return HasStartFlag(DevMode(), dmstart::IsStartApplicationEnabled); }

bool CTWJob::IsOcrOutputOpened() const {
    const TarnwellDEVMODE* dm = DevMode();
    return IsOcrEnabled(dm, m_dwJobID, m_merge) &&
           settings::ReadNumberText(dm, settings::kOcrSettings, settings::kOcrOpenOutput, settings::kOcrNumberDefault) != 0;
}

bool CTWJob::IsFtpRouteOn() const {
    const TarnwellDEVMODE* dm = DevMode();
    return IsFtpUpload(dm, m_dwJobID, m_merge) && settings::ReadNumberText(dm, settings::kFtpSettings, settings::kFtpSelectedConnection,
                                                                  settings::kFtpSelectedConnectionDefault) != 0;
}

DWORD CTWJob::PostPrintActionFlags() const {
    const TarnwellDEVMODE* dm = DevMode();
    const bool inFile = !m_settings.bOutputInMemory;
    DWORD flags = 0;
    auto set = [&flags](bool on, DWORD bit) { if (on) flags |= bit; };
    set(IsOpenOutputFolder(dm, m_dwJobID, m_merge), pp::action::OpenFolder);
    set(IsSendInEmail(dm, m_dwJobID, m_merge), pp::action::Email);
    set(IsViewInDefaultViewer(dm, m_dwJobID, m_merge), pp::action::View);
    set(IsSharePointUpload(dm, m_dwJobID, m_merge), pp::action::SharePoint);
    set(IsOcrOutputOpened(), pp::action::OpenOcr);
    set(IsFtpRouteOn(), pp::action::Ftp);
    set(inFile && IsHttpUpload(dm, m_dwJobID, m_merge), pp::action::Http);
    set(inFile && IsDatabaseUpload(dm, m_dwJobID, m_merge), pp::action::Database);
    set(inFile && IsMFilesUpload(dm, m_dwJobID, m_merge), pp::action::MFiles);
    return flags;
}

bool CTWJob::AnyPostPrintRoute() const {
    const TarnwellDEVMODE* dm = DevMode();
    return IsOpenOutputFolder(dm, m_dwJobID, m_merge) || IsViewInDefaultViewer(dm, m_dwJobID, m_merge) || IsSendInEmail(dm, m_dwJobID, m_merge) ||
           IsSharePointUpload(dm, m_dwJobID, m_merge) || IsFtpRouteOn() || IsHttpUpload(dm, m_dwJobID, m_merge) ||
           IsDatabaseUpload(dm, m_dwJobID, m_merge) || IsMFilesUpload(dm, m_dwJobID, m_merge);
}

bool CTWJob::NeedsApplicationStarter() const {
    return (IsStartApplicationOn() && !HasStartFlag(DevMode(), dmstart::StartFromMonitor)) || IsOcrOutputOpened() ||
           AnyPostPrintRoute() || IsRedirectPrinting(DevMode(), m_dwJobID, m_merge) || IsCoverPageEnabled();
}

bool CTWJob::LaunchProcess(const wchar_t* application, std::wstring commandLine, const std::wstring& directory,
                           WORD show, bool inherit, bool waitForIdle, const wchar_t* failureText) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!::CreateProcessW(application, line.data(), nullptr, nullptr, inherit, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
        MessageCaptureLog().print(diag::kLevelError, failureText, application ? application : commandLine.c_str(),
                                  static_cast<int>(::GetLastError()));
        return false;
    }
    UniqueKernelObject process(pi.hProcess), thread(pi.hThread);
    if (IJobObserver* observer = JobObserver()) observer->OnProcessStarted(*this, commandLine.c_str(), process.get());
    // A program that never takes input costs the job this wait and no more.
    if (waitForIdle && ::WaitForInputIdle(process.get(), kInputIdleTimeoutMs) == WAIT_TIMEOUT)
        MessageCaptureLog().print(diag::kLevelInfo, kLogNotIdle, application ? application : commandLine.c_str(),
                                  static_cast<int>(kInputIdleTimeoutMs));
    return true;
}

void CTWJob::InitApplicationStarter() {
    TW_TRACE(L"> CTWJob::InitApplicationStarter");
    if (!NeedsApplicationStarter()) {
        TW_TRACE(L"< CTWJob::InitApplicationStarter: nothing to hand off");
        return;
    }
    m_postPrintId = pp::AllocatePostPrintId(DevMode(), m_dwJobID);
    if (!m_postPrintId) {
        TW_TRACE_FAILED(L"CTWJob::InitApplicationStarter", L"AllocatePostPrintId");
        return;
    }
    // A new document of the job has its own ID and its own end.
    m_bPostPrintClosed = false;
    // The record says the job runs before the starter looks for it.
    pp::WriteJobStatus(DevMode(), *m_postPrintId, pp::kJobStarted);
    wchar_t systemDirectory[MAX_PATH] = {};
    ::GetSystemDirectoryW(systemDirectory, MAX_PATH);
    auto exeName = settings::ReadString(DevMode(), settings::kApplicationStarter, startapp::kStarterExeName);
    std::wstring commandLine = startapp::StarterCommandLine(exeName ? *exeName : L"", systemDirectory, m_dwJobID,
                                                            *m_postPrintId, m_szPrinterName);
    m_bStarterStarted =
        LaunchProcess(nullptr, commandLine, systemDirectory, SW_HIDE, false, false, kLogStarterFailed);
    TW_TRACE(L"< CTWJob::InitApplicationStarter: %lu %s", *m_postPrintId, m_bStarterStarted ? L"TRUE" : L"FALSE");
}

std::wstring CTWJob::FileNameForStartApp() const {
    return m_szFirstImageFileName.empty() ? m_szImageFileName : m_szFirstImageFileName;
}

std::wstring CTWJob::StartParameterList() const {
    const TarnwellDEVMODE* dm = DevMode();
    if (!HasStartFlag(dm, dmstart::IsPassParametersEnabled)) return {};
    startapp::ParameterValues v;
    v.documentName = m_szDocumentName;
    v.groupFileName = MainGroupFile();
    v.printerName = m_szPrinterName;
    v.pageNumber = MessageFields(1, L"").pageNumber;
    v.multiPage = IsMultiPageOutput(dm, m_dwJobID);
    v.portrait = !dm || dm->Read<short>(dmoff::dmOrientation) == DMORIENT_PORTRAIT;
    if (HasStartFlag(dm, dmstart::CustomParameterFromSettings))
        v.customParameter = settings::ReadString(dm, settings::kStartApplication, settings::kCustomParameter).value_or(L"");
    else
        v.customParameter = DmText(dm, dmtext::CustomParameter);
    v.outputFileName = FileNameForStartApp();
    v.userName = m_environment.userName;
    v.computerName = m_environment.computerName;
    v.submissionTime = startapp::FormatSubmissionTime(m_stSubmitted);
    // The numbers the pages were given; "0" when the document was not numbered.
    if (!dm || !dm->HasFlag(dmflag::BatesNumberingEnabled) || !m_pAnnotator ||
        !m_pAnnotator->DocumentBatesRange(v.firstBates, v.lastBates))
        v.firstBates = v.lastBates = L"0";
    short copies = dm ? dm->Read<short>(dmoff::dmCopies) : 1;
    v.copies = copies > 0 ? static_cast<DWORD>(copies) : 1;
    if (IsRedirectPrinting(dm, m_dwJobID, m_merge) && UseNumberOfCopies(dm, m_dwJobID) && NumberOfCopies(dm, m_dwJobID) >= 2)
        v.copies = NumberOfCopies(dm, m_dwJobID);
    IniFile ini(m_szPrinterIniFile);
    v.duplexCapability = !m_szPrinterIniFile.empty() &&
                         ini.GetInt(printerini::kDefaultSettings, printerini::kDuplexCapability, 0) == 1;
    v.duplex = dm ? dm->Read<short>(dmoff::dmDuplex) : DMDUP_SIMPLEX;
    std::vector<WORD> kinds;
    for (size_t i = 0; i < DmStartAppParameterCount(dm); ++i) kinds.push_back(DmStartAppParameter(dm, i));
    return startapp::BuildParameterList(kinds, v);
}

bool CTWJob::StartApplication(bool beforePrinting, bool forMessaging) {
    TW_TRACE(L"> CTWJob::StartApplication(%d, %d)", beforePrinting, forMessaging);
    const TarnwellDEVMODE* dm = DevMode();
    const bool before = HasStartFlag(dm, dmstart::IsStartBeforePrint);
    const bool applies = (beforePrinting && before) || (!beforePrinting && !before) ||
                         (forMessaging && HasStartFlag(dm, dmstart::IsStartForMessaging));
    pp::PostPrintValues values;
    values.flags = dm ? dm->StartFlags() : 0;
    values.messagingInterface = FormatW(pp::kReadyEventFormat, m_settings.messagingInterfaceName.c_str(), m_dwJobID);
    const std::wstring applicationPath = DmText(dm, dmtext::ApplicationPath);
    bool started = false;
    if (applies && !applicationPath.empty()) {
        std::wstring server;
        ExpandPath(m_environment, dm, applicationPath, server);
        const std::wstring parameters = StartParameterList();
        if (!parameters.empty()) values.commandLine = parameters;
        values.server = server;
        if (HasStartFlag(dm, dmstart::StartFromMonitor)) {
            const WORD show = HasStartFlag(dm, dmstart::IsStartHidden)      ? SW_HIDE
                              : HasStartFlag(dm, dmstart::IsStartMinimized) ? SW_SHOWMINIMIZED
                                                                            : SW_SHOW;
            started = LaunchProcess(server.c_str(), parameters, startapp::WorkingDirectory(server), show, true, true,
                                    kLogDirectStartFailed);
        } else {
            // The application starter takes it from the record.
            started = m_bStarterStarted;
        }
    } else if (applies) {
        MessageCaptureLog().print(diag::kLevelInfo, L"%s", pp::kLogNoApplicationPath);
    }
    if (!beforePrinting) values.postPrintFlags = PostPrintActionFlags();
    const DWORD actions = values.postPrintFlags;
    const std::wstring fileName = FileNameForStartApp();
    if (actions & pp::action::OpenFolder) {
        const size_t cut = fileName.rfind(L'\\');
        const std::wstring folder =
            cut == std::wstring::npos ? DmText(dm, dmtext::OutputDirectory) : fileName.substr(0, cut);
        std::wstring expanded;
        ExpandPath(m_environment, dm, folder, expanded);
        values.outputFolder = expanded;
    }
    if (actions & pp::action::View) values.outputFilename = fileName;
    if (actions & pp::action::OpenOcr) {
        values.ocrOutput = m_szOCRTextFileName;
        values.ocrTextEditor = settings::ReadString(dm, settings::kOcrSettings, kOcrTextEditorSetting).value_or(L"");
    }
    // Only the job that allocated an ID has a record: another job's (or no one's) is never written.
    const bool recorded = m_postPrintId && pp::WriteProcessDataToRegistry(dm, *m_postPrintId, values);
    if (!HasStartFlag(dm, dmstart::StartFromMonitor)) started = started && recorded;
    TW_TRACE_RESULT(L"CTWJob::StartApplication", started);
    return started;
}

bool CTWJob::StartsApplicationForMessaging() const {
    const TarnwellDEVMODE* dm = DevMode();
    return IsStartApplicationOn() && HasStartFlag(dm, dmstart::IsStartForMessaging);
}

void CTWJob::WaitForStartedApplication(bool started) {
    if (started && m_hMessagingEvent) {
        const int timeout = m_settings.startApplicationTimeout;
        ::WaitForSingleObject(m_hMessagingEvent.get(), timeout > 0 ? static_cast<DWORD>(timeout) : 0);
        settings::RefreshReadKeys();  // the started program may have written settings for the job
    }
    m_hMessagingEvent.reset();
}

void CTWJob::CreateReadyEvent() {
    if (HasStartFlag(DevMode(), dmstart::StartFromMonitor)) return;
    const std::wstring name = FormatW(pp::kReadyEventFormat, m_settings.messagingInterfaceName.c_str(), m_dwJobID);
    m_hMessagingEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    if (!m_hMessagingEvent) MessageCaptureLog().print(diag::kLevelError, L"%s", kLogEventFailed);
}

void CTWJob::StartForMessaging() {
    if (!StartsApplicationForMessaging()) return;
    TW_TRACE(L"> CTWJob::StartForMessaging");
    CreateReadyEvent();
    m_bMessagingClientStarted = StartApplication(true, true);
    WaitForStartedApplication(m_bMessagingClientStarted);
    TW_TRACE_RESULT(L"CTWJob::StartForMessaging", m_bMessagingClientStarted);
}

void CTWJob::StartBeforePrinting() {
    const TarnwellDEVMODE* dm = DevMode();
    if (!IsStartApplicationOn() || !HasStartFlag(dm, dmstart::IsStartBeforePrint) ||
        HasStartFlag(dm, dmstart::IsStartForMessaging))
        return;
    TW_TRACE(L"> CTWJob::StartBeforePrinting");
    CreateReadyEvent();
    const bool started = StartApplication(true, false);
    WaitForStartedApplication(started);
    TW_TRACE_RESULT(L"CTWJob::StartBeforePrinting", started);
}

void CTWJob::StartPostPrintApplication() {
    const TarnwellDEVMODE* dm = DevMode();
    const bool startAfter = IsStartApplicationOn() && !HasStartFlag(dm, dmstart::IsStartBeforePrint) &&
                            !HasStartFlag(dm, dmstart::IsStartForMessaging);
    if (startAfter || AnyPostPrintRoute()) StartApplication(false, false);
}

void CTWJob::WriteHandOffEndRecords() {
    WriteForwardingEndRecord();
    if (m_postPrintId) pp::WriteJobStatus(DevMode(), *m_postPrintId, pp::kJobFinished);
}

void CTWJob::ClosePostPrint(bool aborted) {
    if (m_bPostPrintClosed) return;
    TW_TRACE(L"> CTWJob::ClosePostPrint %d", aborted);
    m_bPostPrintClosed = true;
    if (aborted && m_postPrintId) pp::WriteJobStatus(DevMode(), *m_postPrintId, pp::kJobAborted);
    if (IJobObserver* observer = JobObserver()) observer->OnHandOffRecords(*this);
    // The application starter takes the key's going as the job's end.
    if (m_bHasDevMode && !m_szPrinterName.empty()) pp::DeleteJobKey(DevMode(), m_dwJobID);
    TW_TRACE(L"< CTWJob::ClosePostPrint");
}

}  // namespace tw
