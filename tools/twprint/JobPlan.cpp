#include "JobPlan.h"

#include <algorithm>
#include <cstdio>

#include "HostPaths.h"
#include "PrinterSettings.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"

namespace twprint {
namespace {

// START_DOC opens a stream: its DEVMODE lies within the first few kilobytes.
constexpr DWORD kStreamHeadBytes = 1 << 20;

tw::UniqueFile OpenForReading(const std::wstring& path) {
    return tw::UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

}  // namespace

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
    job.size = static_cast<DWORD>(std::min<ULONGLONG>(plan.Size(), MAXDWORD));
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
    tw::UniqueFile file;
    std::vector<BYTE> piece;
    if (!plan.streamFile.empty()) {
        file = OpenForReading(plan.streamFile);
        piece.resize(o.chunk);
    }
    // The next piece of at most `cb` bytes: from memory, or read from the file. A file that
    // shrank or cannot be read ends the stream where it ends (null).
    const auto next = [&](ULONGLONG done, DWORD& cb) -> const BYTE* {
        if (plan.streamFile.empty()) return plan.stream.data() + done;
        DWORD got = 0;
        if (!file || !::ReadFile(file.get(), piece.data(), cb, &got, nullptr) || got == 0) return nullptr;
        cb = got;
        return piece.data();
    };
    if (session.StartDocPort(port, o.printer, plan.jobId, plan.document)) {
        unsigned long writes = 0;
        for (ULONGLONG done = 0; done < plan.Size();) {
            DWORD cb = static_cast<DWORD>(std::min<ULONGLONG>(o.chunk, plan.Size() - done));
            const BYTE* data = next(done, cb);
            if (!data) break;
            session.WritePort(port, data, cb);
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
    plan.streamFile = HostPath(file);
    tw::UniqueFile f = OpenForReading(plan.streamFile);
    LARGE_INTEGER size{};
    std::vector<BYTE> head;
    DWORD got = 0;
    if (f && ::GetFileSizeEx(f.get(), &size)) {
        head.resize(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, kStreamHeadBytes)));
        if (head.empty() || (::ReadFile(f.get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr) &&
                             got == head.size())) {
            plan.streamFileSize = static_cast<ULONGLONG>(size.QuadPart);
            plan.dm = StartDocDevMode(head);
            plan.document = document.empty() ? FileNameOf(file) : document;
            return true;
        }
    }
    error = L"cannot read stream file '" + file + L"'";
    return false;
}

}  // namespace twprint
