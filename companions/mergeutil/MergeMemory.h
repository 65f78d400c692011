#pragma once
// The merge utility's side of the shared memory: it creates the mapping and the mutex, writes
// the job table and reads back what the monitor's jobs wrote into it.
#include <windows.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/UniqueMappedView.h"
#include "notify/MergeTableLayout.h"

namespace twmerge {

struct Entry {
    DWORD jobId = 0;
    DWORD processId = 0;
    DWORD state = 0;  // 0: entered, not yet ready
    std::array<DWORD, tw::mergetable::kEntryValueCount> values{};
    std::wstring name;
    bool unterminated = false;  // bad input: the name runs to the record's end without a terminator
};

// What the table holds now, by job: state and counter (absent: no counter record).
struct TableState {
    std::map<DWORD, DWORD> states;
    std::map<DWORD, DWORD> counters;
    bool readable = true;
};

class MergeMemory {
public:
    // Creates "<base>_MAP" of `size` bytes and "<base>_MUTEX"; false with the error printed.
    bool Create(const std::wstring& baseName, DWORD size);
    // The whole table, written under the mutex; `beyond` ends it with an entry that runs past the
    // mapping's end instead of the end mark.
    void WriteTable(const std::vector<Entry>& entries, bool beyond);
    // Random bytes from the first record on, keeping the magic (bad input).
    void Scramble(unsigned seed, size_t bytes);
    // Sets the state of the job's entry where it lies now; false when the table has no such entry.
    bool SetState(DWORD jobId, DWORD state);
    TableState Read();
    // A thread takes the mutex and ends without releasing it, as a crashed merge utility would.
    void AbandonMutex();

private:
    BYTE* Bytes() { return static_cast<BYTE*>(m_view.get()); }
    // Calls `visit(offset, size, type)` for each record until the end mark; false when a record
    // does not fit in the mapping.
    template <typename F>
    bool Walk(F visit);
    tw::UniqueKernelObject m_mutex, m_mapping;
    tw::UniqueMappedView m_view;
    DWORD m_size = 0;
};

}  // namespace twmerge
