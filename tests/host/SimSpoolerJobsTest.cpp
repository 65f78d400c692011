// The simulated spooler's jobs, handles, tokens, printer DCs and call log, and the environment
// that puts it behind the monitor's seams.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/UniqueHandle.h"
#include "host/HostEnvironment.h"
#include "host/SimSpooler.h"
#include "monitor/SpoolerSeam.h"

namespace {

constexpr wchar_t kPrinter[] = L"TW Jobs Printer";

class SimSpoolerJobs : public ::testing::Test {
protected:
    void SetUp() override {
        twhost::SimPrinter printer;
        printer.name = kPrinter;
        ASSERT_TRUE(m_spooler.AddPrinter(printer));
        ASSERT_TRUE(m_spooler.OpenPrinter(kPrinter, &m_h, nullptr));
    }
    void TearDown() override { m_spooler.ClosePrinter(m_h); }

    DWORD Add(DWORD status = JOB_STATUS_PRINTING) {
        twhost::SimJob job;
        job.document = L"doc";
        job.status = status;
        return m_spooler.AddJob(kPrinter, job);
    }
    // Status through GetJob level 1, or the error when the job cannot be read.
    DWORD StatusOrError(DWORD id, bool* found) {
        DWORD needed = 0;
        m_spooler.GetJob(m_h, id, 1, nullptr, 0, &needed);
        std::vector<BYTE> buf(needed ? needed : 1);
        ::SetLastError(0xdeadbeef);
        *found = m_spooler.GetJob(m_h, id, 1, buf.data(), needed, &needed) != FALSE;
        return *found ? reinterpret_cast<JOB_INFO_1W*>(buf.data())->Status : ::GetLastError();
    }
    DWORD PositionOf(DWORD id) {
        DWORD needed = 0;
        m_spooler.GetJob(m_h, id, 1, nullptr, 0, &needed);
        std::vector<BYTE> buf(needed);
        return m_spooler.GetJob(m_h, id, 1, buf.data(), needed, &needed)
                   ? reinterpret_cast<JOB_INFO_1W*>(buf.data())->Position
                   : 0;
    }

    twhost::SimSpooler m_spooler;
    HANDLE m_h = nullptr;
};

// Level 1 sets a job's priority, within the spooler's range (1 to 99); other levels stay refused.
TEST_F(SimSpoolerJobs, LevelOneSetsThePriorityWithinTheSpoolersRange) {
    DWORD id = Add();
    JOB_INFO_1W info{};
    info.Priority = MAX_PRIORITY;
    EXPECT_TRUE(m_spooler.SetJob(m_h, id, 1, reinterpret_cast<LPBYTE>(&info), 0));
    BYTE buf[4096];
    DWORD n = 0;
    ASSERT_TRUE(m_spooler.GetJob(m_h, id, 1, buf, sizeof(buf), &n));
    EXPECT_EQ(reinterpret_cast<JOB_INFO_1W*>(buf)->Priority, 99u);
    info.Priority = 0;
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.SetJob(m_h, id, 1, reinterpret_cast<LPBYTE>(&info), 0));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRIORITY));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.SetJob(m_h, id, 2, reinterpret_cast<LPBYTE>(&info), 0));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

