#include "notify/MergeWindow.h"

#include "base/WideString.h"
#include "monitor/Trace.h"
#include "notify/SharedMemory.h"

namespace tw {
namespace {

namespace mt = mergetable;

constexpr wchar_t kOpenFailed[] = L"SetDevMode: Failed to open map: %s";
constexpr wchar_t kNoEntry[] = L"Merge window: the merge table has no entry for job %lu";
constexpr wchar_t kAlreadyDone[] = L"Merge window: the entry of job %lu is already done";
constexpr wchar_t kUtilityEnded[] = L"Merge window: the merge utility (process %lu) has ended";
constexpr wchar_t kWaitedTooLong[] = L"Merge window: job %lu was not given its turn within %d rounds";
constexpr wchar_t kStoreFailed[] = L"Merge window: the merge table does not fit into the shared memory";
constexpr wchar_t kCompleteFailed[] = L"Merge window: job %lu could not be marked done: %s";

}  // namespace

CMergeWindow::CMergeWindow(std::wstring baseName, DWORD jobId, IMergeWindowHost& host, MergeWindowTiming timing)
    : m_baseName(std::move(baseName)), m_jobId(jobId), m_host(host), m_timing(timing) {}

CMergeWindow::~CMergeWindow() = default;

std::wstring CMergeWindow::BaseName(DWORD sessionId, const std::wstring& printerName) {
    std::wstring name = FormatW(mt::kBaseNameFormat, static_cast<unsigned long>(sessionId)) + L"_" +
                        CleanObjectName(printerName);
    if (name.size() > mt::kMaxBaseNameChars) name.resize(mt::kMaxBaseNameChars);
    return name;
}

MergeOutcome CMergeWindow::Alone(std::wstring reason) {
    m_memory.reset();
    if (!reason.empty()) m_host.Log(reason);
    return MergeOutcome{MergeOutcome::Kind::Alone, {}, std::move(reason)};
}

bool CMergeWindow::Open(std::wstring& reason) {
    for (int attempt = 1;; ++attempt) {
        try {
            m_memory = std::make_unique<SharedMemory>(m_baseName);
            return true;
        } catch (const SharedMemoryException& e) {
            reason = FormatW(kOpenFailed, e.text().c_str());
            TW_TRACE(L"CMergeWindow::Open: attempt %d: %s", attempt, reason.c_str());
            // Only a mapping that is not there yet may still come: the merge utility may be
            // starting. A mapping too small, a mutex held or abandoned will not mend itself.
            if (e.kind() != SharedMemoryException::Kind::OpenMapping || attempt >= m_timing.openAttempts) return false;
        }
        m_host.Sleep(m_timing.openRetryMs);
    }
}

MergeTurn CMergeWindow::Ask(MergeEntry& entry, std::wstring& reason) {
    try {
        MutexOwnership lock = m_memory->Lock(L"Lookup");
        MergeTable table;
        SharedMemory& memory = *m_memory;
        if (!table.Load([&](void* b, size_t n, size_t o) { return memory.Read(b, n, o); }, SharedMemory::Size(),
                        reason))
            return MergeTurn::NoEntry;
        const MergeTurn turn = table.TurnOf(m_jobId, [&](DWORD id) { return m_host.JobExists(id); });
        if (const MergeEntry* own = table.Find(m_jobId)) entry = *own;
        if (turn == MergeTurn::NoEntry) reason = FormatW(kNoEntry, static_cast<unsigned long>(m_jobId));
        if (turn == MergeTurn::Finished) reason = FormatW(kAlreadyDone, static_cast<unsigned long>(m_jobId));
        return turn;
    } catch (const SharedMemoryException& e) {
        reason = e.text();
        return MergeTurn::NoEntry;
    }
}

MergeOutcome CMergeWindow::Join() {
    TW_TRACE(L"> CMergeWindow::Join: %s, job %lu", m_baseName.c_str(), static_cast<unsigned long>(m_jobId));
    std::wstring reason;
    if (!Open(reason)) return Alone(reason);
    for (int round = 1;; ++round) {
        MergeEntry entry;
        const MergeTurn turn = Ask(entry, reason);
        switch (turn) {
        case MergeTurn::Go:
            TW_TRACE(L"< CMergeWindow::Join: go, order %lu", static_cast<unsigned long>(entry.Order()));
            return MergeOutcome{MergeOutcome::Kind::Go, entry, {}};
        case MergeTurn::Abort:
            m_memory.reset();
            TW_TRACE(L"< CMergeWindow::Join: abort");
            return MergeOutcome{MergeOutcome::Kind::Abort, entry, {}};
        case MergeTurn::NoEntry:
        case MergeTurn::Finished:
            return Alone(reason);
        case MergeTurn::Wait:
            break;
        }
        if (entry.processId && !m_host.ProcessRunning(entry.processId))
            return Alone(FormatW(kUtilityEnded, static_cast<unsigned long>(entry.processId)));
        // Also while the merge utility runs: a job that waits for ever holds the spooler's thread.
        if (round >= m_timing.rounds)
            return Alone(FormatW(kWaitedTooLong, static_cast<unsigned long>(m_jobId), m_timing.rounds));
        m_host.Sleep(m_timing.roundMs);
    }
}

void CMergeWindow::Complete(DWORD counterValue) {
    if (!m_memory) return;
    TW_TRACE(L"> CMergeWindow::Complete: job %lu", static_cast<unsigned long>(m_jobId));
    try {
        SharedMemory& memory = *m_memory;
        MutexOwnership lock = memory.Lock(L"Complete");
        MergeTable table;
        std::wstring error;
        if (!table.Load([&](void* b, size_t n, size_t o) { return memory.Read(b, n, o); }, SharedMemory::Size(),
                        error)) {
            m_host.Log(FormatW(kCompleteFailed, static_cast<unsigned long>(m_jobId), error.c_str()));
        } else if (const MergeEntry* own = table.Find(m_jobId); own && table.Complete(m_jobId, counterValue)) {
            const DWORD processId = own->processId;
            if (!table.Store([&](const void* b, size_t n, size_t o) { return memory.Write(b, n, o); },
                             SharedMemory::Size()))
                m_host.Log(kStoreFailed);
            auto exists = [&](DWORD id) { return m_host.JobExists(id); };
            bool first = true;
            for (DWORD next : table.WaitingJobs(processId, exists)) {
                m_host.SetJobPriority(next, first ? kNextJobPriority : kLaterJobPriority);
                first = false;
            }
        }
    } catch (const SharedMemoryException& e) {
        m_host.Log(FormatW(kCompleteFailed, static_cast<unsigned long>(m_jobId), e.text().c_str()));
    }
    m_memory.reset();
    m_host.Sleep(m_timing.afterCompletionMs);
    TW_TRACE(L"< CMergeWindow::Complete");
}

}  // namespace tw
