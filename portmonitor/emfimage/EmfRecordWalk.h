#pragma once
// Reading a metafile's records straight from its bytes, without a DC: for the passes that only
// look (markers, carried fonts). Each record handed out lies wholly inside the bytes.
#include <windows.h>

#include <cstring>
#include <vector>

#include "emfimage/EmfLayout.h"

namespace tw {

template <typename T>
T ReadRecordField(const BYTE* record, size_t offset) {
    T v;
    std::memcpy(&v, record + offset, sizeof(v));
    return v;
}

// Calls fn(type, record, size) for each record of `emf` in order, up to EMR_EOF or the first
// record whose size cannot be trusted.
template <typename Fn>
void ForEachEmfRecord(HENHMETAFILE emf, Fn fn) {
    const UINT size = ::GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<BYTE> bytes(size);
    if (!size || ::GetEnhMetaFileBits(emf, size, bytes.data()) != size) return;
    size_t offset = 0;
    while (offset + emf::kRecordHeaderSize <= bytes.size()) {
        const DWORD type = ReadRecordField<DWORD>(bytes.data() + offset, 0);
        const DWORD recordSize = ReadRecordField<DWORD>(bytes.data() + offset, sizeof(DWORD));
        if (recordSize < emf::kRecordHeaderSize || recordSize > bytes.size() - offset) return;
        fn(type, bytes.data() + offset, static_cast<size_t>(recordSize));
        if (type == EMR_EOF) return;
        offset += recordSize;
    }
}

}  // namespace tw
