#pragma once
// A job's turn in the merge utility's job table: the job opens the merge utility's shared
// memory, waits until its entry lets it print (or tells it to abort), and marks its entry done
// when it has printed. Every wait is bounded, and anything the job cannot read or wait for ends
// the merge for this job: it then prints alone.
#include <windows.h>

#include <memory>
#include <string>

#include "notify/MergeTable.h"

namespace tw {

class SharedMemory;

// The world the merge window asks and acts on: the spooler's queue, processes and time.
class IMergeWindowHost {
public:
    virtual ~IMergeWindowHost() = default;
    virtual bool JobExists(DWORD jobId) = 0;
    virtual void SetJobPriority(DWORD jobId, DWORD priority) = 0;
    virtual bool ProcessRunning(DWORD processId) = 0;
    virtual void Sleep(DWORD ms) = 0;
    // A line for the job's diagnostics.
    virtual void Log(const std::wstring& text) = 0;
};

struct MergeWindowTiming {
    int openAttempts = 60;  // the shared memory is looked for once a second, 60 times
    DWORD openRetryMs = 1000;
    int rounds = 60;  // at most 60 turns of one second waiting for the job's turn
    DWORD roundMs = 1000;
    DWORD afterCompletionMs = 1000;  // lets the next job see the table first
};

// Spooler priorities given when a job has finished: its next job first.
inline constexpr DWORD kNextJobPriority = MAX_PRIORITY;  // 99
inline constexpr DWORD kLaterJobPriority = MIN_PRIORITY;  // 1: the spooler refuses 0

struct MergeOutcome {
    enum class Kind { Go, Abort, Alone } kind = Kind::Alone;
    MergeEntry entry;    // Go and Abort: the job's entry
    std::wstring reason;  // Alone: why the job prints alone; empty when the merge simply does not apply
};

class CMergeWindow {
public:
    CMergeWindow(std::wstring baseName, DWORD jobId, IMergeWindowHost& host, MergeWindowTiming timing = {});
    ~CMergeWindow();
    CMergeWindow(const CMergeWindow&) = delete;
    CMergeWindow& operator=(const CMergeWindow&) = delete;

    // Opens the shared memory and waits for the job's turn.
    MergeOutcome Join();
    // After a Go: the entry becomes done with `counterValue`, the next waiting job of the same
    // merge utility gets the highest priority; the shared memory is let go.
    void Complete(DWORD counterValue);
    bool Joined() const { return m_memory != nullptr; }

    // "Session\<id>\TwMerge_" + "_" + the cleaned printer name, cut to 1024 characters.
    static std::wstring BaseName(DWORD sessionId, const std::wstring& printerName);

private:
    MergeOutcome Alone(std::wstring reason);
    bool Open(std::wstring& reason);
    // One look at the table under its mutex.
    MergeTurn Ask(MergeEntry& entry, std::wstring& reason);

    std::wstring m_baseName;
    DWORD m_jobId;
    IMergeWindowHost& m_host;
    MergeWindowTiming m_timing;
    std::unique_ptr<SharedMemory> m_memory;
};

}  // namespace tw
