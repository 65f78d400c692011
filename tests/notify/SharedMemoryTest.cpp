// The merge utility's shared memory and the job's turn in its table, against real mappings and
// mutexes that the tests create as the merge utility would. The merge window runs with short
// rounds here; its bounds are counted, not timed.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "notify/MergeTableLayout.h"
#include "notify/MergeWindow.h"
#include "notify/SharedMemory.h"

namespace {

using namespace tw;
namespace mt = tw::mergetable;

std::wstring UniqueBase() {
    static int n = 0;
    return FormatW(L"Session\\0\\TwMerge__TWTest%lu_%d", ::GetCurrentProcessId(), ++n);
}

// The merge utility's side: the mapping (of `size` bytes) and the mutex.
struct Utility {
    explicit Utility(const std::wstring& base, DWORD size = mt::kMappingSize)
        : m_base(base),
          mutex(::CreateMutexW(nullptr, FALSE, (base + L"_MUTEX").c_str())),
          mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, (base + L"_MAP").c_str())) {}
    void Write(const MergeTable& table) {
        SharedMemory memory(base());
        ASSERT_TRUE(table.Store([&](const void* b, size_t n, size_t o) { return memory.Write(b, n, o); },
                                SharedMemory::Size()));
    }
    std::wstring base() const { return m_base; }
    std::wstring m_base;
    UniqueKernelObject mutex, mapping;
};

Utility MakeUtility(const std::wstring& base, DWORD size = mt::kMappingSize) { return Utility(base, size); }

// The mutex is taken on a thread that then ends: abandoned.
void Abandon(HANDLE mutex) {
    std::thread([mutex] { ::WaitForSingleObject(mutex, 1000); }).join();
}

std::string Narrow(const std::wstring& w) { return ToUtf8(w); }

TEST(SharedMemory, ReadsAndWritesAreCutAtTheEndOfTheMapping) {
    const std::wstring base = UniqueBase();
    Utility u = MakeUtility(base);
    ASSERT_TRUE(u.mapping.valid() && u.mutex.valid()) << ::GetLastError();
    SharedMemory memory(base);
    std::vector<BYTE> buf(100, 0x5A);
    EXPECT_EQ(memory.Write(buf.data(), 100, 10485700), 60u);
    std::vector<BYTE> back(100, 0);
    EXPECT_EQ(memory.Read(back.data(), 100, 10485700), 60u);
    EXPECT_EQ(back[59], 0x5A);
    EXPECT_EQ(back[60], 0);
    EXPECT_EQ(memory.Read(back.data(), 100, 10485760), 0u);
    EXPECT_EQ(memory.Read(back.data(), 0, 0), 0u);
    try {
        memory.Read(nullptr, 4, 0);
        ADD_FAILURE() << "a null buffer must throw";
    } catch (const SharedMemoryException& e) {
        EXPECT_EQ(e.text(), L"SharedMemory::Read: NULL buffer. map name: " + base + L"_MAP");
    }
}

TEST(SharedMemory, AMissingOrTooSmallMappingThrows) {
    const std::wstring base = UniqueBase();
    try {
        SharedMemory memory(base);
        ADD_FAILURE() << "no mapping: must throw";
    } catch (const SharedMemoryException& e) {
        EXPECT_EQ(e.kind(), SharedMemoryException::Kind::OpenMapping);
        EXPECT_EQ(e.text().rfind(L"SharedMemory: OpenFileMapping failed: ", 0), 0u) << Narrow(e.text());
        EXPECT_NE(e.text().find(L"map name: " + base + L"_MAP"), std::wstring::npos);
    }
    Utility small = MakeUtility(base, 4096);
    ASSERT_TRUE(small.mapping.valid());
    try {
        SharedMemory memory(base);
        ADD_FAILURE() << "a mapping of 4096 bytes must not be read as 10 MB";
    } catch (const SharedMemoryException& e) {
        EXPECT_TRUE(e.kind() == SharedMemoryException::Kind::MapView ||
                    e.kind() == SharedMemoryException::Kind::TooSmall)
            << Narrow(e.text());
    }
}

