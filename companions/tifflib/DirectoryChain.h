#pragma once
// The chain of image file directories of a classic TIFF, read and patched in place: counting
// pages, relinking them (moving a page costs a few pointer writes, no image data) and setting
// the total of the PageNumber tags.
#include <cstdint>
#include <vector>

#include "ByteStore.h"

namespace twtiff {

class DirectoryChain {
public:
    // Reads the header and walks the chain. An empty store is a TIFF without pages. False, with
    // the library error set, for something that is not a classic TIFF or whose chain is broken.
    bool Load(ByteStore& store);
    int Count() const { return static_cast<int>(m_directories.size()); }
    // Moves the last directory to `position`; later ones shift back by one.
    bool MoveLast(ByteStore& store, int position);
    // Ends the chain of a store cut back to `size` bytes: the first pointer that leads to a
    // directory not wholly inside it becomes 0, so every page before it stays readable.
    static bool EndWithin(ByteStore& store, uint64_t size);
    // Sets the second value of every PageNumber entry to `total`.
    bool SetPageTotals(ByteStore& store, uint16_t total);

private:
    struct Directory {
        uint32_t offset;
        uint16_t entries;
    };
    uint32_t NextPointerOffset(const Directory& d) const { return d.offset + 2 + 12u * d.entries; }
    uint16_t Get16(const uint8_t* p) const;
    uint32_t Get32(const uint8_t* p) const;
    void Put16(uint8_t* p, uint16_t v) const;
    void Put32(uint8_t* p, uint32_t v) const;
    bool WritePointer(ByteStore& store, uint32_t at, uint32_t value) const;

    bool m_bigEndian = false;
    std::vector<Directory> m_directories;
};

}  // namespace twtiff
