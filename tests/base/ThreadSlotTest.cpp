// Per-thread values of the libraries loaded per job: one value per thread, the thread's last
// error left as it was, and every value freed.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "base/ThreadSlot.h"

namespace twtest {
namespace {

TEST(ThreadSlot, EachThreadHasItsOwnValueAndKeepsItsLastError) {
    tw::ThreadSlot<int> slot;
    slot.Get() = 7;
    int other = -1;
    std::thread([&] {
        other = slot.Get();  // value-initialised on this thread
        slot.Get() = 9;
        slot.ReleaseThread();
    }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(slot.Get(), 7);

    // A library records its failure after a system call failed: the reason must survive.
    ::SetLastError(ERROR_DISK_FULL);
    slot.Get() = 31;
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    slot.ReleaseThread();
    EXPECT_EQ(slot.Get(), 0);  // made afresh after the release
}

}  // namespace
}  // namespace twtest
