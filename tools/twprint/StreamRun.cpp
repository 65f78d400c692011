#include "StreamRun.h"

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "HostPaths.h"
#include "JobPlan.h"
#include "JobRecorder.h"
#include "Report.h"
#include "base/WideString.h"
#include "monitor/MonitorModule.h"

namespace twprint {
namespace {

struct JobResult {
    std::string report;
    std::wstring error;
};

// What the loader does for a DLL on DLL_THREAD_ATTACH and DLL_THREAD_DETACH: twprint links the
// monitor statically, so each job thread gives its per-thread block (and the GDI scratch
// objects it holds) back itself.
class MonitorThread {
public:
    MonitorThread() { tw::module::ThreadAttach(); }
    ~MonitorThread() { tw::module::ThreadDetach(); }
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;
};

// One job on the calling thread; its report holds only what this thread and job did.
void PrintOne(MonitorSession& session, const Options& o, const JobPlan& plan, JobResult& result) {
    MonitorThread thread;
    JobRecorder recorder(plan.jobId);
    if (!DriveJob(session, o, plan)) {
        result.error = L"OpenPort failed for '" + plan.port + L"'";
        return;
    }
    recorder.WaitForStartedProcesses(o.waitPostPrintSeconds * 1000);
    RunFacts facts{plan.jobId};
    facts.eventThread = ::GetCurrentThreadId();
    result.report = BuildReport(session, recorder, facts);
}

}  // namespace

std::wstring NumberedPort(const std::wstring& port, size_t number) {
    const bool colon = !port.empty() && port.back() == L':';
    return port.substr(0, port.size() - (colon ? 1 : 0)) + std::to_wstring(number) + (colon ? L":" : L"");
}

int RunStreams(MonitorSession& session, const Options& o) {
    std::vector<JobPlan> plans(o.streamFiles.size());
    std::wstring error;
    for (size_t i = 0; i < plans.size(); ++i) {
        if (!ReadStreamPlan(o.streamFiles[i], o.document, plans[i], error)) return Fail(error);
        plans[i].port = NumberedPort(o.port, i + 1);
        plans[i].jobId = o.jobId + static_cast<DWORD>(i);
    }
    // The jobs share the printer, so its settings are written once, by the first job's DEVMODE.
    SettingsWriter settings;
    std::wstring dataFile;
    const tw::TarnwellDEVMODE* dm = plans.front().dm ? &*plans.front().dm : nullptr;
    if (!PrepareSettings(o, dm, settings, dataFile, error) || !EnsurePrinter(session, o, dataFile, error)) return Fail(error);
    for (const JobPlan& plan : plans)
        if (!QueueJob(session, o, plan, error)) return Fail(error);

    // Every job runs on a thread of its own, so that each report holds its own calls and events.
    std::vector<JobResult> results(plans.size());
    auto start = [&](size_t i) { return std::thread([&, i] { PrintOne(session, o, plans[i], results[i]); }); };
    if (o.parallel) {
        std::vector<std::thread> threads;
        for (size_t i = 0; i < plans.size(); ++i) threads.push_back(start(i));
        for (std::thread& t : threads) t.join();
    } else {
        for (size_t i = 0; i < plans.size(); ++i) start(i).join();
    }
    for (const JobResult& r : results)
        if (!r.error.empty()) return Fail(r.error);

    if (o.report) {
        std::string json = "{\"jobs\": [";
        for (size_t i = 0; i < results.size(); ++i) json += (i ? ",\n" : "\n") + results[i].report;
        json += "\n]}\n";
        std::wstring target = *o.report == L"-" ? *o.report : HostPath(*o.report);
        if (!WriteReport(target, json)) return Fail(L"cannot write report '" + *o.report + L"'");
    }
    return 0;
}

}  // namespace twprint
