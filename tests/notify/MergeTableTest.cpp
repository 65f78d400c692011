// The merge utility's job table as the monitor reads it: layout, turns, completion, and tables
// another program filled badly. Every read goes through a reader that fails the test when it is
// asked for bytes outside the memory.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "notify/MergeTable.h"

namespace {

using namespace tw;
namespace mt = tw::mergetable;

MergeEntry Entry(DWORD job, DWORD order, DWORD state = mt::kStateReady, DWORD pid = 77, std::wstring name = L"") {
    MergeEntry e;
    e.jobId = job;
    e.processId = pid;
    e.state = state;
    e.values[mt::kValueOrder] = order;
    e.name = std::move(name);
    return e;
}

// A memory of `bytes`; reads outside it fail the test.
class Memory {
public:
    explicit Memory(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}
    MergeTable::Reader Reader() {
        return [this](void* buffer, size_t length, size_t offset) -> size_t {
            EXPECT_LE(offset + length, m_bytes.size()) << "read outside the memory";
            if (offset >= m_bytes.size()) return 0;
            const size_t n = std::min(length, m_bytes.size() - offset);
            std::memcpy(buffer, m_bytes.data() + offset, n);
            return n;
        };
    }
    bool Load(MergeTable& table, std::wstring& error) { return table.Load(Reader(), m_bytes.size(), error); }
    std::vector<BYTE>& Bytes() { return m_bytes; }

private:
    std::vector<BYTE> m_bytes;
};

void PutDword(std::vector<BYTE>& b, size_t at, DWORD v) { std::memcpy(b.data() + at, &v, 4); }
DWORD GetDword(const std::vector<BYTE>& b, size_t at) {
    DWORD v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// The table's bytes padded to `size`.
std::vector<BYTE> Padded(const MergeTable& table, size_t size = 64 * 1024) {
    std::vector<BYTE> b = table.Bytes();
    b.resize(size, 0);
    return b;
}

const MergeTable::JobExists kAllExist = [](DWORD) { return true; };

TEST(MergeTable, MemoryWithoutMagicIsAnEmptyTableWithAFreshHeader) {
    Memory memory(std::vector<BYTE>(1024, 0xAB));
    MergeTable table;
    std::wstring error;
    ASSERT_TRUE(memory.Load(table, error));
    EXPECT_TRUE(table.Entries().empty());
    const std::vector<BYTE> bytes = table.Bytes();
    ASSERT_EQ(bytes.size(), 4u + mt::kHeaderRecordBytes + mt::kEndMarkBytes);
    EXPECT_EQ(GetDword(bytes, 0), 0x53424F4Au);
    EXPECT_EQ(GetDword(bytes, 4), 6903u);
    EXPECT_EQ(GetDword(bytes, 8), 1u);
    EXPECT_EQ(GetDword(bytes, 12), 2u);
    EXPECT_EQ(GetDword(bytes, 16), 0u);
}

TEST(MergeTable, EntriesKeysAndCountersReadBackAsWritten) {
    MergeTable written;
    MergeEntry a = Entry(40, 2, mt::kStateReady, 77, L"Z:\\out\\merged.tif");
    a.values[mt::kValueFileFormat] = 7;
    a.values[mt::kValueLastOfSet] = 1;
    written.AddEntry(a);
    written.AddEntry(Entry(41, 1, 0));
    ASSERT_TRUE(written.Complete(41, 5));
    Memory memory(Padded(written));
    // Counter records are written after each pair: entry, key, counter.
    const size_t first = 4 + mt::kHeaderRecordBytes;
    EXPECT_EQ(GetDword(memory.Bytes(), first + 4), 2u);
    const DWORD entrySize = GetDword(memory.Bytes(), first);
    EXPECT_EQ(entrySize, 68u + 2u * (a.name.size() + 1));
    EXPECT_EQ(GetDword(memory.Bytes(), first + entrySize + 4), 3u);
    EXPECT_EQ(GetDword(memory.Bytes(), first + entrySize + 12 + 4), 4u);

    MergeTable read;
    std::wstring error;
    ASSERT_TRUE(memory.Load(read, error)) << error;
    ASSERT_EQ(read.Entries().size(), 2u);
    const MergeEntry& r = read.Entries()[0];
    EXPECT_EQ(r.jobId, 40u);
    EXPECT_EQ(r.processId, 77u);
    EXPECT_EQ(r.name, a.name);
    EXPECT_EQ(r.Value(mt::kValueFileFormat), 7u);
    EXPECT_EQ(r.Order(), 2u);
    EXPECT_EQ(r.Value(mt::kValueLastOfSet), 1u);
    EXPECT_EQ(read.Entries()[1].state, mt::kStateDone);
    EXPECT_EQ(read.Counter(41), 5u);
    EXPECT_EQ(read.Counter(40), 0u);  // every pair is stored with its counter
}

TEST(MergeTable, CountersOfOneJobKeepTheLargerValue) {
    MergeTable written;
    written.AddEntry(Entry(40, 0));
    std::vector<BYTE> b = written.Bytes();
    b.resize(b.size() - mt::kEndMarkBytes);
    for (DWORD v : {9u, 3u}) {
        const size_t at = b.size();
        b.resize(at + 16);
        PutDword(b, at, 16);
        PutDword(b, at + 4, 4);
        PutDword(b, at + 8, 40);
        PutDword(b, at + 12, v);
    }
    b.resize(b.size() + 8 + 1000, 0);
    Memory memory(b);
    MergeTable read;
    std::wstring error;
    ASSERT_TRUE(memory.Load(read, error)) << error;
    EXPECT_EQ(read.Counter(40), 9u);
}

TEST(MergeTable, TheReadyEntryOfLowestOrderGoesFirst) {
    MergeTable t;
    t.AddEntry(Entry(40, 2));
    t.AddEntry(Entry(41, 0));
    t.AddEntry(Entry(42, 1));
    EXPECT_EQ(t.TurnOf(41, kAllExist), MergeTurn::Go);
    EXPECT_EQ(t.TurnOf(42, kAllExist), MergeTurn::Wait);
    EXPECT_EQ(t.TurnOf(40, kAllExist), MergeTurn::Wait);
    // Jobs the spooler no longer has do not hold the others back.
    auto only40and42 = [](DWORD id) { return id != 41; };
    EXPECT_EQ(t.TurnOf(42, only40and42), MergeTurn::Go);
    ASSERT_TRUE(t.Complete(41, 1));
    EXPECT_EQ(t.TurnOf(41, kAllExist), MergeTurn::Finished);
    EXPECT_EQ(t.TurnOf(42, kAllExist), MergeTurn::Go);
    EXPECT_EQ(t.WaitingJobs(77, kAllExist), (std::vector<DWORD>{42, 40}));
}

TEST(MergeTable, OtherUtilitiesAbortAndUnreadyEntries) {
    MergeTable t;
    t.AddEntry(Entry(40, 5, mt::kStateReady, 77));
    t.AddEntry(Entry(41, 1, mt::kStateReady, 88));  // another merge utility's set
    t.AddEntry(Entry(42, 0, mt::kStateAbort, 77));   // aborted entries hold nobody back
    t.AddEntry(Entry(43, 0, 0, 77));                 // entered, not ready yet
    t.AddEntry(Entry(44, 5, mt::kStateReady, 77));   // same order: the earlier entry first
    EXPECT_EQ(t.TurnOf(40, kAllExist), MergeTurn::Go);
    EXPECT_EQ(t.TurnOf(44, kAllExist), MergeTurn::Wait);
    EXPECT_EQ(t.TurnOf(41, kAllExist), MergeTurn::Go);
    EXPECT_EQ(t.TurnOf(42, kAllExist), MergeTurn::Abort);
    EXPECT_EQ(t.TurnOf(43, kAllExist), MergeTurn::Wait);
    EXPECT_EQ(t.TurnOf(99, kAllExist), MergeTurn::NoEntry);
    EXPECT_FALSE(t.Complete(99, 1));
}

TEST(MergeTable, StoreRefusesATableLargerThanTheMemory) {
    MergeTable t;
    t.AddEntry(Entry(40, 0));
    size_t written = 0;
    auto writer = [&](const void*, size_t n, size_t) { return written = n; };
    EXPECT_FALSE(t.Store(writer, 100));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(t.Store(writer, 64 * 1024));
    EXPECT_EQ(written, t.Bytes().size());
}

// Tables another program filled badly: each is refused with its reason, nothing read outside.
struct BadTable {
    const char* what;
    std::function<void(std::vector<BYTE>&, size_t entryAt)> spoil;
    const wchar_t* reason;
};

TEST(MergeTable, MalformedTablesAreRefusedWithTheirReason) {
    MergeTable good;
    good.AddEntry(Entry(40, 0, mt::kStateReady, 77, L"name"));
    const size_t entryAt = 4 + mt::kHeaderRecordBytes;
    const std::vector<BadTable> cases = {
        {"entry size past the end", [](auto& b, size_t at) { PutDword(b, at, 0x7FFFFFF0); }, L"runs past the end"},
        {"record size below its header", [](auto& b, size_t at) { PutDword(b, at, 4); }, L"runs past the end"},
        {"entry too short for a name", [](auto& b, size_t at) { PutDword(b, at, 60); }, L"too short"},
        {"unterminated name",
         [](auto& b, size_t at) {
             PutDword(b, at, 68 + 8);  // four characters, no terminator; the key follows directly
             std::memmove(b.data() + at + 76, b.data() + at + 78, b.size() - at - 78);
         },
         L"no terminator"},
        {"unknown record type", [](auto& b, size_t at) { PutDword(b, at + 4, 9); }, L"unknown record type"},
        {"key without entry", [](auto& b, size_t at) { b.erase(b.begin() + at, b.begin() + at + GetDword(b, at)); },
         L"follows no entry"},
        {"entry without key", [](auto& b, size_t at) { PutDword(b, at + GetDword(b, at) + 4, 2); }, L""},
        {"header elsewhere", [](auto& b, size_t at) { PutDword(b, at + 4, 1); }, L"unexpected table header"},
        {"no end mark before the memory ends", [](auto&, size_t) {}, L"runs past the end"},
    };
    for (const BadTable& c : cases) {
        std::vector<BYTE> bytes = good.Bytes();
        c.spoil(bytes, entryAt);
        if (std::string(c.what) == "no end mark before the memory ends") {
            bytes.resize(bytes.size() - mt::kEndMarkBytes);
            bytes.resize(bytes.size() + 64, 0x11);
        }
        Memory memory(bytes);
        MergeTable read;
        std::wstring error;
        EXPECT_FALSE(memory.Load(read, error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::wstring::npos) << c.what << ": " << std::string(error.begin(), error.end());
        EXPECT_TRUE(read.Entries().empty()) << c.what;
    }
}

TEST(MergeTable, ANameOf260CharactersWithItsTerminatorIsRead) {
    MergeTable t;
    t.AddEntry(Entry(40, 0, mt::kStateReady, 77, std::wstring(260, L'n')));
    Memory memory(Padded(t));
    MergeTable read;
    std::wstring error;
    ASSERT_TRUE(memory.Load(read, error)) << std::string(error.begin(), error.end());
    EXPECT_EQ(read.Entries()[0].name.size(), 260u);
}

// Seeded random tables behind a valid magic: the load answers, and never reads outside.
TEST(MergeTable, RandomTablesNeverReadOutsideTheMemory) {
    std::mt19937 random(23);
    MergeTable good;
    good.AddEntry(Entry(40, 0, mt::kStateReady, 77, L"a"));
    good.AddEntry(Entry(41, 1, mt::kStateReady, 77, L"b"));
    const std::vector<BYTE> base = good.Bytes();
    for (int round = 0; round < 3000; ++round) {
        std::vector<BYTE> bytes = base;
        bytes.resize(base.size() + random() % 64, 0);
        const int flips = 1 + random() % 8;
        for (int i = 0; i < flips; ++i) {
            const size_t at = 4 + random() % (bytes.size() - 4);
            bytes[at] = static_cast<BYTE>(random());
        }
        Memory memory(bytes);
        MergeTable read;
        std::wstring error;
        if (memory.Load(read, error)) {
            for (const MergeEntry& e : read.Entries()) EXPECT_LE(e.name.size(), mt::kEntryNameChars);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

}  // namespace
