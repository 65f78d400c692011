#include "monitor/ThreadBlock.h"

#include <cstdlib>

namespace tw::threadblock {
namespace {
DWORD g_tlsIndex = TLS_OUT_OF_INDEXES;
}

bool AllocateSlot() {
    if (g_tlsIndex == TLS_OUT_OF_INDEXES) g_tlsIndex = ::TlsAlloc();
    return g_tlsIndex != TLS_OUT_OF_INDEXES;
}

void FreeSlot() {
    if (g_tlsIndex != TLS_OUT_OF_INDEXES) ::TlsFree(g_tlsIndex);
    g_tlsIndex = TLS_OUT_OF_INDEXES;
}

bool Attach() {
    if (g_tlsIndex == TLS_OUT_OF_INDEXES) return false;
    if (::TlsGetValue(g_tlsIndex)) return true;
    auto* block = static_cast<ThreadBlock*>(std::calloc(1, sizeof(ThreadBlock)));
    if (!block) return false;
    if (!::TlsSetValue(g_tlsIndex, block)) {
        std::free(block);
        return false;
    }
    return true;
}

void Detach() {
    if (g_tlsIndex == TLS_OUT_OF_INDEXES) return;
    auto* block = static_cast<ThreadBlock*>(::TlsGetValue(g_tlsIndex));
    if (!block) return;
    for (HGDIOBJ& obj : block->hScratchGdi)
        if (obj) ::DeleteObject(obj);
    std::free(block->pHeaderBuffer);
    if (block->hScratch) {
        if (block->pScratch) ::GlobalUnlock(block->hScratch);
        ::GlobalFree(block->hScratch);
    }
    std::free(block);
    ::TlsSetValue(g_tlsIndex, nullptr);
}

ThreadBlock* Current() {
    if (!AllocateSlot()) return nullptr;
    if (!Attach()) return nullptr;
    return static_cast<ThreadBlock*>(::TlsGetValue(g_tlsIndex));
}

void ResetHeaderCollector() {
    ThreadBlock* block = Current();
    if (!block) return;
    std::free(block->pHeaderBuffer);
    block->pHeaderBuffer = nullptr;
    block->cbHeaderCollected = 0;
}

}  // namespace tw::threadblock
