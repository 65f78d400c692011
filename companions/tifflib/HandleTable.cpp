#include "HandleTable.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "LibraryError.h"

namespace twtiff {
namespace {

constexpr uintptr_t kFirstHandle = 0x10000, kHandleStep = 0x10;

// Built when the library is loaded, not at first use: a guarded local static goes through the
// threads runtime, which keeps a TLS slot for good on every load (the monitor loads us per job).
std::mutex g_lock;
std::unordered_map<HTIFFDOC, std::unique_ptr<TiffDocument>> g_table;
// Handles are never reused, so a stale one cannot reach a later document (another job's).
uintptr_t g_next = kFirstHandle;

std::mutex& TableLock() { return g_lock; }
std::unordered_map<HTIFFDOC, std::unique_ptr<TiffDocument>>& Table() { return g_table; }

}  // namespace

HTIFFDOC AddDocument(std::unique_ptr<TiffDocument> doc) {
    if (!doc) return nullptr;
    std::lock_guard<std::mutex> guard(TableLock());
    auto handle = reinterpret_cast<HTIFFDOC>(g_next);
    g_next += kHandleStep;
    Table().emplace(handle, std::move(doc));
    return handle;
}

TiffDocument* FindDocument(HTIFFDOC handle) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto it = Table().find(handle);
    if (it == Table().end()) {
        Fail(TIFF_ERR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

std::unique_ptr<TiffDocument> RemoveDocument(HTIFFDOC handle) {
    std::lock_guard<std::mutex> guard(TableLock());
    auto it = Table().find(handle);
    if (it == Table().end()) {
        Fail(TIFF_ERR_INVALID_HANDLE);
        return nullptr;
    }
    std::unique_ptr<TiffDocument> doc = std::move(it->second);
    Table().erase(it);
    return doc;
}

}  // namespace twtiff
