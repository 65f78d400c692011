#include "ByteStore.h"

#include <algorithm>
#include <cstring>

#include "LibraryError.h"
#include "Tiff32.h"

namespace twtiff {

// libtiff's client procedures: a position over the store's positional access.
struct ClientIo {
    static ByteStore* Store(thandle_t h) { return static_cast<ByteStore*>(h); }

    static tmsize_t Read(thandle_t h, void* data, tmsize_t size) {
        ByteStore* s = Store(h);
        uint64_t total = s->Size();
        if (size <= 0 || s->m_position >= total) return 0;
        size_t n = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(size), total - s->m_position));
        if (!s->ReadAt(s->m_position, data, n)) return -1;
        s->m_position += n;
        return static_cast<tmsize_t>(n);
    }
    static tmsize_t Write(thandle_t h, void* data, tmsize_t size) {
        ByteStore* s = Store(h);
        if (size < 0) return -1;
        if (size == 0) return 0;
        if (!s->WriteAt(s->m_position, data, static_cast<size_t>(size))) return -1;
        s->m_position += static_cast<uint64_t>(size);
        return size;
    }
    static toff_t Seek(thandle_t h, toff_t offset, int whence) {
        ByteStore* s = Store(h);
        uint64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->m_position : s->Size();
        s->m_position = base + offset;
        return s->m_position;
    }
    static int Close(thandle_t) { return 0; }
    static toff_t Size(thandle_t h) { return Store(h)->Size(); }
    static int Map(thandle_t, void**, toff_t*) { return 0; }
    static void Unmap(thandle_t, void*, toff_t) {}
};

TIFF* ByteStore::OpenTiff(const char* name, const char* mode) {
    m_position = 0;
    return TIFFClientOpen(name, mode, static_cast<thandle_t>(this), ClientIo::Read, ClientIo::Write, ClientIo::Seek,
                          ClientIo::Close, ClientIo::Size, ClientIo::Map, ClientIo::Unmap);
}

std::unique_ptr<FileStore> FileStore::Open(const wchar_t* name, bool write, bool truncate, bool create) {
    DWORD access = GENERIC_READ | (write ? GENERIC_WRITE : 0);
    DWORD disposition = write && create ? OPEN_ALWAYS : OPEN_EXISTING;
    tw::UniqueFile file(::CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Fail(TIFF_ERR_OPEN, "the file cannot be opened");
        return nullptr;
    }
    auto store = std::make_unique<FileStore>(std::move(file));
    if (truncate && !store->Truncate(0)) {
        Fail(TIFF_ERR_IO, "the file cannot be emptied");
        return nullptr;
    }
    return store;
}

bool FileStore::ReadAt(uint64_t offset, void* data, size_t size) {
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(m_file.get(), pos, nullptr, FILE_BEGIN)) return NoteIoError(::GetLastError());
    auto* p = static_cast<BYTE*>(data);
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30)), got = 0;
        if (!::ReadFile(m_file.get(), p, chunk, &got, nullptr)) return NoteIoError(::GetLastError());
        if (got == 0) return false;
        p += got;
        size -= got;
    }
    return true;
}

bool FileStore::WriteAt(uint64_t offset, const void* data, size_t size) {
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(m_file.get(), pos, nullptr, FILE_BEGIN)) return NoteIoError(::GetLastError());
    if (!WriteAll(m_file.get(), data, size)) return NoteIoError(::GetLastError());
    return true;
}

uint64_t FileStore::Size() {
    LARGE_INTEGER size;
    return ::GetFileSizeEx(m_file.get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool FileStore::Truncate(uint64_t size) {
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(m_file.get(), pos, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_file.get()))
        return NoteIoError(::GetLastError());
    return true;
}

bool GlobalStore::ReadAt(uint64_t offset, void* data, size_t size) {
    if (offset > m_length || size > m_length - offset) return false;
    tw::GlobalLockGuard<BYTE> lock(m_block);
    if (!lock) return false;
    std::memcpy(data, lock.get() + offset, size);
    return true;
}

bool GlobalStore::Reserve(uint64_t capacity) {
    SIZE_T have = ::GlobalSize(m_block);
    if (capacity <= have) return true;
    // Doubling keeps a page-by-page append linear; a moveable block keeps its handle.
    uint64_t want = std::max<uint64_t>({capacity, static_cast<uint64_t>(have) * 2, 64 * 1024});
    if (want > (uint64_t{1} << 32)) want = std::max<uint64_t>(capacity, uint64_t{1} << 32);
    if (want > SIZE_MAX) return false;
    HGLOBAL grown = ::GlobalReAlloc(m_block, static_cast<SIZE_T>(want), GMEM_MOVEABLE);
    if (!grown && want > capacity) grown = ::GlobalReAlloc(m_block, static_cast<SIZE_T>(capacity), GMEM_MOVEABLE);
    return grown == m_block;
}

bool GlobalStore::WriteAt(uint64_t offset, const void* data, size_t size) {
    uint64_t end = offset + size;
    if (end < offset || !Reserve(end)) return false;
    tw::GlobalLockGuard<BYTE> lock(m_block);
    if (!lock) return false;
    if (offset > m_length) std::memset(lock.get() + m_length, 0, static_cast<size_t>(offset - m_length));
    std::memcpy(lock.get() + offset, data, size);
    m_length = std::max(m_length, end);
    return true;
}

bool GlobalStore::Truncate(uint64_t size) {
    if (size > m_length) return false;
    m_length = size;
    return true;
}

bool GlobalStore::Fit() {
    SIZE_T want = static_cast<SIZE_T>(std::max<uint64_t>(m_length, 1));
    if (::GlobalSize(m_block) == want) return true;
    return ::GlobalReAlloc(m_block, want, GMEM_MOVEABLE) == m_block;
}

bool BufferStore::ReadAt(uint64_t offset, void* data, size_t size) {
    if (offset > m_bytes.size() || size > m_bytes.size() - offset) return false;
    std::memcpy(data, m_bytes.data() + offset, size);
    return true;
}

bool BufferStore::WriteAt(uint64_t offset, const void* data, size_t size) {
    uint64_t end = offset + size;
    if (end < offset || end > SIZE_MAX / 2) return false;
    if (end > m_bytes.size()) m_bytes.resize(static_cast<size_t>(end));
    std::memcpy(m_bytes.data() + offset, data, size);
    return true;
}

bool BufferStore::Truncate(uint64_t size) {
    if (size > m_bytes.size()) return false;
    m_bytes.resize(static_cast<size_t>(size));
    return true;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
    auto* p = static_cast<const BYTE*>(data);
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30)), put = 0;
        if (!::WriteFile(file, p, chunk, &put, nullptr)) return false;
        if (put == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        p += put;
        size -= put;
    }
    return true;
}

}  // namespace twtiff
