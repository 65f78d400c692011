#include "twfile/ModuleErrorSlot.h"

namespace tw {
namespace {

BOOL CALLBACK AllocateSlot(PINIT_ONCE, PVOID context, PVOID*) {
    auto* slot = static_cast<volatile DWORD*>(context);
    if (*slot == TLS_OUT_OF_INDEXES) *slot = ::TlsAlloc();
    return *slot != TLS_OUT_OF_INDEXES;
}

}  // namespace

BOOL CModuleErrorSlot::OnAttachReason(DWORD reason) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return EnsureSlot() ? TRUE : FALSE;
    case DLL_THREAD_ATTACH:
    case DLL_THREAD_DETACH:
        // A new thread starts with no error; the value needs no freeing.
        if (m_dwSlot != TLS_OUT_OF_INDEXES) ::TlsSetValue(m_dwSlot, nullptr);
        return TRUE;
    case DLL_PROCESS_DETACH:
        if (m_dwSlot != TLS_OUT_OF_INDEXES) ::TlsFree(m_dwSlot);
        m_dwSlot = TLS_OUT_OF_INDEXES;
        return TRUE;
    }
    return TRUE;
}

bool CModuleErrorSlot::EnsureSlot() {
    if (m_dwSlot != TLS_OUT_OF_INDEXES) return true;
    return ::InitOnceExecuteOnce(&m_once, &AllocateSlot, const_cast<DWORD*>(&m_dwSlot), nullptr) &&
           m_dwSlot != TLS_OUT_OF_INDEXES;
}

uintptr_t CModuleErrorSlot::Get() {
    if (!EnsureSlot()) return 0;
    // TlsGetValue clears the last error on success; callers read it after a failed write.
    const DWORD error = ::GetLastError();
    const auto value = reinterpret_cast<uintptr_t>(::TlsGetValue(m_dwSlot));
    ::SetLastError(error);
    return value;
}

void CModuleErrorSlot::Set(uintptr_t value) {
    const DWORD error = ::GetLastError();
    if (EnsureSlot()) ::TlsSetValue(m_dwSlot, reinterpret_cast<void*>(value));
    ::SetLastError(error);
}

}  // namespace tw
