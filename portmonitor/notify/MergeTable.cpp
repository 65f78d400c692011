#include "notify/MergeTable.h"

#include <algorithm>
#include <cstring>

#include "base/WideString.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

namespace mt = mergetable;

constexpr wchar_t kRecordPastEnd[] = L"Merge table: the record at offset %lu runs past the end of the table";
constexpr wchar_t kRecordTooShort[] = L"Merge table: the record at offset %lu of type %lu is too short (%lu bytes)";
constexpr wchar_t kMisplacedHeader[] = L"Merge table: unexpected table header at offset %lu";
constexpr wchar_t kNoHeader[] = L"Merge table: the table has no header";
constexpr wchar_t kUnterminatedName[] = L"Merge table: the name of the entry at offset %lu has no terminator";
constexpr wchar_t kEntryWithoutKey[] = L"Merge table: the entry at offset %lu has no job key";
constexpr wchar_t kKeyWithoutEntry[] = L"Merge table: the job key at offset %lu follows no entry";
constexpr wchar_t kUnknownType[] = L"Merge table: unknown record type %lu at offset %lu";

DWORD ReadDword(const std::vector<BYTE>& record, size_t offset) {
    DWORD v = 0;
    std::memcpy(&v, record.data() + offset, sizeof(v));
    return v;
}

void PutDword(std::vector<BYTE>& bytes, size_t offset, DWORD v) {
    if (bytes.size() < offset + sizeof(v)) bytes.resize(offset + sizeof(v));
    std::memcpy(bytes.data() + offset, &v, sizeof(v));
}

void AppendDwords(std::vector<BYTE>& bytes, std::initializer_list<DWORD> values) {
    for (DWORD v : values) PutDword(bytes, bytes.size(), v);
}

std::vector<BYTE> FreshHeader() {
    std::vector<BYTE> header(mt::kHeaderRecordBytes, 0);
    PutDword(header, mt::kRecordSize, mt::kHeaderRecordBytes);
    PutDword(header, mt::kRecordType, mt::kHeader);
    PutDword(header, mt::kHeaderVersion, mt::kHeaderVersionValue);
    return header;
}

// The entry's name, which must end within the record and within 260 characters and a terminator.
std::optional<std::wstring> EntryName(const std::vector<BYTE>& record) {
    const size_t chars = std::min((record.size() - mt::kEntryName) / sizeof(wchar_t), mt::kEntryNameChars + 1);
    std::wstring name;
    for (size_t i = 0; i < chars; ++i) {
        wchar_t c = 0;
        std::memcpy(&c, record.data() + mt::kEntryName + i * sizeof(wchar_t), sizeof(c));
        if (c == L'\0') return name;
        name.push_back(c);
    }
    return std::nullopt;
}

MergeEntry ParseEntry(const std::vector<BYTE>& record, std::wstring name) {
    MergeEntry e;
    e.processId = ReadDword(record, mt::kEntryProcessId);
    e.state = ReadDword(record, mt::kEntryState);
    for (size_t i = 0; i < mt::kEntryValueCount; ++i) e.values[i] = ReadDword(record, mt::kEntryValues + 4 * i);
    e.name = std::move(name);
    return e;
}

// Entry `a` comes before `b` in the merged document: lower order, then earlier in the table.
bool Before(const MergeEntry& a, size_t ia, const MergeEntry& b, size_t ib) {
    return a.Order() != b.Order() ? a.Order() < b.Order() : ia < ib;
}

}  // namespace

bool MergeTable::Load(const Reader& read, size_t limit, std::wstring& error) {
    TW_TRACE(L"> MergeTable::Load");
    *this = MergeTable{};
    DWORD magic = 0;
    if (limit < sizeof(magic) || read(&magic, sizeof(magic), mt::kMagicOffset) != sizeof(magic) || magic != mt::kMagic) {
        m_header = FreshHeader();
        TW_TRACE(L"< MergeTable::Load: no magic, empty table");
        return true;
    }
    auto fail = [&](std::wstring text) {
        error = std::move(text);
        TW_TRACE(L"< MergeTable::Load: %s", error.c_str());
        *this = MergeTable{};
        return false;
    };
    std::optional<std::pair<MergeEntry, std::vector<BYTE>>> pending;  // an entry waiting for its key
    size_t pendingOffset = 0;
    for (size_t offset = mt::kFirstRecordOffset;;) {
        const unsigned long at = static_cast<unsigned long>(offset);
        DWORD head[2] = {};
        if (offset > limit || limit - offset < sizeof(head) || read(head, sizeof(head), offset) != sizeof(head))
            return fail(FormatW(kRecordPastEnd, at));
        const DWORD size = head[0], type = head[1];
        if (size == 0) break;
        if (size < mt::kRecordHeaderBytes || size > limit - offset) return fail(FormatW(kRecordPastEnd, at));
        std::vector<BYTE> record(size);
        if (read(record.data(), size, offset) != size) return fail(FormatW(kRecordPastEnd, at));
        auto tooShort = [&] { return fail(FormatW(kRecordTooShort, at, static_cast<unsigned long>(type), size)); };
        switch (type) {
        case mt::kHeader:
            if (offset != mt::kFirstRecordOffset) return fail(FormatW(kMisplacedHeader, at));
            if (size < mt::kHeaderData) return tooShort();
            m_header = std::move(record);
            break;
        case mt::kEntry: {
            if (pending) return fail(FormatW(kEntryWithoutKey, static_cast<unsigned long>(pendingOffset)));
            if (size < mt::kEntryMinBytes) return tooShort();
            auto name = EntryName(record);
            if (!name) return fail(FormatW(kUnterminatedName, at));
            pending.emplace(ParseEntry(record, std::move(*name)), std::move(record));
            pendingOffset = offset;
            break;
        }
        case mt::kKey:
            if (!pending) return fail(FormatW(kKeyWithoutEntry, at));
            if (size < mt::kKeyMinBytes) return tooShort();
            pending->first.jobId = ReadDword(record, mt::kKeyJobId);
            m_entries.push_back(std::move(pending->first));
            m_entryRecords.push_back(std::move(pending->second));
            m_keyRecords.push_back(std::move(record));
            pending.reset();
            break;
        case mt::kCounter: {
            if (size != mt::kCounterRecordBytes) return tooShort();
            DWORD& value = m_counters[ReadDword(record, mt::kCounterJobId)];
            value = std::max(value, ReadDword(record, mt::kCounterValue));
            break;
        }
        default:
            return fail(FormatW(kUnknownType, static_cast<unsigned long>(type), at));
        }
        if (m_header.empty()) return fail(kNoHeader);
        offset += size;
    }
    if (pending) return fail(FormatW(kEntryWithoutKey, static_cast<unsigned long>(pendingOffset)));
    if (m_header.empty()) return fail(kNoHeader);
    TW_TRACE(L"< MergeTable::Load: %lu entries", static_cast<unsigned long>(m_entries.size()));
    return true;
}

