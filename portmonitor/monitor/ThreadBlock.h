#pragma once
// The per-thread block kept in the library's TLS slot: the command header collector, the
// add-port dialog's output buffer, and the rendering scratch objects of one thread.
#include <windows.h>

namespace tw {

struct ThreadBlock {
    BYTE* pHeaderBuffer;        // 16 bytes, allocated on demand by the command stream reader
    DWORD cbHeaderCollected;
    wchar_t* pAddPortOutput;    // where the add-port dialog copies the name typed
    HGLOBAL hScratch;           // rendering scratch memory and its locked pointer
    void* pScratch;
    HGDIOBJ hScratchGdi[2];     // rendering scratch GDI objects (band bitmap and the like)
    BYTE reserved[72];          // pads the block to its fixed size
};
static_assert(sizeof(ThreadBlock) == 128, "the thread block is 128 bytes");

namespace threadblock {
bool AllocateSlot();
void FreeSlot();
// Gives the calling thread its zero-filled block; false when it cannot be stored.
bool Attach();
// Releases the calling thread's block and everything it still holds.
void Detach();
// The calling thread's block, created on first use for threads older than the library; null
// only when memory is exhausted.
ThreadBlock* Current();
// Frees the header collector's buffer and resets its count.
void ResetHeaderCollector();
}  // namespace threadblock

}  // namespace tw
