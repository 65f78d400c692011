#pragma once
// The merge utility's job table, read from and written back to its shared memory. Everything
// in it comes from another program, so a load checks every record against its own size and the
// mapping's before reading it, and refuses a table it cannot read whole.
#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "notify/MergeTableLayout.h"

namespace tw {

struct MergeEntry {
    DWORD jobId = 0;       // from the key record that follows the entry
    DWORD processId = 0;   // the merge utility that owns the entry
    DWORD state = 0;
    std::array<DWORD, mergetable::kEntryValueCount> values{};
    std::wstring name;
    DWORD Value(mergetable::EntryValue v) const { return values[v]; }
    DWORD Order() const { return Value(mergetable::kValueOrder); }
};

// Whether a job may print now.
enum class MergeTurn {
    Go,       // its entry is ready and first in order
    Abort,    // its entry says abort
    Wait,     // an entry of lower order, or an entry not yet ready
    NoEntry,  // the table does not know the job
    Finished  // its entry is already done
};

class MergeTable {
public:
    using Reader = std::function<size_t(void* buffer, size_t length, size_t offset)>;
    using Writer = std::function<size_t(const void* buffer, size_t length, size_t offset)>;
    using JobExists = std::function<bool(DWORD jobId)>;

    // Reads the table through `read` from a memory of `limit` bytes. A memory without the magic
    // is an empty table with a fresh header. FALSE with `error` set when a record is malformed.
    bool Load(const Reader& read, size_t limit, std::wstring& error);
    // The table as bytes: magic, header, each entry with its key and counter, 8 zero bytes.
    std::vector<BYTE> Bytes() const;
    // Writes Bytes() at offset 0; FALSE when they do not fit into `limit`.
    bool Store(const Writer& write, size_t limit) const;

    const std::vector<MergeEntry>& Entries() const { return m_entries; }
    const MergeEntry* Find(DWORD jobId) const;
    // The job may go on when its entry is ready and has the lowest order among the ready entries
    // of its merge utility whose jobs still exist; an abort entry ends the wait as well.
    MergeTurn TurnOf(DWORD jobId, const JobExists& exists) const;
    // The job's entry becomes done and its counter `value`; FALSE when it has no entry.
    bool Complete(DWORD jobId, DWORD value);
    // The ready entries of merge utility `processId` whose jobs still exist, the next one first.
    std::vector<DWORD> WaitingJobs(DWORD processId, const JobExists& exists) const;
    std::optional<DWORD> Counter(DWORD jobId) const;

    // Builders for the merge utility's side and tests.
    void AddEntry(const MergeEntry& entry);
    std::vector<BYTE>& HeaderRecord() { return m_header; }

private:
    std::vector<BYTE> m_header;
    std::vector<MergeEntry> m_entries;
    // Raw records as read, so that what the monitor does not interpret goes back unchanged.
    std::vector<std::vector<BYTE>> m_entryRecords, m_keyRecords;
    std::map<DWORD, DWORD> m_counters;
};

}  // namespace tw