TEST(SharedMemory, AnAbandonedMutexIsReportedOnceAndLeftFree) {
    const std::wstring base = UniqueBase();
    Utility u = MakeUtility(base);
    Abandon(u.mutex.get());
    try {
        SharedMemory memory(base);
        ADD_FAILURE() << "an abandoned mutex must throw";
    } catch (const SharedMemoryException& e) {
        EXPECT_EQ(e.text(), L"SharedMemory: Could not lock mutex. (Result: 128) mutex name: " + base + L"_MUTEX");
    }
    // The failed construction let the mutex go: the next one gets it at once.
    EXPECT_EQ(::WaitForSingleObject(u.mutex.get(), 0), WAIT_OBJECT_0);
    ::ReleaseMutex(u.mutex.get());
    SharedMemory memory(base);
    Abandon(u.mutex.get());
    BYTE b = 0;
    EXPECT_THROW(memory.Read(&b, 1, 0), SharedMemoryException);
    EXPECT_EQ(memory.Read(&b, 1, 0), 1u);
}

// A host whose sleeps are counted, not slept.
class CountingHost : public IMergeWindowHost {
public:
    bool JobExists(DWORD jobId) override { return jobId < 100; }
    void SetJobPriority(DWORD jobId, DWORD priority) override { priorities.push_back({jobId, priority}); }
    bool ProcessRunning(DWORD) override { return running; }
    void Sleep(DWORD ms) override {
        ++sleeps;
        slept += ms;
        if (onSleep) onSleep();
    }
    void Log(const std::wstring& text) override { log.push_back(text); }
    bool running = true;
    int sleeps = 0;
    DWORD slept = 0;
    std::function<void()> onSleep;
    std::vector<std::pair<DWORD, DWORD>> priorities;
    std::vector<std::wstring> log;
};

MergeEntry Entry(DWORD job, DWORD order, DWORD state, std::wstring name = L"") {
    MergeEntry e;
    e.jobId = job;
    e.processId = 4242;
    e.state = state;
    e.values[mt::kValueOrder] = order;
    e.values[mt::kValueFileFormat] = 0;
    e.name = std::move(name);
    return e;
}

constexpr MergeWindowTiming kQuick{5, 1, 7, 1, 1};

TEST(MergeWindow, ReadyJobsGoInOrderAndTheNextGetsTheHighestPriority) {
    const std::wstring base = UniqueBase();
    Utility u = MakeUtility(base);
    MergeTable table;
    table.AddEntry(Entry(40, 2, mt::kStateReady, L"c.bmp"));
    table.AddEntry(Entry(41, 0, mt::kStateReady, L"a.bmp"));
    table.AddEntry(Entry(42, 1, mt::kStateReady, L"b.bmp"));
    u.Write(table);
    CountingHost host;
    CMergeWindow first(base, 41, host, kQuick);
    const MergeOutcome go = first.Join();
    ASSERT_EQ(go.kind, MergeOutcome::Kind::Go);
    EXPECT_EQ(go.entry.name, L"a.bmp");
    EXPECT_EQ(host.sleeps, 0);
    first.Complete(3);
    EXPECT_EQ(host.priorities, (std::vector<std::pair<DWORD, DWORD>>{{42, 99}, {40, 1}}));

    // Job 40 waits for 42; 42 finishing on the third round lets it go.
    CMergeWindow last(base, 40, host, kQuick);
    CMergeWindow middle(base, 42, host, kQuick);
    host.sleeps = 0;
    host.onSleep = [&] {
        if (host.sleeps == 3) {
            ASSERT_EQ(middle.Join().kind, MergeOutcome::Kind::Go);
            middle.Complete(1);
        }
    };
    EXPECT_EQ(last.Join().kind, MergeOutcome::Kind::Go);
    EXPECT_EQ(host.sleeps, 4);  // three rounds, and the pause after 42 completed
    last.Complete(1);
    host.onSleep = nullptr;

    SharedMemory memory(base);
    MergeTable after;
    std::wstring error;
    ASSERT_TRUE(after.Load([&](void* b, size_t n, size_t o) { return memory.Read(b, n, o); }, SharedMemory::Size(),
                           error));
    for (DWORD job : {40u, 41u, 42u}) EXPECT_EQ(after.Find(job)->state, mt::kStateDone) << job;
    EXPECT_EQ(after.Counter(41), 3u);
}

