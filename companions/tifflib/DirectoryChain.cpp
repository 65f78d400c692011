#include "DirectoryChain.h"

#include <unordered_set>

#include "LibraryError.h"
#include "Tiff32.h"

namespace twtiff {
namespace {
constexpr uint16_t kClassicMagic = 42;
constexpr uint32_t kFirstPointerOffset = 4;
// More pages than any fax or scan: a bound on what a damaged chain can make us read.
constexpr size_t kMaxDirectories = 1u << 20;
}  // namespace

uint16_t DirectoryChain::Get16(const uint8_t* p) const {
    return m_bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}
uint32_t DirectoryChain::Get32(const uint8_t* p) const {
    return m_bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                       : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
void DirectoryChain::Put16(uint8_t* p, uint16_t v) const {
    if (m_bigEndian) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
    else { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
}
void DirectoryChain::Put32(uint8_t* p, uint32_t v) const {
    for (int i = 0; i < 4; ++i) p[m_bigEndian ? 3 - i : i] = uint8_t(v >> (8 * i));
}

bool DirectoryChain::Load(ByteStore& store) {
    m_directories.clear();
    uint64_t size = store.Size();
    if (size == 0) return true;
    uint8_t header[8];
    if (size < sizeof header || !store.ReadAt(0, header, sizeof header)) return Fail(TIFF_ERR_NOT_TIFF, "no TIFF header");
    if (header[0] == 'I' && header[1] == 'I') m_bigEndian = false;
    else if (header[0] == 'M' && header[1] == 'M') m_bigEndian = true;
    else return Fail(TIFF_ERR_NOT_TIFF, "no TIFF byte order mark");
    if (Get16(header + 2) != kClassicMagic) return Fail(TIFF_ERR_NOT_TIFF, "not a classic TIFF");
    std::unordered_set<uint32_t> seen;
    for (uint32_t offset = Get32(header + 4); offset != 0;) {
        uint8_t count[2];
        if (offset + uint64_t{2} > size || !store.ReadAt(offset, count, 2)) return Fail(TIFF_ERR_NOT_TIFF, "directory beyond the end");
        Directory d{offset, Get16(count)};
        uint8_t next[4];
        uint64_t nextAt = NextPointerOffset(d);
        if (nextAt + 4 > size || !store.ReadAt(nextAt, next, 4)) return Fail(TIFF_ERR_NOT_TIFF, "directory beyond the end");
        if (!seen.insert(offset).second || seen.size() > kMaxDirectories) return Fail(TIFF_ERR_NOT_TIFF, "the directory chain loops");
        m_directories.push_back(d);
        offset = Get32(next);
    }
    return true;
}

bool DirectoryChain::EndWithin(ByteStore& store, uint64_t size) {
    DirectoryChain chain;
    uint8_t header[8];
    if (size < sizeof header || !store.ReadAt(0, header, sizeof header)) return true;  // no page to keep
    if (header[0] == 'M' && header[1] == 'M') chain.m_bigEndian = true;
    else if (header[0] != 'I' || header[1] != 'I') return Fail(TIFF_ERR_NOT_TIFF, "no TIFF byte order mark");
    std::unordered_set<uint32_t> seen;
    uint32_t pointerAt = kFirstPointerOffset;
    for (uint32_t offset = chain.Get32(header + 4); offset != 0;) {
        uint8_t count[2];
        bool inside = offset + uint64_t{2} <= size && store.ReadAt(offset, count, 2);
        uint8_t next[4];
        Directory d{offset, inside ? chain.Get16(count) : uint16_t{0}};
        const uint64_t nextAt = chain.NextPointerOffset(d);
        inside = inside && nextAt + 4 <= size && store.ReadAt(nextAt, next, 4) && seen.insert(offset).second;
        if (!inside) return chain.WritePointer(store, pointerAt, 0);
        pointerAt = static_cast<uint32_t>(nextAt);
        offset = chain.Get32(next);
    }
    return true;
}

bool DirectoryChain::WritePointer(ByteStore& store, uint32_t at, uint32_t value) const {
    uint8_t bytes[4];
    Put32(bytes, value);
    return store.WriteAt(at, bytes, 4) || Fail(TIFF_ERR_IO, "cannot relink a directory");
}

bool DirectoryChain::MoveLast(ByteStore& store, int position) {
    int n = Count();
    if (position < 0 || n == 0) return Fail(TIFF_ERR_PAGE_INDEX);
    if (position >= n - 1) return true;
    Directory last = m_directories[n - 1];
    uint32_t before = position == 0 ? kFirstPointerOffset : NextPointerOffset(m_directories[position - 1]);
    // Unhook the last page first, so that no state of the chain ever loops.
    if (!WritePointer(store, NextPointerOffset(m_directories[n - 2]), 0) ||
        !WritePointer(store, NextPointerOffset(last), m_directories[position].offset) ||
        !WritePointer(store, before, last.offset)) {
        return false;
    }
    m_directories.pop_back();
    m_directories.insert(m_directories.begin() + position, last);
    return true;
}

bool DirectoryChain::SetPageTotals(ByteStore& store, uint16_t total) {
    for (const Directory& d : m_directories) {
        std::vector<uint8_t> entries(12u * d.entries);
        if (!entries.empty() && !store.ReadAt(d.offset + 2, entries.data(), entries.size())) {
            return Fail(TIFF_ERR_IO, "cannot read a directory");
        }
        for (uint16_t i = 0; i < d.entries; ++i) {
            uint8_t* e = entries.data() + 12u * i;
            if (Get16(e) != kTagPageNumber || Get16(e + 2) != TIFF_TYPE_SHORT || Get32(e + 4) != 2) continue;
            if (Get16(e + 10) == total) break;
            uint8_t value[2];
            Put16(value, total);
            // The two SHORTs sit in the entry itself: the total is bytes 10 and 11.
            if (!store.WriteAt(d.offset + 2 + 12u * i + 10, value, 2)) return Fail(TIFF_ERR_IO, "cannot write a page number");
            break;
        }
    }
    return true;
}

}  // namespace twtiff
