#include "MergeMemory.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "base/MutexOwnership.h"

namespace twmerge {
namespace {

namespace mt = tw::mergetable;

constexpr DWORD kMutexWaitMs = 10000;

void Put(std::vector<BYTE>& out, DWORD v) {
    const size_t at = out.size();
    out.resize(at + sizeof(v));
    std::memcpy(out.data() + at, &v, sizeof(v));
}

DWORD Get(const BYTE* p) {
    DWORD v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

std::vector<BYTE> EntryRecord(const Entry& e) {
    const size_t nameBytes = (e.name.size() + (e.unterminated ? 0 : 1)) * sizeof(wchar_t);
    std::vector<BYTE> r;
    Put(r, static_cast<DWORD>(mt::kEntryName + nameBytes));
    Put(r, mt::kEntry);
    Put(r, e.processId);
    Put(r, e.state);
    for (DWORD v : e.values) Put(r, v);
    const size_t at = r.size();
    r.resize(at + nameBytes, 0);
    std::memcpy(r.data() + at, e.name.data(), e.name.size() * sizeof(wchar_t));
    return r;
}

}  // namespace

bool MergeMemory::Create(const std::wstring& baseName, DWORD size) {
    SECURITY_DESCRIPTOR sd;
    ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES sa{sizeof(sa), &sd, FALSE};
    const std::wstring mutexName = baseName + mt::kMutexSuffix, mapName = baseName + mt::kMapSuffix;
    m_mutex.reset(::CreateMutexW(&sa, FALSE, mutexName.c_str()));
    if (!m_mutex) {
        std::fwprintf(stderr, L"twmerge: CreateMutex %ls failed: %lu\n", mutexName.c_str(), ::GetLastError());
        return false;
    }
    m_mapping.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0, size, mapName.c_str()));
    if (!m_mapping) {
        std::fwprintf(stderr, L"twmerge: CreateFileMapping %ls failed: %lu\n", mapName.c_str(), ::GetLastError());
        return false;
    }
    m_view.reset(::MapViewOfFile(m_mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, size));
    if (!m_view) {
        std::fwprintf(stderr, L"twmerge: MapViewOfFile failed: %lu\n", ::GetLastError());
        return false;
    }
    m_size = size;
    return true;
}

void MergeMemory::WriteTable(const std::vector<Entry>& entries, bool beyond) {
    std::vector<BYTE> t;
    Put(t, mt::kMagic);
    Put(t, mt::kHeaderRecordBytes);
    Put(t, mt::kHeader);
    Put(t, mt::kHeaderVersionValue);
    Put(t, 0);
    t.resize(4 + mt::kHeaderRecordBytes, 0);
    for (const Entry& e : entries) {
        std::vector<BYTE> r = EntryRecord(e);
        t.insert(t.end(), r.begin(), r.end());
        Put(t, mt::kKeyMinBytes);
        Put(t, mt::kKey);
        Put(t, e.jobId);
    }
    if (beyond) {
        // An entry whose size reaches far past the mapping.
        Put(t, 0x7FFFFFF0);
        Put(t, mt::kEntry);
    } else {
        t.resize(t.size() + mt::kEndMarkBytes, 0);
    }
    tw::MutexOwnership lock(m_mutex.get(), kMutexWaitMs);
    std::memcpy(Bytes(), t.data(), std::min<size_t>(t.size(), m_size));
}

void MergeMemory::Scramble(unsigned seed, size_t bytes) {
    std::mt19937 random(seed);
    tw::MutexOwnership lock(m_mutex.get(), kMutexWaitMs);
    for (size_t i = mt::kFirstRecordOffset; i < std::min<size_t>(bytes, m_size); ++i)
        Bytes()[i] = static_cast<BYTE>(random());
}

template <typename F>
bool MergeMemory::Walk(F visit) {
    if (m_size < 4 || Get(Bytes()) != mt::kMagic) return false;
    for (size_t at = mt::kFirstRecordOffset;;) {
        if (at + mt::kRecordHeaderBytes > m_size) return false;
        const DWORD size = Get(Bytes() + at), type = Get(Bytes() + at + mt::kRecordType);
        if (size == 0) return true;
        if (size < mt::kRecordHeaderBytes || size > m_size - at) return false;
        visit(at, size, type);
        at += size;
    }
}

bool MergeMemory::SetState(DWORD jobId, DWORD state) {
    tw::MutexOwnership lock(m_mutex.get(), kMutexWaitMs);
    size_t entryAt = 0;
    bool found = false;
    Walk([&](size_t at, DWORD size, DWORD type) {
        if (type == mt::kEntry) entryAt = at;
        if (type == mt::kKey && size >= mt::kKeyMinBytes && entryAt && Get(Bytes() + at + mt::kKeyJobId) == jobId) {
            std::memcpy(Bytes() + entryAt + mt::kEntryState, &state, sizeof(state));
            found = true;
        }
    });
    return found;
}

TableState MergeMemory::Read() {
    tw::MutexOwnership lock(m_mutex.get(), kMutexWaitMs);
    TableState s;
    DWORD entryState = 0;
    s.readable = Walk([&](size_t at, DWORD size, DWORD type) {
        if (type == mt::kEntry && size >= mt::kEntryMinBytes) entryState = Get(Bytes() + at + mt::kEntryState);
        if (type == mt::kKey && size >= mt::kKeyMinBytes) s.states[Get(Bytes() + at + mt::kKeyJobId)] = entryState;
        if (type == mt::kCounter && size == mt::kCounterRecordBytes)
            s.counters[Get(Bytes() + at + mt::kCounterJobId)] = Get(Bytes() + at + mt::kCounterValue);
    });
    return s;
}

void MergeMemory::AbandonMutex() {
    HANDLE mutex = m_mutex.get();
    std::thread([mutex] { ::WaitForSingleObject(mutex, kMutexWaitMs); }).join();
}

}  // namespace twmerge
