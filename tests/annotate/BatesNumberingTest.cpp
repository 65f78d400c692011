// Bates formats in the registry, the counter they keep and the text of a number.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include "annotate/BatesNumbering.h"
#include "job/SettingsStore.h"
#include "support/TestSupport.h"

namespace {

using namespace tw;

class BatesFormats : public ::testing::Test {
protected:
    BatesFormats() : printer(twtest::UniqueName(L"Bates")) {}
    ~BatesFormats() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(settings::kRoot) + L"\\" + printer).c_str());
    }
    void Set(int index, const wchar_t* name, const std::wstring& value) {
        const std::wstring key = std::wstring(settings::kRoot) + L"\\" + BatesFormatKey(printer, index);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value.c_str(),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    void Standard(int index) {
        Set(index, L"Name", L"Contracts");
        Set(index, L"Use prefix", L"1");
        Set(index, L"Prefix", L"AB");
        Set(index, L"Start with", L"41");
        Set(index, L"Bates Number Length", L"6");
        Set(index, L"Bates Padding Character", L"0");
        Set(index, L"Font Facename", L"Arial");
        Set(index, L"Position", L"4");
    }
    std::wstring Counter(int index) {
        std::wstring text;
        settings::ReadRegistryString(BatesFormatKey(printer, index).c_str(), text, 20, L"", L"Start with");
        return text;
    }
    std::wstring printer;
};

TEST_F(BatesFormats, PrefixPaddingAndCounter) {
    Standard(0);
    BatesFormat f{};
    ASSERT_TRUE(LoadBatesFormatFromRegistry(0, f, printer));
    EXPECT_STREQ(f.prefix, L"AB");
    EXPECT_EQ(f.position, 4u);
    EXPECT_EQ(BatesText(f, TakeBatesNumber(0, printer)), L"AB000041");
    EXPECT_EQ(Counter(0), L"42");
    EXPECT_EQ(BatesDigits(f, 42), L"000042");
    // Without the prefix switch, and with no minimum length: "%s%d".
    f.usePrefix = 0;
    f.minLength = 0;
    EXPECT_EQ(BatesText(f, 7), L"7");
    // Without a padding character the number is filled with zeros, not with terminators.
    Set(0, L"Bates Padding Character", L"");
    ASSERT_TRUE(LoadBatesFormatFromRegistry(0, f, printer));
    EXPECT_EQ(BatesText(f, 42), L"AB000042");
    // A minimum length of 20 counts as 16.
    Set(0, L"Bates Number Length", L"20");
    ASSERT_TRUE(LoadBatesFormatFromRegistry(0, f, printer));
    EXPECT_EQ(BatesText(f, 5), L"AB0000000000000005");
}

TEST_F(BatesFormats, InvalidFormatsAndTheirRules) {
    BatesFormat f{};
    EXPECT_FALSE(LoadBatesFormatFromRegistry(-1, f, printer));
    EXPECT_FALSE(LoadBatesFormatFromRegistry(3, f, printer));  // no such format
    Standard(1);
    Set(1, L"Prefix", std::wstring(40, L'P'));  // longer than its field: missing
    EXPECT_FALSE(LoadBatesFormatFromRegistry(1, f, printer));
    Set(1, L"Prefix", L"X");
    Set(1, L"Reset bates number at every printing", L"1");
    Set(1, L"Reset bates number", L"500");
    ASSERT_TRUE(LoadBatesFormatFromRegistry(1, f, printer));
    EXPECT_EQ(f.resetAtEveryPrinting, 1u);
    EXPECT_EQ(f.resetStart, 500u);
    // Counting documents turns the reset off.
    Set(1, L"Increase on each document", L"1");
    ASSERT_TRUE(LoadBatesFormatFromRegistry(1, f, printer));
    EXPECT_EQ(f.resetAtEveryPrinting, 0u);
}

TEST_F(BatesFormats, ThreadsTakingNumbersAtOnceNeverShareOne) {
    Standard(0);
    Set(0, L"Start with", L"1000");
    constexpr int kThreads = 4, kEach = 40;
    std::vector<std::vector<DWORD>> taken(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) taken[t].push_back(TakeBatesNumber(0, printer));
        });
    for (auto& t : threads) t.join();
    std::set<DWORD> all;
    for (const auto& list : taken) all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(*all.begin(), 1000u);
    EXPECT_EQ(*all.rbegin(), 1000u + kThreads * kEach - 1);
    EXPECT_EQ(Counter(0), std::to_wstring(1000 + kThreads * kEach));
}

}  // namespace
