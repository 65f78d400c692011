// The global accessors, sub-keys given whole below the root.
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"

using namespace tw;
using namespace tw::settings;

namespace {
class SettingsGlobal : public twtest::SettingsPrinter {};
}  // namespace

TEST_F(SettingsGlobal, ReadRegistryStringFallsBackToTheDefault) {
    std::wstring sub = name + L"\\BatesNumbering";
    SetText(PrinterKey() + L"\\BatesNumbering", L"Format", L"ABC-123");
    std::wstring out;
    EXPECT_TRUE(ReadRegistryString(sub.c_str(), out, 260, L"dflt", L"Format"));
    EXPECT_EQ(out, L"ABC-123");
    EXPECT_TRUE(ReadRegistryString(sub.c_str(), out, 7, L"dflt", L"Format"));  // exactly the limit
    EXPECT_FALSE(ReadRegistryString(sub.c_str(), out, 6, L"dflt", L"Format"));
    EXPECT_EQ(out, L"dflt");
    out = L"x";
    EXPECT_FALSE(ReadRegistryString(sub.c_str(), out, 260, L"dflt", L"Missing"));
    EXPECT_EQ(out, L"dflt");
    EXPECT_FALSE(ReadRegistryString((name + L"\\NoSuchGroup").c_str(), out, 260, nullptr, L"Format"));
    EXPECT_EQ(out, L"");
    EXPECT_FALSE(ReadRegistryString(nullptr, out, 260, L"dflt", L"Format"));
    EXPECT_FALSE(ReadRegistryString(sub.c_str(), out, 260, L"dflt", nullptr));

    // A text longer than the 520-byte buffer is unreadable, not cut.
    SetText(PrinterKey() + L"\\BatesNumbering", L"Long", std::wstring(300, L'7'));
    EXPECT_FALSE(ReadRegistryString(sub.c_str(), out, 1000, L"dflt", L"Long"));
    EXPECT_EQ(out, L"dflt");
}

TEST_F(SettingsGlobal, ReadRegistryIntTreatsErrorAsZero) {
    std::wstring sub = name + L"\\BatesNumbering";
    SetText(PrinterKey() + L"\\BatesNumbering", L"A", L"123");
    SetText(PrinterKey() + L"\\BatesNumbering", L"B", L"Error");
    SetText(PrinterKey() + L"\\BatesNumbering", L"C", L"-45abc");
    EXPECT_EQ(ReadRegistryInt(sub.c_str(), L"A"), 123);
    EXPECT_EQ(ReadRegistryInt(sub.c_str(), L"B"), 0);
    EXPECT_EQ(ReadRegistryInt(sub.c_str(), L"C"), -45);
    EXPECT_EQ(ReadRegistryInt(sub.c_str(), L"Missing"), 0);
    SetText(PrinterKey() + L"\\BatesNumbering", L"D", L"99999999999999");
    EXPECT_EQ(ReadRegistryInt(sub.c_str(), L"D"), INT_MAX);
}

TEST_F(SettingsGlobal, WriteRegistryStringWritesStartWith) {
    std::wstring sub = name + L"\\BatesNumbering";
    ASSERT_TRUE(WriteRegistryString(sub.c_str(), L"000124"));
    std::wstring out;
    EXPECT_TRUE(ReadRegistryString(sub.c_str(), out, 260, L"", kStartWith));
    EXPECT_EQ(out, L"000124");
    auto [type, data] = Raw(PrinterKey() + L"\\BatesNumbering", kStartWith);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data.size(), 7 * sizeof(wchar_t));  // terminator counted
    EXPECT_FALSE(WriteRegistryString(nullptr, L"1"));
    EXPECT_FALSE(WriteRegistryString(sub.c_str(), nullptr));
}
