#pragma once
#include <windows.h>

namespace tw {

class CriticalSection {
public:
    explicit CriticalSection(DWORD spinCount = 1024) { ::InitializeCriticalSectionAndSpinCount(&m_cs, spinCount); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void lock() { ::EnterCriticalSection(&m_cs); }
    void unlock() { ::LeaveCriticalSection(&m_cs); }
private:
    CRITICAL_SECTION m_cs;
};

class CsLock {
public:
    explicit CsLock(CriticalSection& cs) : m_cs(cs) { m_cs.lock(); }
    ~CsLock() { m_cs.unlock(); }
    CsLock(const CsLock&) = delete;
    CsLock& operator=(const CsLock&) = delete;
private:
    CriticalSection& m_cs;
};

}  // namespace tw
