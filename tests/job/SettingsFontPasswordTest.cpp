// Fonts of the annotation groups and the scrambled FTP passwords.
#include <cstring>

#include "job/SettingsAccessors.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"

using namespace tw;
using namespace tw::settings;

namespace {

class SettingsFont : public twtest::SettingsPrinter {
protected:
    void StoreFont(const wchar_t* groupFormat, const std::wstring& prefix) {
        const std::pair<const wchar_t*, DWORD> values[] = {
            {kFontHeight, DWORD(-24)}, {kFontWidth, 10},         {kFontEscapement, 900}, {kFontOrientation, 450},
            {kFontWeight, 700},        {kFontItalic, 1},         {kFontUnderline, 0x101}, {kFontStrikeout, 0},
            {kFontCharset, 2},         {kFontOutPrecision, 3},   {kFontClipPrecision, 4}, {kFontQuality, 5},
            {kFontPitchAndFamily, 0x22}};
        for (const auto& [n, v] : values) SetDword(Group(groupFormat), (prefix + n).c_str(), v);
        SetText(Group(groupFormat), (prefix + kFontFaceName).c_str(), L"Liberation Sans");
    }
};

bool IsZero(const LOGFONTW& f) {
    LOGFONTW zero;
    std::memset(&zero, 0, sizeof(zero));
    return std::memcmp(&f, &zero, sizeof(f)) == 0;
}

}  // namespace

TEST_F(SettingsFont, ReadsEveryFieldInOrder) {
    StoreFont(kHeaderSettings, kHeaderPrefix);
    LOGFONTW f;
    std::memset(&f, 0xCC, sizeof(f));
    ASSERT_TRUE(ReadFont(&dm, kHeaderSettings, kHeaderPrefix, f));
    EXPECT_EQ(f.lfHeight, -24);
    EXPECT_EQ(f.lfWidth, 10);
    EXPECT_EQ(f.lfEscapement, 900);
    EXPECT_EQ(f.lfOrientation, 450);
    EXPECT_EQ(f.lfWeight, 700);
    EXPECT_EQ(f.lfItalic, 1);
    EXPECT_EQ(f.lfUnderline, 1);  // low byte only
    EXPECT_EQ(f.lfStrikeOut, 0);
    EXPECT_EQ(f.lfCharSet, 2);
    EXPECT_EQ(f.lfOutPrecision, 3);
    EXPECT_EQ(f.lfClipPrecision, 4);
    EXPECT_EQ(f.lfQuality, 5);
    EXPECT_EQ(f.lfPitchAndFamily, 0x22);
    EXPECT_STREQ(f.lfFaceName, L"Liberation Sans");
    // The footer group has its own names.
    EXPECT_FALSE(ReadFont(&dm, kFooterSettings, kFooterPrefix, f));
}

TEST_F(SettingsFont, AnyMissingValueMeansNoFont) {
    StoreFont(kHeaderSettings, kHeaderPrefix);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, Group(kHeaderSettings).c_str(), L"Header Font Quality");
    LOGFONTW f;
    std::memset(&f, 0xCC, sizeof(f));
    EXPECT_FALSE(ReadFont(&dm, kHeaderSettings, kHeaderPrefix, f));
    EXPECT_TRUE(IsZero(f));

    // The stamp group's names have no prefix; a face name over 64 bytes is unreadable.
    StoreFont(kTextWatermarkStampSettings, kStampPrefix);
    ASSERT_TRUE(ReadFont(&dm, kTextWatermarkStampSettings, kStampPrefix, f));
    SetText(Group(kTextWatermarkStampSettings), kFontFaceName, std::wstring(32, L'F'));
    EXPECT_FALSE(ReadFont(&dm, kTextWatermarkStampSettings, kStampPrefix, f));
    SetText(Group(kTextWatermarkStampSettings), kFontFaceName, std::wstring(31, L'F'));
    EXPECT_TRUE(ReadFont(&dm, kTextWatermarkStampSettings, kStampPrefix, f));
    EXPECT_FALSE(ReadFont(&dm, kTextWatermarkStampSettings, nullptr, f));
}

TEST(SettingsPassword, ScrambleAndUnscramble) {
    EXPECT_EQ(ScramblePassword(L"abc"), L"5D5E5F");
    EXPECT_EQ(UnscramblePassword(L"5D5E5F"), L"abc");
    std::wstring all;
    for (wchar_t c = 1; c < 0x100; ++c) all.push_back(c);
    EXPECT_EQ(UnscramblePassword(ScramblePassword(all)), all);
    EXPECT_EQ(ScramblePassword(L""), L"");
    EXPECT_EQ(UnscramblePassword(L""), L"");
}

TEST(SettingsPassword, MalformedTextStopsAtTheFirstBadPair) {
    EXPECT_EQ(UnscramblePassword(L"5d5E"), L"");      // lower-case digits are not digits here
    EXPECT_EQ(UnscramblePassword(L"5D5E5"), L"ab");   // odd digit dropped
    EXPECT_EQ(UnscramblePassword(L"5DZZ5E"), L"a");
    EXPECT_EQ(UnscramblePassword(L"5D3C5E"), L"a");   // a scrambled terminator ends the text
    // A character two digits cannot hold ends the scrambled text.
    EXPECT_EQ(ScramblePassword(L"a\x20AC" L"b"), L"5D");
}

TEST_F(SettingsFont, FtpPasswordIsReadAndUnscrambled) {
    SetText(Group(FtpConnectionGroupFormat(2)), kFtpPassword, ScramblePassword(L"s3cret!"));
    EXPECT_EQ(FtpConnectionGroupFormat(2), L"%s\\Post Print Settings\\FTP Settings\\2");
    EXPECT_EQ(ReadFtpPassword(&dm, 2, kFtpPassword), L"s3cret!");
    EXPECT_FALSE(ReadFtpPassword(&dm, 2, kFtpProxyUserPassword));
    EXPECT_FALSE(ReadFtpPassword(&dm, 1, kFtpPassword));
}
