#pragma once
// A named mutex shared with other processes, held for the object's life. A mutex its last owner
// left abandoned is ours; a wait that times out leaves Owned() false.
#include <windows.h>

#include "base/UniqueHandle.h"

namespace tw {

class NamedMutexLock {
public:
    NamedMutexLock(const wchar_t* name, DWORD timeoutMs) : m_mutex(::CreateMutexW(nullptr, FALSE, name)) {
        if (!m_mutex) return;
        const DWORD wait = ::WaitForSingleObject(m_mutex.get(), timeoutMs);
        m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~NamedMutexLock() {
        if (m_owned) ::ReleaseMutex(m_mutex.get());
    }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;
    bool Owned() const { return m_owned; }

private:
    tw::UniqueKernelObject m_mutex;
    bool m_owned = false;
};

}  // namespace tw
