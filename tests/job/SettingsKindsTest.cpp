// Yes-flags, numbers stored as text and the typed settings with rules of their own.
#include "job/SettingsAccessors.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"

using namespace tw;
using namespace tw::settings;

namespace {
class SettingsKinds : public twtest::SettingsPrinter {};
}  // namespace

TEST_F(SettingsKinds, YesFlagIsExactlyYesInAnyCase) {
    struct { const wchar_t* stored; bool read; } cases[] = {
        {L"yes", true},  {L"YES", true},   {L"Yes", true},      {L"yEs", true},     {L"y", false},
        {L"1", false},   {L"true", false}, {L"yes ", false},    {L" yes", false},   {L"", false},
        {L"no", false},  {L"yes\tno", false}};
    for (const auto& c : cases) {
        SetText(Group(kPostPrintSettings), kSendInEmail, c.stored);
        EXPECT_EQ(ReadYesFlag(&dm, kPostPrintSettings, kSendInEmail), c.read) << c.stored;
    }
    EXPECT_FALSE(ReadYesFlag(&dm, kPostPrintSettings, kFtpUpload));
    EXPECT_TRUE(ReadYesFlag(&dm, kPostPrintSettings, kFtpUpload, true));
}

TEST_F(SettingsKinds, TextsBeyondSevenCharactersCountAsMissing) {
    SetText(Group(kPostPrintSettings), kSendInEmail, L"yes1234");  // seven: read, not "yes"
    EXPECT_FALSE(ReadYesFlag(&dm, kPostPrintSettings, kSendInEmail, true));
    SetText(Group(kPostPrintSettings), kSendInEmail, L"yes12345");  // eight: missing
    EXPECT_FALSE(ReadYesFlag(&dm, kPostPrintSettings, kSendInEmail));
    EXPECT_TRUE(ReadYesFlag(&dm, kPostPrintSettings, kSendInEmail, true));
    // A DWORD where a text belongs is no text.
    SetDword(Group(kPostPrintSettings), kHttpUpload, 1);
    EXPECT_FALSE(ReadYesFlag(&dm, kPostPrintSettings, kHttpUpload));

    SetText(Group(kHtmlSettings), kHtmlSeparatePages, L"12345678");
    EXPECT_EQ(ReadNumberText(&dm, kHtmlSettings, kHtmlSeparatePages, -1), -1);
}

TEST_F(SettingsKinds, NumberTextTakesLeadingDigits) {
    struct { const wchar_t* stored; int read; } cases[] = {
        {L"42", 42}, {L"  -7x", -7}, {L"+15", 15}, {L"abc", 0}, {L"", 0}, {L"3.9", 3}, {L"9999999", 9999999}};
    for (const auto& c : cases) {
        SetText(Group(kPageSettings), kPageRotation, c.stored);
        EXPECT_EQ(ReadNumberText(&dm, kPageSettings, kPageRotation, 55), c.read) << c.stored;
    }
    EXPECT_EQ(ReadNumberText(&dm, kPageSettings, L"Missing", 55), 55);
}

TEST_F(SettingsKinds, CollatePagesIsTrueUnlessSaidOtherwise) {
    EXPECT_TRUE(ReadCollatePages(&dm));
    SetText(Group(kRedirectPrintingSettings), kCollatePages, L"no");
    EXPECT_FALSE(ReadCollatePages(&dm));
    SetText(Group(kRedirectPrintingSettings), kCollatePages, L"Yes");
    EXPECT_TRUE(ReadCollatePages(&dm));
}

TEST_F(SettingsKinds, VisibilityIsClampedAsASignedNumber) {
    EXPECT_EQ(ReadVisibility(&dm), 100);
    struct { DWORD stored; int read; } cases[] = {{250, 100}, {100, 100}, {37, 37}, {0, 0}, {DWORD(-5), 0},
                                                   {0x80000000u, 0}};
    for (const auto& c : cases) {
        SetDword(Group(kTextWatermarkStampSettings), kVisibility, c.stored);
        EXPECT_EQ(ReadVisibility(&dm), c.read) << c.stored;
    }
}

TEST_F(SettingsKinds, FirstImageBrightnessAndPosition) {
    EXPECT_EQ(ReadFirstImageBrightness(&dm, false), 40u);
    EXPECT_EQ(ReadFirstImagePosition(&dm, true), 4u);
    SetDword(Group(kWatermarkSettings), kFirstImagePortraitBrightness, 101);
    SetDword(Group(kWatermarkSettings), kFirstImageLandscapeBrightness, 100);
    EXPECT_EQ(ReadFirstImageBrightness(&dm, false), 40u);
    EXPECT_EQ(ReadFirstImageBrightness(&dm, true), 100u);
    struct { DWORD stored, read; } positions[] = {{1, 1}, {3, 4}, {0, 4}, {64, 64}, {128, 128}, {256, 4}, {6, 4}};
    for (const auto& p : positions) {
        SetDword(Group(kWatermarkSettings), kFirstImageLandscapePosition, p.stored);
        EXPECT_EQ(ReadFirstImagePosition(&dm, true), p.read) << p.stored;
    }
    EXPECT_EQ(ReadFirstImagePosition(&dm, false), 4u);  // the other orientation is its own value
}

TEST_F(SettingsKinds, NoPageHeadersIsTheTextNo) {
    EXPECT_FALSE(ReadNoPageHeaders(&dm));
    struct { const wchar_t* stored; bool read; } cases[] = {{L"no", true}, {L"NO", true}, {L"No", true},
                                                            {L"yes", false}, {L"none", false}, {L"", false}};
    for (const auto& c : cases) {
        SetText(Group(kTextOutputSettings), kNoPageHeaders, c.stored);
        EXPECT_EQ(ReadNoPageHeaders(&dm), c.read) << c.stored;
    }
}

TEST_F(SettingsKinds, OutputDirectoryFromClientComesFromTheDefaultUser) {
    SetDword(Group(kFilenameGenerationSettings), kUseOutputDirectoryFromClient, 1);  // HKCU: ignored
    EXPECT_FALSE(ReadUseOutputDirectoryFromClient(&dm));
    std::wstring defaultUser = std::wstring(kDefaultUserRoot) + L"\\" + name;
    RemoveAfterwards(HKEY_USERS, defaultUser);
    SetDword(Group(kFilenameGenerationSettings, kDefaultUserRoot), kUseOutputDirectoryFromClient, 2, HKEY_USERS);
    EXPECT_TRUE(ReadUseOutputDirectoryFromClient(&dm));
    SetDword(Group(kFilenameGenerationSettings, kDefaultUserRoot), kUseOutputDirectoryFromClient, 0, HKEY_USERS);
    EXPECT_FALSE(ReadUseOutputDirectoryFromClient(&dm));
}
