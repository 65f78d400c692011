#pragma once
// Per-thread state of a library that is loaded and freed once per job. The compiler's
// thread_local (and a guarded local static) goes through the threads runtime linked into the
// library, which takes a TLS slot on every load and never gives it back: a spooler process
// would run out of slots after about a thousand jobs. This keeps one slot from construction to
// destruction, which for a namespace-scope object means from load to unload.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/CriticalSection.h"

namespace tw {

template <typename T>
class ThreadSlot {
public:
    ThreadSlot() : m_index(::TlsAlloc()) {}
    ~ThreadSlot() {
        for (T* value : m_values) delete value;
        if (m_index != TLS_OUT_OF_INDEXES) ::TlsFree(m_index);
    }
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    // This thread's value, made (value-initialised) on first use. Without a slot every thread
    // shares one value rather than failing. The thread's last error is kept: TlsGetValue
    // clears it, and a library records its failure while the system's reason is still wanted.
    T& Get() {
        if (m_index == TLS_OUT_OF_INDEXES) return m_shared;
        const DWORD lastError = ::GetLastError();
        T* value = static_cast<T*>(::TlsGetValue(m_index));
        if (!value) {
            value = new T();
            ::TlsSetValue(m_index, value);
            CsLock lock(m_cs);
            m_values.push_back(value);
        }
        ::SetLastError(lastError);
        return *value;
    }

    // Frees this thread's value; the library calls it at DLL_THREAD_DETACH.
    void ReleaseThread() {
        if (m_index == TLS_OUT_OF_INDEXES) return;
        T* value = static_cast<T*>(::TlsGetValue(m_index));
        if (!value) return;
        ::TlsSetValue(m_index, nullptr);
        {
            CsLock lock(m_cs);
            m_values.erase(std::remove(m_values.begin(), m_values.end(), value), m_values.end());
        }
        delete value;
    }

private:
    DWORD m_index;
    CriticalSection m_cs;
    std::vector<T*> m_values;  // every thread's value, freed at destruction
    T m_shared{};
};

}  // namespace tw
