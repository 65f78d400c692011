// The registry change watch on the real registry: what counts as a change below the key, and
// that a watch on a key that went away stays unchanged-never until armed on the key again.
#include <gtest/gtest.h>

#include <string>

#include "base/Registry.h"
#include "base/RegistryWatch.h"

namespace {

const std::wstring kWatched = L"Software\\TarnwellTests\\RegistryWatch";

class RegistryWatchTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kWatched.c_str()); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kWatched.c_str()); }
    static void SetNumber(const std::wstring& sub, const wchar_t* name, DWORD value) {
        tw::UniqueHKey key = tw::CreateKey(HKEY_CURRENT_USER, kWatched + sub);
        ASSERT_TRUE(key);
        ASSERT_EQ(tw::SetDwordValue(key.get(), name, value), ERROR_SUCCESS);
    }
};

TEST_F(RegistryWatchTest, ChangesBelowTheKeyAreSeenUntilArmedAgain) {
    tw::RegistryWatch watch;
    EXPECT_FALSE(watch.Unchanged());  // never armed
    EXPECT_FALSE(watch.Arm(HKEY_CURRENT_USER, kWatched)) << "the key does not exist yet";
    EXPECT_FALSE(watch.Unchanged());

    SetNumber(L"", L"Top", 1);
    ASSERT_TRUE(watch.Arm(HKEY_CURRENT_USER, kWatched));
    EXPECT_TRUE(watch.Unchanged());
    EXPECT_TRUE(watch.Unchanged()) << "a check changes nothing";

    // A value set two levels down.
    SetNumber(L"\\Printer\\Page Settings", L"Width", 100);
    EXPECT_FALSE(watch.Unchanged());
    EXPECT_FALSE(watch.Unchanged()) << "the change is kept until the watch is armed again";
    ASSERT_TRUE(watch.Arm(HKEY_CURRENT_USER, kWatched));
    EXPECT_TRUE(watch.Unchanged());

    // The same value written again with another number, a key made, a key removed.
    SetNumber(L"\\Printer\\Page Settings", L"Width", 200);
    EXPECT_FALSE(watch.Unchanged());
    ASSERT_TRUE(watch.Arm(HKEY_CURRENT_USER, kWatched));
    tw::UniqueHKey made = tw::CreateKey(HKEY_CURRENT_USER, kWatched + L"\\Printer\\OCR");
    EXPECT_FALSE(watch.Unchanged());
    ASSERT_TRUE(watch.Arm(HKEY_CURRENT_USER, kWatched));
    made.reset();
    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, (kWatched + L"\\Printer\\OCR").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(watch.Unchanged());

    // Reading changes nothing; a change beside the key is not below it.
    ASSERT_TRUE(watch.Arm(HKEY_CURRENT_USER, kWatched));
    tw::UniqueHKey read = tw::OpenKey(HKEY_CURRENT_USER, kWatched + L"\\Printer\\Page Settings", KEY_QUERY_VALUE);
    DWORD value = 0, size = sizeof(value);
    EXPECT_EQ(::RegQueryValueExW(read.get(), L"Width", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    {
        tw::UniqueHKey beside = tw::CreateKey(HKEY_CURRENT_USER, L"Software\\TarnwellTests\\RegistryWatchBeside");
        ASSERT_TRUE(beside);
        tw::SetDwordValue(beside.get(), L"X", 1);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TarnwellTests\\RegistryWatchBeside");
    EXPECT_TRUE(watch.Unchanged());

    // The watched key itself removed: changed, and no watch can be armed until it is back.
    read.reset();
    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, kWatched.c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(watch.Unchanged());
    EXPECT_FALSE(watch.Arm(HKEY_CURRENT_USER, kWatched));
    EXPECT_FALSE(watch.Unchanged());
    SetNumber(L"", L"Top", 2);
    ASSERT_TRUE(watch.Arm(HKEY_CURRENT_USER, kWatched));
    EXPECT_TRUE(watch.Unchanged());
    watch.Disarm();
    EXPECT_FALSE(watch.Unchanged());
}

}  // namespace
