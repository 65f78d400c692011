#pragma once
// Holds a mutex for its life once the wait gave it (also when its last owner abandoned it).
#include <windows.h>

#include <utility>

#include "base/UniqueHandle.h"

namespace tw {

class MutexOwnership {
public:
    MutexOwnership(HANDLE mutex, DWORD timeoutMs)
        : m_mutex(mutex), m_result(mutex ? ::WaitForSingleObject(mutex, timeoutMs) : WAIT_FAILED) {}
    ~MutexOwnership() {
        if (owned()) {
            PreserveLastError keep;
            ::ReleaseMutex(m_mutex);
        }
    }
    MutexOwnership(MutexOwnership&& other) noexcept
        : m_mutex(other.m_mutex), m_result(std::exchange(other.m_result, WAIT_FAILED)) {}
    MutexOwnership(const MutexOwnership&) = delete;
    MutexOwnership& operator=(const MutexOwnership&) = delete;
    MutexOwnership& operator=(MutexOwnership&&) = delete;
    // The wait's result: WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT or WAIT_FAILED.
    DWORD result() const { return m_result; }
    bool owned() const { return m_result == WAIT_OBJECT_0 || m_result == WAIT_ABANDONED; }
    // Obtained cleanly: an abandoned mutex guards data its owner may have left half written.
    bool clean() const { return m_result == WAIT_OBJECT_0; }

private:
    HANDLE m_mutex;
    DWORD m_result;
};

}  // namespace tw