TEST(MergeWindow, EveryWaitIsBounded) {
    const std::wstring base = UniqueBase();
    CountingHost host;
    {
        // No mapping: looked for openAttempts times, then the job prints alone.
        CMergeWindow window(base, 40, host, kQuick);
        const MergeOutcome o = window.Join();
        EXPECT_EQ(o.kind, MergeOutcome::Kind::Alone);
        EXPECT_EQ(host.sleeps, kQuick.openAttempts - 1);
        EXPECT_EQ(o.reason.rfind(L"SetDevMode: Failed to open map: SharedMemory: OpenFileMapping failed", 0), 0u);
    }
    Utility u = MakeUtility(base);
    MergeTable table;
    table.AddEntry(Entry(40, 1, 0));  // entered, never made ready
    u.Write(table);
    host.sleeps = 0;
    {
        // The merge utility runs on and never lets the job go: it stops waiting after its rounds.
        CMergeWindow window(base, 40, host, kQuick);
        const MergeOutcome o = window.Join();
        EXPECT_EQ(o.kind, MergeOutcome::Kind::Alone);
        EXPECT_EQ(host.sleeps, kQuick.rounds - 1);
        EXPECT_NE(o.reason.find(L"was not given its turn within 7 rounds"), std::wstring::npos);
    }
    host.sleeps = 0;
    host.running = false;
    {
        // The merge utility has ended: no waiting at all.
        CMergeWindow window(base, 40, host, kQuick);
        const MergeOutcome o = window.Join();
        EXPECT_EQ(o.kind, MergeOutcome::Kind::Alone);
        EXPECT_EQ(host.sleeps, 0);
        EXPECT_NE(o.reason.find(L"(process 4242) has ended"), std::wstring::npos);
    }
}

TEST(MergeWindow, AbortEntriesBadTablesAndAbandonedMutexes) {
    const std::wstring base = UniqueBase();
    Utility u = MakeUtility(base);
    MergeTable table;
    table.AddEntry(Entry(40, 0, mt::kStateAbort));
    u.Write(table);
    CountingHost host;
    EXPECT_EQ(CMergeWindow(base, 40, host, kQuick).Join().kind, MergeOutcome::Kind::Abort);
    const MergeOutcome none = CMergeWindow(base, 55, host, kQuick).Join();
    EXPECT_EQ(none.kind, MergeOutcome::Kind::Alone);
    EXPECT_NE(none.reason.find(L"has no entry for job 55"), std::wstring::npos);

    // A record that runs past the mapping: refused at once, never retried.
    {
        SharedMemory memory(base);
        const DWORD huge = 0x7FFFFFF0;
        memory.Write(&huge, 4, 4 + mt::kHeaderRecordBytes);
    }
    host.sleeps = 0;
    const MergeOutcome bad = CMergeWindow(base, 40, host, kQuick).Join();
    EXPECT_EQ(bad.kind, MergeOutcome::Kind::Alone);
    EXPECT_EQ(host.sleeps, 0);
    EXPECT_NE(bad.reason.find(L"runs past the end of the table"), std::wstring::npos);

    Abandon(u.mutex.get());
    const MergeOutcome abandoned = CMergeWindow(base, 40, host, kQuick).Join();
    EXPECT_EQ(abandoned.kind, MergeOutcome::Kind::Alone);
    EXPECT_EQ(host.sleeps, 0);
    EXPECT_NE(abandoned.reason.find(L"(Result: 128)"), std::wstring::npos);
}

TEST(MergeWindow, BaseNameIsPerSessionAndPrinter) {
    EXPECT_EQ(CMergeWindow::BaseName(3, L"My Printer-2"), L"Session\\3\\TwMerge__My_Printer_2");
    EXPECT_EQ(CMergeWindow::BaseName(1, std::wstring(2000, L'p')).size(), 1024u);
}

}  // namespace
