#pragma once
// Where a TIFF lives: a Win32 file, a global memory block that grows as the TIFF does, or a
// plain buffer for intermediate results. libtiff reaches every store through client I/O, and
// the directory chain code reads and patches it by offset.
#include <windows.h>
#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "base/UniqueHandle.h"

namespace twtiff {

class ByteStore {
public:
    virtual ~ByteStore() = default;
    virtual bool ReadAt(uint64_t offset, void* data, size_t size) = 0;
    virtual bool WriteAt(uint64_t offset, const void* data, size_t size) = 0;
    virtual uint64_t Size() = 0;
    virtual bool Truncate(uint64_t size) = 0;
    // The Windows error of the store's first failed read or write since the last clear (a full
    // disk, a lost network share), 0 when none.
    DWORD IoError() const { return m_ioError; }
    void ClearIoError() { m_ioError = 0; }

    // Opens libtiff on this store ("r", "r+", "a", "w", with libtiff's modifiers). The store
    // outlives the TIFF*; closing it leaves the store open.
    TIFF* OpenTiff(const char* name, const char* mode);

protected:
    // Keeps the first error of a run of failures: later calls fail because of it.
    bool NoteIoError(DWORD error) {
        if (!m_ioError) m_ioError = error ? error : ERROR_GEN_FAILURE;
        return false;
    }

private:
    friend struct ClientIo;
    uint64_t m_position = 0;
    DWORD m_ioError = 0;
};

class FileStore : public ByteStore {
public:
    explicit FileStore(tw::UniqueFile file) : m_file(std::move(file)) {}
    // Opens a file for reading or for reading and writing (creating it when `create`), sharing
    // both with other handles (the job keeps its own on the output file). Null with the library
    // error set on failure.
    static std::unique_ptr<FileStore> Open(const wchar_t* name, bool write, bool truncate, bool create = true);
    bool ReadAt(uint64_t offset, void* data, size_t size) override;
    bool WriteAt(uint64_t offset, const void* data, size_t size) override;
    uint64_t Size() override;
    bool Truncate(uint64_t size) override;
private:
    tw::UniqueFile m_file;
};

// The caller's block, borrowed: it is locked only while read or written, so that it can grow.
class GlobalStore : public ByteStore {
public:
    GlobalStore(HGLOBAL block, uint64_t length) : m_block(block), m_length(length) {}
    bool ReadAt(uint64_t offset, void* data, size_t size) override;
    bool WriteAt(uint64_t offset, const void* data, size_t size) override;
    uint64_t Size() override { return m_length; }
    bool Truncate(uint64_t size) override;
    // Gives the block exactly the TIFF's length.
    bool Fit();
private:
    bool Reserve(uint64_t capacity);
    HGLOBAL m_block;
    uint64_t m_length;
};

class BufferStore : public ByteStore {
public:
    BufferStore() = default;
    explicit BufferStore(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    bool ReadAt(uint64_t offset, void* data, size_t size) override;
    bool WriteAt(uint64_t offset, const void* data, size_t size) override;
    uint64_t Size() override { return m_bytes.size(); }
    bool Truncate(uint64_t size) override;
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
private:
    std::vector<uint8_t> m_bytes;
};

// Closes a TIFF* on scope exit.
struct TiffCloser {
    void operator()(TIFF* tif) const { if (tif) TIFFClose(tif); }
};
using UniqueTiff = std::unique_ptr<TIFF, TiffCloser>;

// Writes all bytes to a Win32 file at its current position.
bool WriteAll(HANDLE file, const void* data, size_t size);

}  // namespace twtiff
