#include "JobPlan.h"

#include <algorithm>
#include <cstdio>

#include "HostPaths.h"
#include "PrinterSettings.h"
#include "base/WideString.h"

namespace twprint {

int Fail(const std::wstring& message) {
    std::fprintf(stderr, "twprint: %s\n", tw::ToUtf8(message).c_str());
    return 1;
}

// The run's printer, made once: every job of the run prints on it.
bool EnsurePrinter(MonitorSession& session, const Options& o, const std::wstring& dataFile, std::wstring& error) {
    auto& spooler = session.Host().Spooler();
    if (spooler.FindPrinter(o.printer)) return true;
    twhost::SimPrinter printer;
    printer.name = o.printer;
    printer.portName = o.port;
    printer.driverName = L"Tarnwell Printer Driver";
    printer.dataFile = dataFile;
    if (spooler.AddPrinter(printer)) return true;
    error = L"cannot set up printer '" + o.printer + L"'";
    return false;
}

// Queues the job on the run's printer and makes sure its port exists.
bool QueueJob(MonitorSession& session, const Options& o, const JobPlan& plan, std::wstring& error) {
    twhost::SimJob job;
    job.id = plan.jobId;
    job.document = plan.document;
    job.size = static_cast<DWORD>(plan.stream.size());
    if (session.Host().Spooler().AddJob(o.printer, job) != plan.jobId) {
        error = L"cannot queue job " + std::to_wstring(plan.jobId);
        return false;
    }
    if (!session.HasPort(plan.port) && !session.AddPort(plan.port)) {
        error = L"cannot add port '" + plan.port + L"'";
        return false;
    }
    return true;
}

// Drives the port as the spooler does: StartDocPort, the stream in chunks, EndDocPort,
// ClosePort; then the job leaves the queue. False when the port does not open.
bool DriveJob(MonitorSession& session, const Options& o, const JobPlan& plan) {
    auto& spooler = session.Host().Spooler();
    HANDLE port = session.OpenPort(plan.port);
    if (!port) return false;
    if (session.StartDocPort(port, o.printer, plan.jobId, plan.document)) {
        unsigned long writes = 0;
        for (size_t done = 0; done < plan.stream.size();) {
            DWORD cb = static_cast<DWORD>(std::min<size_t>(o.chunk, plan.stream.size() - done));
            session.WritePort(port, plan.stream.data() + done, cb);
            done += cb;
            // A user deletes the job from the queue while it prints: the spooler sends no more
            // of it and ends the document.
            if (o.cancelAfter && ++writes == o.cancelAfter) {
                spooler.MarkJobDeleting(plan.jobId);
                break;
            }
        }
        session.EndDocPort(port);
    }
    session.ClosePort(port);
    spooler.FinishJob(plan.jobId);
    return true;
}

// Writes the run's --set and --ini settings, undone when `settings` goes unless kept.
bool PrepareSettings(const Options& o, const tw::TarnwellDEVMODE* dm, SettingsWriter& settings, std::wstring& dataFile,
                     std::wstring& error) {
    if (!WriteRunSettings(o, dm, settings, dataFile, error)) return false;
    if (o.keepSettings) {
        settings.Keep();
        if (!dataFile.empty())
            std::fprintf(stderr, "twprint: driver data file kept: %s\n", tw::ToUtf8(dataFile).c_str());
    }
    return true;
}

bool ReadStreamPlan(const std::wstring& file, const std::wstring& document, JobPlan& plan, std::wstring& error) {
    if (!ReadWholeFile(HostPath(file), plan.stream)) {
        error = L"cannot read stream file '" + file + L"'";
        return false;
    }
    plan.dm = StartDocDevMode(plan.stream);
    plan.document = document.empty() ? FileNameOf(file) : document;
    return true;
}

}  // namespace twprint