TEST_F(SimSpoolerJobs, PauseAndResume) {
    DWORD id = Add();
    bool found = false;
    EXPECT_TRUE(m_spooler.SetJob(m_h, id, 0, nullptr, JOB_CONTROL_PAUSE));
    EXPECT_TRUE(StatusOrError(id, &found) & JOB_STATUS_PAUSED);
    EXPECT_TRUE(m_spooler.SetJob(m_h, id, 0, nullptr, JOB_CONTROL_RESUME));
    EXPECT_FALSE(StatusOrError(id, &found) & JOB_STATUS_PAUSED);
    EXPECT_TRUE(found);

    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.SetJob(m_h, id, 0, nullptr, 99));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.SetJob(m_h, id + 1000, 0, nullptr, JOB_CONTROL_PAUSE));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SimSpoolerJobs, CancelOfAPrintingJobMarksItDeletingUntilThePortLetsGo) {
    DWORD id = Add();
    EXPECT_TRUE(m_spooler.SetJob(m_h, id, 0, nullptr, JOB_CONTROL_CANCEL));
    bool found = false;
    DWORD status = StatusOrError(id, &found);
    ASSERT_TRUE(found) << "the monitor must still find its job at EndDocPort";
    EXPECT_TRUE(status & JOB_STATUS_DELETING);
    EXPECT_TRUE(m_spooler.FindJob(id)->cancelled);
    EXPECT_FALSE(m_spooler.FindJob(id)->deleted);

    EXPECT_TRUE(m_spooler.FinishJob(id));
    EXPECT_EQ(StatusOrError(id, &found), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(found);
    EXPECT_TRUE(m_spooler.FindJob(id)->deleted);
    EXPECT_FALSE(m_spooler.FindJob(id)->status & JOB_STATUS_PRINTED);
}

TEST_F(SimSpoolerJobs, CancelOfAWaitingJobRemovesItAtOnce) {
    DWORD first = Add(0);
    DWORD second = Add(0);
    EXPECT_EQ(PositionOf(second), 2u);
    EXPECT_TRUE(m_spooler.SetJob(m_h, first, 0, nullptr, JOB_CONTROL_DELETE));
    bool found = true;
    StatusOrError(first, &found);
    EXPECT_FALSE(found);
    EXPECT_TRUE(m_spooler.FindJob(first)->cancelled);
    EXPECT_TRUE(m_spooler.FindJob(first)->deleted);
    EXPECT_EQ(PositionOf(second), 1u);
    // A job that has left the queue takes no more commands.
    EXPECT_FALSE(m_spooler.SetJob(m_h, first, 0, nullptr, JOB_CONTROL_CANCEL));
}

TEST_F(SimSpoolerJobs, UserDeletionIsSeenWithoutACancelFromTheMonitor) {
    DWORD id = Add();
    ASSERT_TRUE(m_spooler.MarkJobDeleting(id));
    bool found = false;
    EXPECT_TRUE(StatusOrError(id, &found) & JOB_STATUS_DELETING);
    EXPECT_FALSE(m_spooler.FindJob(id)->cancelled);

    DWORD normal = Add();
    EXPECT_TRUE(m_spooler.FinishJob(normal));
    EXPECT_TRUE(m_spooler.FindJob(normal)->status & JOB_STATUS_PRINTED);
    EXPECT_FALSE(m_spooler.FinishJob(normal));
}

TEST_F(SimSpoolerJobs, JobIdsAreUnique) {
    twhost::SimJob job;
    job.id = 42;
    EXPECT_EQ(m_spooler.AddJob(kPrinter, job), 42u);
    EXPECT_EQ(m_spooler.AddJob(kPrinter, job), 0u);
    EXPECT_NE(Add(), 42u);
}

TEST_F(SimSpoolerJobs, PrinterHandles) {
    HANDLE a = nullptr, b = nullptr;
    ASSERT_TRUE(m_spooler.OpenPrinter(kPrinter, &a, nullptr));
    ASSERT_TRUE(m_spooler.OpenPrinter(kPrinter, &b, nullptr));
    EXPECT_NE(a, b);
    EXPECT_EQ(m_spooler.OpenHandleCount(), 3u);
    EXPECT_TRUE(m_spooler.ClosePrinter(a));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.ClosePrinter(a));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    HANDLE h = reinterpret_cast<HANDLE>(1);
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.OpenPrinter(L"No such printer", &h, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(h, nullptr);

    // A removed printer's handles fail but can still be closed.
    ASSERT_TRUE(m_spooler.RemovePrinter(kPrinter));
    DWORD needed = 0;
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.GetPrinter(b, 2, nullptr, 0, &needed));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(m_spooler.ClosePrinter(b));
}

