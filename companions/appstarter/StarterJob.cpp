#include "StarterJob.h"

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "notify/PostPrintRecord.h"
#include "notify/StartApplication.h"
#include "portcmd/DevModeLayout.h"

namespace appstarter {
namespace {

namespace pp = tw::postprint;
namespace dmstart = tw::dmstart;

constexpr DWORD kPollMs = 100;
// How long a started program may take to be ready for input before the job is told it is.
constexpr DWORD kInputIdleTimeoutMs = 5000;

bool Has(DWORD flags, DWORD bit) { return (flags & bit) != 0; }

bool Starts(DWORD flags) { return Has(flags, dmstart::IsStartApplicationEnabled) && !Has(flags, dmstart::StartFromMonitor); }

// Started as soon as the record is ready: before printing, or as the job's messaging client.
bool StartsEarly(DWORD flags) {
    return Starts(flags) && (Has(flags, dmstart::IsStartBeforePrint) || Has(flags, dmstart::IsStartForMessaging));
}

bool StartsAfterPrinting(DWORD flags) { return Starts(flags) && !StartsEarly(flags); }

WORD ShowCommand(DWORD flags) {
    if (Has(flags, dmstart::IsStartHidden)) return SW_HIDE;
    if (Has(flags, dmstart::IsStartMinimized)) return SW_SHOWMINIMIZED;
    return SW_SHOWNORMAL;
}

// The program the record names, with its command line exactly as the monitor built it.
tw::UniqueKernelObject StartProgram(const PostPrintRecord& r, StarterLog& log) {
    if (!r.server || r.server->empty()) {
        log.Line(L"the record names no program ('Server'): nothing started");
        return {};
    }
    const std::wstring commandLine = r.commandLine.value_or(L"");
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const std::wstring directory = tw::startapp::WorkingDirectory(*r.server);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = ShowCommand(r.flags);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(r.server->c_str(), commandLine.empty() ? nullptr : line.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
        log.Line(L"cannot start '%s' (error %lu)", r.server->c_str(), ::GetLastError());
        return {};
    }
    tw::UniqueKernelObject thread(pi.hThread);
    log.Line(L"started '%s' with command line '%s' (process %lu)", r.server->c_str(), commandLine.c_str(),
             pi.dwProcessId);
    ::WaitForInputIdle(pi.hProcess, kInputIdleTimeoutMs);
    return tw::UniqueKernelObject(pi.hProcess);
}

// Tells the job, which waits for the event, that the program it asked for is running.
void SignalReady(const std::wstring& eventName, StarterLog& log) {
    tw::UniqueKernelObject event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str()));
    if (event && ::SetEvent(event.get()))
        log.Line(L"signalled '%s'", eventName.c_str());
    else
        log.Line(L"cannot signal '%s' (error %lu)", eventName.c_str(), ::GetLastError());
}

// The cover page editor, once its launch record is ready: the program's own name first, then the
// arguments the monitor wrote. The editor ends by itself; nobody waits for it.
void StartFormFiller(const FormFillerLaunch& r, StarterLog& log) {
    if (r.editor.empty()) {
        log.Line(L"the cover page record names no editor: nothing started");
        return;
    }
    std::wstring commandLine = L"\"" + r.editor + L"\" " + r.commandLine;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const std::wstring directory = tw::startapp::WorkingDirectory(r.editor);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(r.editor.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
        log.Line(L"cannot start the cover page editor '%s' (error %lu)", r.editor.c_str(), ::GetLastError());
        return;
    }
    tw::UniqueKernelObject process(pi.hProcess), thread(pi.hThread);
    log.Line(L"started the cover page editor '%s' with command line '%s' (process %lu)", r.editor.c_str(),
             commandLine.c_str(), pi.dwProcessId);
}

void LogActions(const PostPrintRecord& r, StarterLog& log) {
    if (Has(r.postPrintFlags, pp::action::OpenFolder))
        log.Line(L"would open the output folder '%s'", r.outputFolder.c_str());
    if (Has(r.postPrintFlags, pp::action::View))
        log.Line(L"would show '%s' in the default viewer", r.outputFilename.c_str());
    if (Has(r.postPrintFlags, pp::action::OpenOcr))
        log.Line(L"would open '%s' in '%s'", r.ocrOutput.c_str(), r.ocrTextEditor.c_str());
}

void WaitForProgram(const tw::UniqueKernelObject& process, DWORD timeoutMs, StarterLog& log) {
    if (!process) return;
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0 && ::GetExitCodeProcess(process.get(), &code))
        log.Line(L"the program ended with exit code %lu", code);
    else
        log.Line(L"the program still runs after %lu s; not waited for", timeoutMs / 1000);
}

}  // namespace

int RunStarter(const StarterArguments& args, const JobRecords& records, StarterLog& log) {
    log.Line(L"job %lu, post-print ID %lu, printer '%s' (records under '%s')", args.jobId, args.postPrintId,
             args.printerName.c_str(), records.RegistryName().c_str());
    const DWORD readyTimeoutMs = records.SettingDword(kReadyTimeoutSetting, kDefaultReadyTimeoutSeconds) * 1000;
    const DWORD programTimeoutMs = records.SettingDword(kProgramTimeoutSetting, kDefaultProgramTimeoutSeconds) * 1000;
    const DWORD start = ::GetTickCount();
    tw::UniqueKernelObject program;
    bool earlyStartTried = false;
    bool editorStarted = false;
    // Until the job ends: a record made ready before printing (or for messaging) is acted on at once.
    for (;;) {
        PostPrintRecord r = records.ReadPostPrint();
        if (r.exists && tw::EqualsNoCase(r.ready, pp::kReadyAbort)) {
            log.Line(L"the record reads 'Abort': left alone, nothing started");
            return kExitAborted;
        }
        if (!earlyStartTried && r.ready == pp::kReadyYes && StartsEarly(r.flags) && r.jobStatus != pp::kJobAborted) {
            earlyStartTried = true;
            program = StartProgram(r, log);
            // A messaging client signals once its pipe listens; any other program is ready now.
            if (program && !Has(r.flags, dmstart::IsStartForMessaging)) SignalReady(r.messagingInterface, log);
        }
        if (!editorStarted) {
            const FormFillerLaunch launch = records.ReadFormFillerLaunch();
            if (launch.exists && tw::EqualsNoCase(launch.ready, pp::kReadyAbort)) {
                editorStarted = true;
                log.Line(L"the cover page record reads 'Abort': left alone");
            } else if (launch.ready == pp::kReadyYes) {
                editorStarted = true;
                StartFormFiller(launch, log);
            }
        }
        if (records.JobEnded()) break;
        if (::GetTickCount() - start > readyTimeoutMs) {
            log.Line(L"gave up after %lu s: the job did not end", readyTimeoutMs / 1000);
            return kExitTimedOut;
        }
        ::Sleep(kPollMs);
    }
    const PostPrintRecord r = records.ReadPostPrint();
    int result = kExitDone;
    if (r.jobStatus == pp::kJobAborted) {
        log.Line(L"the job was aborted: nothing started after printing");
        result = kExitAborted;
    } else if (r.ready != pp::kReadyYes) {
        log.Line(L"the record was not made ready by the job's end: nothing started after printing");
    } else {
        if (StartsAfterPrinting(r.flags)) program = StartProgram(r, log);
        LogActions(r, log);
        for (const std::wstring& line : records.DescribeUploads()) log.Line(L"%s", line.c_str());
    }
    records.Remove();
    log.Line(L"records of post-print ID %lu removed", args.postPrintId);
    WaitForProgram(program, programTimeoutMs, log);
    return result;
}

}  // namespace appstarter
