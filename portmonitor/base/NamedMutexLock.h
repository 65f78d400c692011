#pragma once
// A named mutex shared with other processes, held for the object's life. A mutex its last owner
// left abandoned is ours; a wait that times out leaves Owned() false.
#include <windows.h>

#include "base/MutexOwnership.h"
#include "base/UniqueHandle.h"

namespace tw {

class NamedMutexLock {
public:
    NamedMutexLock(const wchar_t* name, DWORD timeoutMs)
        : m_mutex(::CreateMutexW(nullptr, FALSE, name)), m_ownership(m_mutex.get(), timeoutMs) {}
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;
    bool Owned() const { return m_ownership.owned(); }

private:
    tw::UniqueKernelObject m_mutex;  // declared first: released after the ownership
    MutexOwnership m_ownership;
};

}  // namespace tw
