#pragma once
// The merge utility's shared memory: a named file mapping of fixed size that the merge utility
// creates in the printing user's session, guarded by a named mutex. The monitor opens both,
// never creates the mapping, and holds the mutex only for one access at a time.
#include <windows.h>

#include <string>
#include <utility>

#include "base/MutexOwnership.h"
#include "base/UniqueHandle.h"
#include "base/UniqueMappedView.h"

namespace tw {

// The only exception the monitor throws: every failure of SharedMemory, with its message text.
class SharedMemoryException {
public:
    // What failed: the job retries only a mapping that does not exist yet.
    enum class Kind { CreateMutex, LockMutex, OpenMapping, MapView, TooSmall, NullBuffer };
    SharedMemoryException(Kind kind, std::wstring text) : m_kind(kind), m_text(std::move(text)) {}
    Kind kind() const { return m_kind; }
    const std::wstring& text() const { return m_text; }

private:
    Kind m_kind;
    std::wstring m_text;
};

class SharedMemory {
public:
    // Opens "<base name>_MUTEX" and "<base name>_MAP"; throws SharedMemoryException.
    explicit SharedMemory(const std::wstring& baseName);
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    // Bytes copied; a range past the end is cut at the end. Throw on a null buffer or a mutex
    // that could not be taken cleanly.
    size_t Read(void* buffer, size_t length, size_t offset);
    size_t Write(const void* buffer, size_t length, size_t offset);
    // Holds the mutex across several reads and writes (it is recursive for its owner); throws
    // when it cannot be taken cleanly. `operation` names the caller in the message.
    MutexOwnership Lock(const wchar_t* operation);

    static size_t Size();
    const std::wstring& MapName() const { return m_mapName; }
    const std::wstring& MutexName() const { return m_mutexName; }

private:
    std::wstring m_mapName, m_mutexName;
    UniqueKernelObject m_mutex;
    UniqueKernelObject m_mapping;
    UniqueMappedView m_view;
};

}  // namespace tw
