// twprint: drives the port monitor as the spooler does and reports what happened.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ClientListener.h"
#include "HostPaths.h"
#include "JobPlan.h"
#include "JobRecorder.h"
#include "MonitorSession.h"
#include "Options.h"
#include "PageStream.h"
#include "PrinterSettings.h"
#include "IniDump.h"
#include "Report.h"
#include "StreamRun.h"
#include "base/WideString.h"
#include "notify/CopyDataTransfer.h"
#include "notify/MessagingNames.h"
#include "notify/StatisticsPipe.h"

using namespace twprint;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;


int RunPorts(MonitorSession& session, const Options& o) {
    if (o.command == Command::PortsAdd) {
        if (session.HasPort(o.portArgument)) return Fail(L"port '" + o.portArgument + L"' exists already");
        if (!session.AddPort(o.portArgument) || !session.HasPort(o.portArgument))
            return Fail(L"the monitor did not add port '" + o.portArgument + L"'");
        std::printf("added %s\n", tw::ToUtf8(o.portArgument).c_str());
        return kExitOk;
    }
    if (o.command == Command::PortsDelete) {
        if (!session.HasPort(o.portArgument)) return Fail(L"no port '" + o.portArgument + L"'");
        if (!session.DeletePort(o.portArgument) || session.HasPort(o.portArgument))
            return Fail(L"the monitor did not delete port '" + o.portArgument + L"'");
        std::printf("deleted %s\n", tw::ToUtf8(o.portArgument).c_str());
        return kExitOk;
    }
    std::vector<PortEntry> ports;
    if (!session.EnumPorts(ports)) return Fail(L"EnumPorts failed");
    for (const auto& p : ports)
        std::printf("%s\t%s\t%s\n", tw::ToUtf8(p.name).c_str(), tw::ToUtf8(p.monitor).c_str(),
                    tw::ToUtf8(p.description).c_str());
    return kExitOk;
}

int RunDump(const Options& o) {
    std::vector<BYTE> stream;
    if (!ReadWholeFile(HostPath(o.dumpFile), stream)) return Fail(L"cannot read stream file '" + o.dumpFile + L"'");
    std::string text = tw::ToUtf8(DumpStream(stream));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

// An INI file (a group file, the status INI file) as the Windows INI functions read it, as JSON:
// {"section": {"key": "value", ...}, ...}.
int RunIni(const Options& o) {
    const std::wstring path = HostPath(o.dumpFile);
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return Fail(L"no INI file '" + o.dumpFile + L"'");
    std::string json = IniFileAsJson(path);
    std::fwrite(json.data(), 1, json.size(), stdout);
    return kExitOk;
}

// Sends the job's stream through its port as the spooler would, and reports the run. The job's
// DEVMODE names the printer's registry key; the settings written for the run are undone when
// this returns, on every path, unless they are to be kept.
int SendStream(MonitorSession& session, const Options& o, const JobPlan& plan) {
    const tw::TarnwellDEVMODE* dm = plan.dm ? &*plan.dm : nullptr;
    SettingsWriter settings;
    std::wstring dataFile, error;
    if (!PrepareSettings(o, dm, settings, dataFile, error) || !EnsurePrinter(session, o, dataFile, error) ||
        !QueueJob(session, o, plan, error))
        return Fail(error);

    // The client application listens under the names the job will compute for itself.
    std::unique_ptr<ClientListener> listener;
    if (o.listen.enabled) {
        const tw::MessagingInterface iface = tw::ResolveMessagingInterface(dm, o.jobId, dataFile);
        ListenNames names{tw::ClientPipeName(iface), tw::StatisticsPipeName(dataFile, iface.name),
                          tw::FormatW(L"Global\\%s_%lu", iface.name.c_str(), o.jobId)};
        listener = std::make_unique<ClientListener>(o.listen, names);
        if (!listener->Start(error)) return Fail(error);
        const ULONGLONG window = reinterpret_cast<ULONG_PTR>(listener->Window());
        session.Host().Spooler().SetPrinterData(o.printer, tw::kClientWindowValue, REG_BINARY, &window, sizeof(window));
    }

    JobRecorder recorder;
    if (!DriveJob(session, o, plan)) return Fail(L"OpenPort failed for '" + plan.port + L"'");
    recorder.WaitForStartedProcesses(o.waitPostPrintSeconds * 1000);
    if (listener) listener->Stop();

    if (o.report) {
        RunFacts facts{o.jobId};
        if (listener) facts.messages = listener->Messages();
        std::wstring target = *o.report == L"-" ? *o.report : HostPath(*o.report);
        if (!WriteReport(target, BuildReport(session, recorder, facts)))
            return Fail(L"cannot write report '" + *o.report + L"'");
    }
    return kExitOk;
}

int RunStream(MonitorSession& session, const Options& o) {
    JobPlan plan;
    std::wstring error;
    if (!ReadStreamPlan(o.streamFile, o.document, plan, error)) return Fail(error);
    plan.port = o.port;
    plan.jobId = o.jobId;
    return SendStream(session, o, plan);
}

int RunPages(MonitorSession& session, const Options& o) {
    twhost::DevModeBuilder devmode(o.printer.substr(0, CCHDEVICENAME - 1));
    std::wstring error;
    if (!BuildDevMode(o, devmode, error)) {
        std::fprintf(stderr, "twprint: %s\n%s", tw::ToUtf8(error).c_str(), tw::ToUtf8(UsageText()).c_str());
        return kExitUsage;
    }
    std::vector<BYTE> stream;
    if (!BuildPageStream(o, devmode, stream, error)) return Fail(error);
    if (o.saveStream && !WriteWholeFile(HostPath(*o.saveStream), stream))
        return Fail(L"cannot write stream file '" + *o.saveStream + L"'");
    JobPlan plan{std::move(stream), o.document.empty() ? FileNameOf(o.pages.front()) : o.document, devmode.Record(),
                 o.port, o.jobId};
    return SendStream(session, o, plan);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "twprint: %s\n%s", tw::ToUtf8(e.message).c_str(), tw::ToUtf8(UsageText()).c_str());
        return kExitUsage;
    }
    if (options.command == Command::Dump) return RunDump(options);
    if (options.command == Command::Ini) return RunIni(options);
    MonitorSession session;
    std::wstring error;
    if (!session.Initialize(error)) return Fail(error);
    switch (options.command) {
    case Command::PortsList:
    case Command::PortsAdd:
    case Command::PortsDelete:
        return RunPorts(session, options);
    case Command::Stream:
        return options.streamFiles.size() > 1 || options.parallel ? RunStreams(session, options)
                                                                   : RunStream(session, options);
    case Command::Pages:
        return RunPages(session, options);
    case Command::Dump:
    case Command::Ini:
        break;
    }
    return kExitUsage;
}
