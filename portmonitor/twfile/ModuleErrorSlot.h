#pragma once
// A per-thread error value of an image module (GIF, PNG), kept in its own TLS slot. The slot is
// allocated by the module's attach hook at library load, or on first use in programs that link
// the static library. The value lives in the slot itself, so threads need no block of their own.
#include <windows.h>

#include <cstdint>

namespace tw {

class CModuleErrorSlot {
public:
    constexpr CModuleErrorSlot() = default;
    CModuleErrorSlot(const CModuleErrorSlot&) = delete;
    CModuleErrorSlot& operator=(const CModuleErrorSlot&) = delete;

    // The attach hook's work for one entry reason; FALSE when the slot cannot be allocated.
    BOOL OnAttachReason(DWORD reason);
    uintptr_t Get();
    void Set(uintptr_t value);

private:
    bool EnsureSlot();
    // TLS_OUT_OF_INDEXES until allocated; written once under the init-once guard or at attach.
    volatile DWORD m_dwSlot = TLS_OUT_OF_INDEXES;
    INIT_ONCE m_once = INIT_ONCE_STATIC_INIT;
};

}  // namespace tw
