// Output names held by creating them: a name is one job's from its reservation on, and a
// reservation that got no page leaves nothing behind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/TestSupport.h"
#include "twfile/UniqueName.h"

namespace {

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Write(const std::wstring& path, const char* text) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ::WriteFile(h, text, static_cast<DWORD>(strlen(text)), &n, nullptr);
    ::CloseHandle(h);
}

TEST(UniqueName, AReservedNameIsTakenUntilItsPageIsWrittenOrDropped) {
    const std::wstring dir = twtest::MakeTempDir(L"uniq");
    const std::wstring a = dir + L"\\a.bmp", b = dir + L"\\b.bmp", c = dir + L"\\c.bmp";
    {
        tw::CNameReservation first, second;
        ASSERT_EQ(first.Reserve(a, {}), 0u);
        EXPECT_TRUE(Exists(a));
        // Another job asking for the same name hears that it is taken, whatever the case.
        EXPECT_TRUE(tw::IsNameTaken(second.Reserve(dir + L"\\A.BMP", {})));
        EXPECT_TRUE(second.Name().empty());
        ASSERT_EQ(second.Reserve(b, {}), 0u);
        // The page of `a` was written: the next reservation keeps it.
        Write(a, "page");
        ASSERT_EQ(first.Reserve(c, {}), 0u);
        EXPECT_TRUE(Exists(a));
        // `b` got no page: it goes with its job; an empty file the job wrote itself stays.
        Write(c, "");
        first.Settle({dir + L"\\C.bmp"});
        EXPECT_TRUE(Exists(c));
    }
    EXPECT_TRUE(Exists(a));
    EXPECT_FALSE(Exists(b));
    // A directory that does not exist is an error of its own, not a taken name.
    tw::CNameReservation missing;
    const DWORD error = missing.Reserve(dir + L"\\none\\x.bmp", {});
    EXPECT_NE(error, 0u);
    EXPECT_FALSE(tw::IsNameTaken(error));
    ::DeleteFileW(a.c_str());
    ::DeleteFileW(c.c_str());
    ::RemoveDirectoryW(dir.c_str());
}

}  // namespace
