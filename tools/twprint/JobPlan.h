#pragma once
// One job of a run and the steps that print it as the spooler would: the run's printer and
// settings, the job's queue entry and port, and the port calls that carry its stream.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "MonitorSession.h"
#include "Options.h"
#include "SettingsWriter.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace twprint {

// Writes "twprint: MESSAGE" to standard error; returns the exit code of a failed run, 1.
int Fail(const std::wstring& message);

struct JobPlan {
    std::vector<BYTE> stream;  // a stream built in memory (the pages of the command line)
    std::wstring document;
    std::optional<tw::TarnwellDEVMODE> dm;  // the DEVMODE of the stream's START_DOC
    std::wstring port;
    DWORD jobId = 0;
    // A stream file is read piece by piece while it is sent, never held whole: a job of
    // thousands of pages costs no more memory than one of ten.
    std::wstring streamFile;  // host path; empty for a stream in memory
    ULONGLONG streamFileSize = 0;

    ULONGLONG Size() const { return streamFile.empty() ? stream.size() : streamFileSize; }
};

// A stream file as a job: its size, DEVMODE and document name (`document`, or the file's name);
// only the head of the file is read here.
bool ReadStreamPlan(const std::wstring& file, const std::wstring& document, JobPlan& plan, std::wstring& error);
// Writes the run's --set and --ini settings, undone when `settings` goes unless kept.
bool PrepareSettings(const Options& o, const tw::TarnwellDEVMODE* dm, SettingsWriter& settings, std::wstring& dataFile,
                     std::wstring& error);
// The run's printer, made once: every job of the run prints on it.
bool EnsurePrinter(MonitorSession& session, const Options& o, const std::wstring& dataFile, std::wstring& error);
// Queues the job on the run's printer and makes sure its port exists.
bool QueueJob(MonitorSession& session, const Options& o, const JobPlan& plan, std::wstring& error);
// Drives the port as the spooler does: StartDocPort, the stream in chunks of --chunk bytes,
// EndDocPort, ClosePort; then the job leaves the queue. False when the port does not open.
bool DriveJob(MonitorSession& session, const Options& o, const JobPlan& plan);

}  // namespace twprint
