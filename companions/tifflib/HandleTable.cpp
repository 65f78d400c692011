#include "HandleTable.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "LibraryError.h"

namespace twtiff {
namespace {

constexpr uintptr_t kFirstHandle = 0x10000, kHandleStep = 0x10;

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<HTIFFDOC, std::unique_ptr<TiffDocument>>& Table() {
    static std::unordered_map<HTIFFDOC, std::unique_ptr<TiffDocument>> table;
    return table;
}

}  // namespace

HTIFFDOC AddDocument(std::unique_ptr<TiffDocument> doc) {
    if (!doc) return nullptr;
    // Handles are never reused, so a stale one cannot reach a later document (another job's).
    static uintptr_t s_next = kFirstHandle;
    std::lock_guard<std::mutex> guard(TableLock());
    auto handle = reinterpret_cast<HTIFFDOC>(s_next);
    s_next += kHandleStep;
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