std::vector<BYTE> MergeTable::Bytes() const {
    std::vector<BYTE> bytes;
    AppendDwords(bytes, {mt::kMagic});
    const std::vector<BYTE> header = m_header.empty() ? FreshHeader() : m_header;
    bytes.insert(bytes.end(), header.begin(), header.end());
    for (size_t i = 0; i < m_entries.size(); ++i) {
        std::vector<BYTE> entry = m_entryRecords[i];
        PutDword(entry, mt::kEntryState, m_entries[i].state);
        bytes.insert(bytes.end(), entry.begin(), entry.end());
        bytes.insert(bytes.end(), m_keyRecords[i].begin(), m_keyRecords[i].end());
        const DWORD jobId = m_entries[i].jobId;
        AppendDwords(bytes, {mt::kCounterRecordBytes, mt::kCounter, jobId, Counter(jobId).value_or(0)});
    }
    bytes.resize(bytes.size() + mt::kEndMarkBytes, 0);
    return bytes;
}

bool MergeTable::Store(const Writer& write, size_t limit) const {
    const std::vector<BYTE> bytes = Bytes();
    if (bytes.size() > limit) return false;
    return write(bytes.data(), bytes.size(), 0) == bytes.size();
}

const MergeEntry* MergeTable::Find(DWORD jobId) const {
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const MergeEntry& e) { return e.jobId == jobId; });
    return it == m_entries.end() ? nullptr : &*it;
}

MergeTurn MergeTable::TurnOf(DWORD jobId, const JobExists& exists) const {
    const MergeEntry* own = Find(jobId);
    if (!own) return MergeTurn::NoEntry;
    if (own->state == mt::kStateAbort) return MergeTurn::Abort;
    if (own->state == mt::kStateDone) return MergeTurn::Finished;
    if (own->state != mt::kStateReady) return MergeTurn::Wait;
    const size_t ownIndex = static_cast<size_t>(own - m_entries.data());
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const MergeEntry& e = m_entries[i];
        if (i == ownIndex || e.processId != own->processId || e.state != mt::kStateReady) continue;
        if (Before(e, i, *own, ownIndex) && exists(e.jobId)) return MergeTurn::Wait;
    }
    return MergeTurn::Go;
}

bool MergeTable::Complete(DWORD jobId, DWORD value) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const MergeEntry& e) { return e.jobId == jobId; });
    if (it == m_entries.end()) return false;
    it->state = mt::kStateDone;
    m_counters[jobId] = value;
    return true;
}

std::vector<DWORD> MergeTable::WaitingJobs(DWORD processId, const JobExists& exists) const {
    std::vector<size_t> waiting;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const MergeEntry& e = m_entries[i];
        if (e.processId == processId && e.state == mt::kStateReady && exists(e.jobId)) waiting.push_back(i);
    }
    std::sort(waiting.begin(), waiting.end(),
              [&](size_t a, size_t b) { return Before(m_entries[a], a, m_entries[b], b); });
    std::vector<DWORD> jobs;
    for (size_t i : waiting) jobs.push_back(m_entries[i].jobId);
    return jobs;
}

std::optional<DWORD> MergeTable::Counter(DWORD jobId) const {
    auto it = m_counters.find(jobId);
    if (it == m_counters.end()) return std::nullopt;
    return it->second;
}

void MergeTable::AddEntry(const MergeEntry& entry) {
    if (m_header.empty()) m_header = FreshHeader();
    std::vector<BYTE> record;
    const DWORD size = static_cast<DWORD>(mt::kEntryName + (entry.name.size() + 1) * sizeof(wchar_t));
    AppendDwords(record, {size, mt::kEntry, entry.processId, entry.state});
    for (DWORD v : entry.values) AppendDwords(record, {v});
    record.resize(size, 0);
    std::memcpy(record.data() + mt::kEntryName, entry.name.data(), entry.name.size() * sizeof(wchar_t));
    std::vector<BYTE> key;
    AppendDwords(key, {mt::kKeyMinBytes, mt::kKey, entry.jobId});
    m_entries.push_back(entry);
    m_entryRecords.push_back(std::move(record));
    m_keyRecords.push_back(std::move(key));
}

}  // namespace tw
