// Reading a spooled page EMF: placeable prefix, header checks, then SetEnhMetaFileBits.
#include "emfimage/EmfPageReader.h"

#include <cstring>

#include "emfimage/EmfLayout.h"
#include "monitor/Trace.h"
#include "portcmd/PortCmdLayout.h"

namespace tw {
namespace {

constexpr int kErrorNoBlock = 100;
constexpr int kErrorLockFailed = 101;
constexpr int kErrorSetBits = 104;
// Failures the GDI call would have made of bad headers are reported like it.
constexpr int kErrorBadData = kErrorSetBits;

constexpr float kMicrometersPerMillimetre = 1000.0f;
constexpr float kFrameUnitsPerMillimetre = 100.0f;

template <typename T>
T ReadAt(const BYTE* p, size_t offset) {
    T v;
    std::memcpy(&v, p + offset, sizeof(v));
    return v;
}

}  // namespace

int EmfReadInternalError(EmfReadResult result) {
    switch (result) {
        case EmfReadResult::Ok: return 0;
        case EmfReadResult::NoBlock: return kErrorNoBlock;
        case EmfReadResult::LockFailed: return kErrorLockFailed;
        case EmfReadResult::GdiRejected: return kErrorSetBits;
        default: return kErrorBadData;
    }
}

const wchar_t* EmfReadResultName(EmfReadResult result) {
    switch (result) {
        case EmfReadResult::Ok: return L"ok";
        case EmfReadResult::NoBlock: return L"no page data";
        case EmfReadResult::LockFailed: return L"page data cannot be locked";
        case EmfReadResult::TooShort: return L"page data too short for an EMF header";
        case EmfReadResult::NotEmf: return L"page data is not an EMF";
        case EmfReadResult::SizeBeyondData: return L"EMF size exceeds the page data";
        case EmfReadResult::GdiRejected: return L"GDI rejected the EMF";
    }
    return L"?";
}

SIZE EmfPageSizeInPixels(const EmfPageInfo& info) {
    SIZE size{};
    // Single precision and +0.5 rounding as the raster path has always measured pages.
    const float umX = static_cast<float>(info.micrometers.cx) / kMicrometersPerMillimetre;
    const float umY = static_cast<float>(info.micrometers.cy) / kMicrometersPerMillimetre;
    if (umX > 0.0f)
        size.cx = static_cast<LONG>(static_cast<float>(info.device.cx) / umX *
                                        static_cast<float>(info.frame.right - info.frame.left) /
                                        kFrameUnitsPerMillimetre + 0.5f);
    if (umY > 0.0f)
        size.cy = static_cast<LONG>(static_cast<float>(info.device.cy) / umY *
                                        static_cast<float>(info.frame.bottom - info.frame.top) /
                                        kFrameUnitsPerMillimetre + 0.5f);
    return size;
}

EmfReadResult ReadMetaFileBytes(const BYTE* data, SIZE_T dataSize, UniqueEnhMetaFile& metafile, EmfPageInfo& info) {
    TW_TRACE(L"> ReadMetaFileBytes");
    metafile.reset();
    info = EmfPageInfo{};
    if (!data) {
        TW_TRACE_FAILED(L"ReadMetaFileBytes", L"Data");
        return EmfReadResult::NoBlock;
    }
    if (dataSize >= sizeof(DWORD) && ReadAt<DWORD>(data, 0) == portcmd::kPlaceableKey) {
        TW_TRACE(L"ReadMetaFile: ALDUSKEY is set");
        if (dataSize < portcmd::kPlaceablePrefixSize) return EmfReadResult::TooShort;
        data += portcmd::kPlaceablePrefixSize;
        dataSize -= portcmd::kPlaceablePrefixSize;
    }
    if (dataSize < emf::kHeaderBaseSize) {
        TW_TRACE_FAILED(L"ReadMetaFileBytes", L"HeaderSize");
        return EmfReadResult::TooShort;
    }
    const DWORD headerSize = ReadAt<DWORD>(data, sizeof(DWORD));
    if (ReadAt<DWORD>(data, 0) != EMR_HEADER || ReadAt<DWORD>(data, emf::kHeaderSignatureOffset) != emf::kSignature ||
        headerSize < emf::kHeaderBaseSize || headerSize % emf::kRecordAlignment != 0) {
        TW_TRACE_FAILED(L"ReadMetaFileBytes", L"Signature");
        return EmfReadResult::NotEmf;
    }
    TW_TRACE(L"ReadMetaFile: ENHANCED metafile found");
    const DWORD nBytes = ReadAt<DWORD>(data, emf::kHeaderBytesOffset);
    TW_TRACE(L"ReadMetaFile: HeaderSize: %X", nBytes);
    // GDI would copy nBytes from the block whatever its real length, so the claim is checked first.
    if (nBytes < headerSize) return EmfReadResult::NotEmf;
    if (nBytes > dataSize || headerSize > dataSize) {
        TW_TRACE_FAILED(L"ReadMetaFileBytes", L"nBytes");
        return EmfReadResult::SizeBeyondData;
    }
    info.bounds = ReadAt<RECTL>(data, emf::kHeaderBoundsOffset);
    info.frame = ReadAt<RECTL>(data, emf::kHeaderFrameOffset);
    info.device = ReadAt<SIZEL>(data, emf::kHeaderDeviceOffset);
    info.millimeters = ReadAt<SIZEL>(data, emf::kHeaderMillimetersOffset);
    if (headerSize >= emf::kHeaderExt2Size) {
        info.micrometers = ReadAt<SIZEL>(data, emf::kHeaderMicrometersOffset);
    } else {
        info.micrometers = {info.millimeters.cx * 1000, info.millimeters.cy * 1000};
    }
    info.nBytes = nBytes;
    info.nHandles = ReadAt<WORD>(data, emf::kHeaderHandlesOffset);

    ::SetLastError(ERROR_SUCCESS);
    metafile.reset(::SetEnhMetaFileBits(nBytes, data));
    if (!metafile) {
        TW_TRACE(L"Last Error(104): %d", static_cast<int>(::GetLastError()));
        TW_TRACE_FAILED(L"ReadMetaFileBytes", L"SetEnhMetaFileBits");
        return EmfReadResult::GdiRejected;
    }
    TW_TRACE(L"< ReadMetaFileBytes: TRUE");
    return EmfReadResult::Ok;
}

EmfReadResult ReadMetaFile(HGLOBAL block, SIZE_T dataSize, UniqueEnhMetaFile& metafile, EmfPageInfo& info) {
    TW_TRACE(L"> ReadMetaFile");
    metafile.reset();
    info = EmfPageInfo{};
    if (!block) {
        TW_TRACE_FAILED(L"ReadMetaFile", L"Block");
        return EmfReadResult::NoBlock;
    }
    GlobalLockGuard<BYTE> lock(block);
    if (!lock) {
        TW_TRACE_FAILED(L"ReadMetaFile", L"GlobalLock");
        return EmfReadResult::LockFailed;
    }
    TW_TRACE(L"ReadMetaFile: Starting");
    // A size larger than the block itself would let every later check read past it.
    if (dataSize > lock.size()) {
        TW_TRACE_FAILED(L"ReadMetaFile", L"DataSize");
        return EmfReadResult::TooShort;
    }
    const EmfReadResult result = ReadMetaFileBytes(lock.get(), dataSize, metafile, info);
    TW_TRACE_RESULT(L"ReadMetaFile", result == EmfReadResult::Ok);
    return result;
}

}  // namespace tw
