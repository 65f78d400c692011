#include "notify/SharedMemory.h"

#include <sddl.h>

#include <cstring>

#include "base/WideString.h"
#include "monitor/Trace.h"
#include "notify/MergeTableLayout.h"

namespace tw {
namespace {

namespace mt = mergetable;

constexpr wchar_t kCreateMutexFailed[] = L"SharedMemory: CreateMutex failed: %d, mutex name: %s";
constexpr wchar_t kLockFailed[] = L"SharedMemory: Could not lock mutex. (Result: %d) mutex name: %s";
constexpr wchar_t kOpenMappingFailed[] = L"SharedMemory: OpenFileMapping failed: %d, map name: %s";
constexpr wchar_t kMapViewFailed[] = L"SharedMemory: MapViewOfFile failed: %d, map name: %s";
constexpr wchar_t kTooSmall[] = L"SharedMemory: The mapping holds %lu bytes, fewer than %lu, map name: %s";
constexpr wchar_t kNullBuffer[] = L"SharedMemory::%s: NULL buffer. map name: %s";
constexpr wchar_t kAccessLockFailed[] = L"SharedMemory::%s: Could not lock mutex. (Result: %d) mutex name: %s";

// A null DACL on the low-integrity label, so that the merge utility may run at any level.
class OpenSecurity {
public:
    OpenSecurity() {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(mt::kLowIntegritySddl, SDDL_REVISION_1, &sd,
                                                                   nullptr)) {
            m_converted.reset(sd);
            m_pSd = sd;
        } else {
            ::InitializeSecurityDescriptor(&m_plain, SECURITY_DESCRIPTOR_REVISION);
            m_pSd = &m_plain;
        }
        ::SetSecurityDescriptorDacl(m_pSd, TRUE, nullptr, FALSE);
        m_attributes = {sizeof(m_attributes), m_pSd, TRUE};
    }
    SECURITY_ATTRIBUTES* get() { return &m_attributes; }

private:
    UniqueHLocal m_converted;
    SECURITY_DESCRIPTOR m_plain{};
    PSECURITY_DESCRIPTOR m_pSd = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

// The size of the view from its base to the end of its region.
size_t ViewBytes(const void* view) {
    MEMORY_BASIC_INFORMATION info{};
    if (!::VirtualQuery(view, &info, sizeof(info))) return 0;
    return info.RegionSize - (static_cast<const BYTE*>(view) - static_cast<const BYTE*>(info.BaseAddress));
}

// The part of [offset, offset + length) inside the mapping.
size_t ClampedLength(size_t length, size_t offset) {
    if (offset >= mt::kMappingSize) return 0;
    return std::min(length, mt::kMappingSize - offset);
}

}  // namespace

SharedMemory::SharedMemory(const std::wstring& baseName)
    : m_mapName(baseName + mt::kMapSuffix), m_mutexName(baseName + mt::kMutexSuffix) {
    TW_TRACE(L"> SharedMemory::SharedMemory: %s", baseName.c_str());
    OpenSecurity security;
    m_mutex.reset(::CreateMutexW(security.get(), FALSE, m_mutexName.c_str()));
    if (!m_mutex) {
        throw SharedMemoryException(SharedMemoryException::Kind::CreateMutex,
                                    FormatW(kCreateMutexFailed, static_cast<int>(::GetLastError()), m_mutexName.c_str()));
    }
    MutexOwnership lock(m_mutex.get(), mt::kMutexTimeoutMs);
    if (!lock.clean()) {
        throw SharedMemoryException(SharedMemoryException::Kind::LockMutex,
                                    FormatW(kLockFailed, static_cast<int>(lock.result()), m_mutexName.c_str()));
    }
    m_mapping.reset(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, m_mapName.c_str()));
    if (!m_mapping) {
        throw SharedMemoryException(SharedMemoryException::Kind::OpenMapping,
                                    FormatW(kOpenMappingFailed, static_cast<int>(::GetLastError()), m_mapName.c_str()));
    }
    m_view.reset(::MapViewOfFile(m_mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, mt::kMappingSize));
    if (!m_view) {
        // A mapping created smaller than the table's size cannot be viewed whole.
        throw SharedMemoryException(SharedMemoryException::Kind::MapView,
                                    FormatW(kMapViewFailed, static_cast<int>(::GetLastError()), m_mapName.c_str()));
    }
    const size_t bytes = ViewBytes(m_view.get());
    if (bytes < mt::kMappingSize) {
        throw SharedMemoryException(SharedMemoryException::Kind::TooSmall,
                                    FormatW(kTooSmall, static_cast<unsigned long>(bytes), static_cast<unsigned long>(mt::kMappingSize), m_mapName.c_str()));
    }
    TW_TRACE(L"< SharedMemory::SharedMemory: TRUE");
}

SharedMemory::~SharedMemory() {
    TW_TRACE(L"> SharedMemory::~SharedMemory: %s", m_mapName.c_str());
    MutexOwnership lock(m_mutex.get(), mt::kMutexTimeoutMs);
    m_view.reset();
    m_mapping.reset();
}

size_t SharedMemory::Size() { return mt::kMappingSize; }

MutexOwnership SharedMemory::Lock(const wchar_t* operation) {
    MutexOwnership lock(m_mutex.get(), mt::kMutexTimeoutMs);
    if (!lock.clean()) {
        throw SharedMemoryException(SharedMemoryException::Kind::LockMutex,
                                    FormatW(kAccessLockFailed, operation, static_cast<int>(lock.result()),
                                            m_mutexName.c_str()));
    }
    return lock;
}

size_t SharedMemory::Read(void* buffer, size_t length, size_t offset) {
    if (!buffer)
        throw SharedMemoryException(SharedMemoryException::Kind::NullBuffer,
                                    FormatW(kNullBuffer, L"Read", m_mapName.c_str()));
    if (length == 0) return 0;
    MutexOwnership lock = Lock(L"Read");
    const size_t n = ClampedLength(length, offset);
    if (n) std::memcpy(buffer, static_cast<const BYTE*>(m_view.get()) + offset, n);
    return n;
}

size_t SharedMemory::Write(const void* buffer, size_t length, size_t offset) {
    if (!buffer)
        throw SharedMemoryException(SharedMemoryException::Kind::NullBuffer,
                                    FormatW(kNullBuffer, L"Write", m_mapName.c_str()));
    if (length == 0) return 0;
    MutexOwnership lock = Lock(L"Write");
    const size_t n = ClampedLength(length, offset);
    if (n) std::memcpy(static_cast<BYTE*>(m_view.get()) + offset, buffer, n);
    return n;
}

}  // namespace tw
