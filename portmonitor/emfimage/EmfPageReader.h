#pragma once
// Turns the EMF page data of an END_PAGE command into a metafile handle and the page
// measurements its header gives.
#include <windows.h>

#include "base/UniqueHandle.h"

namespace tw {

// Results of reading a page; the job reports the failures as internal errors.
enum class EmfReadResult {
    Ok,
    NoBlock,         // internal error 100
    LockFailed,      // internal error 101
    TooShort,        // the data cannot hold a header (or the size exceeds the block)
    NotEmf,          // wrong record type, signature or header size
    SizeBeyondData,  // the header's nBytes claims more than the page data holds
    GdiRejected,     // internal error 104: SetEnhMetaFileBits refused the image
};

// The internal error number the job reports for a failed read (0 for Ok).
int EmfReadInternalError(EmfReadResult result);
const wchar_t* EmfReadResultName(EmfReadResult result);

struct EmfPageInfo {
    RECTL bounds{};          // device units
    RECTL frame{};           // hundredths of a millimetre
    SIZEL device{};          // reference device in pixels
    SIZEL millimeters{};
    SIZEL micrometers{};     // from the header when it has the second extension, else millimeters x 1000
    DWORD nBytes = 0;
    DWORD nHandles = 0;
};

// Page size in device pixels, rounded; zero when the header's device measurements are zero.
SIZE EmfPageSizeInPixels(const EmfPageInfo& info);

// `block` is the moveable page block, locked only while it is read; `dataSize` is how many of
// its bytes the command carried. The bytes are copied by GDI, so the block stays the caller's.
EmfReadResult ReadMetaFile(HGLOBAL block, SIZE_T dataSize, UniqueEnhMetaFile& metafile, EmfPageInfo& info);

// The same on bytes already in memory (with or without the placeable prefix).
EmfReadResult ReadMetaFileBytes(const BYTE* data, SIZE_T dataSize, UniqueEnhMetaFile& metafile, EmfPageInfo& info);

}  // namespace tw