TEST_F(SimSpoolerJobs, TokensAreAcceptedBackOnce) {
    HANDLE token = m_spooler.RevertToPrinterSelf();
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(m_spooler.OutstandingTokenCount(), 1u);
    EXPECT_TRUE(m_spooler.ImpersonatePrinterClient(token));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(m_spooler.ImpersonatePrinterClient(token));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(m_spooler.OutstandingTokenCount(), 0u);
    EXPECT_EQ(m_spooler.RevertCount(), 1u);
    EXPECT_EQ(m_spooler.ImpersonateCount(), 1u);
}

TEST_F(SimSpoolerJobs, PrinterDcIsAMemoryDc) {
    tw::UniqueDC dc(m_spooler.CreatePrinterDC(kPrinter, nullptr));
    ASSERT_TRUE(dc.valid());
    EXPECT_EQ(::GetObjectType(dc.get()), static_cast<DWORD>(OBJ_MEMDC));
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(m_spooler.CreatePrinterDC(L"No such printer", nullptr), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(m_spooler.PrinterDcCount(), 1u);
}

TEST_F(SimSpoolerJobs, CallLogRecordsEveryCallAndItsResult) {
    DWORD id = Add();
    m_spooler.ClearCalls();
    DWORD needed = 0;
    m_spooler.GetJob(m_h, id, 1, nullptr, 0, &needed);
    m_spooler.SetJob(m_h, id, 0, nullptr, JOB_CONTROL_CANCEL);
    auto calls = m_spooler.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, L"GetJob");
    EXPECT_FALSE(calls[0].succeeded);
    EXPECT_EQ(calls[0].error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(calls[1].function, L"SetJob");
    EXPECT_TRUE(calls[1].succeeded);
    EXPECT_NE(calls[1].ToString().find(L"command 3"), std::wstring::npos) << calls[1].ToString().c_str();
}

TEST_F(SimSpoolerJobs, ConcurrentCallersKeepTheModelConsistent) {
    DWORD id = Add();
    m_spooler.ClearCalls();
    constexpr int kThreads = 8, kRounds = 200;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                HANDLE h = nullptr;
                if (!m_spooler.OpenPrinter(kPrinter, &h, nullptr)) ++failures;
                DWORD needed = 0;
                m_spooler.GetJob(h, id, 2, nullptr, 0, &needed);
                std::vector<BYTE> buf(needed);
                if (!m_spooler.GetJob(h, id, 2, buf.data(), needed, &needed)) ++failures;
                if (!m_spooler.SetJob(h, id, 0, nullptr, i % 2 ? JOB_CONTROL_PAUSE : JOB_CONTROL_RESUME)) ++failures;
                if (!m_spooler.ClosePrinter(h)) ++failures;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(m_spooler.OpenHandleCount(), 1u);
    EXPECT_EQ(m_spooler.Calls().size(), static_cast<size_t>(kThreads * kRounds * 5));
}

TEST(HostEnvironment, InstallsTheSimulationsAndPutsBackWhatWasThere) {
    tw::ISpooler* production = &tw::Spooler();
    tw::IEventLogSink* productionLog = &tw::EventLogSink();
    {
        twhost::HostEnvironment env;
        EXPECT_EQ(&tw::Spooler(), &env.Spooler());
        EXPECT_EQ(&tw::EventLogSink(), &env.EventLog());
        twhost::SimPrinter printer;
        printer.name = kPrinter;
        ASSERT_TRUE(env.Spooler().AddPrinter(printer));
        {
            // The monitor's own wrappers now reach the simulation and balance what they take.
            tw::UniquePrinter handle;
            EXPECT_TRUE(handle.open(kPrinter));
            tw::PrinterSelfScope self;
            EXPECT_EQ(env.Spooler().OpenHandleCount(), 1u);
        }
        EXPECT_EQ(env.Spooler().OpenHandleCount(), 0u);
        EXPECT_EQ(env.Spooler().OutstandingTokenCount(), 0u);
        EXPECT_EQ(env.Spooler().ImpersonateCount(), 1u);
    }
    EXPECT_EQ(&tw::Spooler(), production);
    EXPECT_EQ(&tw::EventLogSink(), productionLog);
}

}  // namespace
