// The per-job Save-As answers: option tables, the browser's redirected root, reads and deletes.
#include "job/SaveAsOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"

using namespace tw;
using namespace tw::settings;

namespace {

constexpr DWORD kJob = 77;

class SettingsSaveAs : public twtest::SettingsPrinter {
protected:
    std::wstring Record(const wchar_t* root = kRoot) const { return Group(SaveAsGroupFormat(kJob), root); }
    // A made-up SID unique to the test, and the redirected root it leads to.
    std::wstring RedirectToBrowserHive() {
        std::wstring sid = FormatW(L"S-1-5-21-%lu-%lu", ::GetCurrentProcessId(), printerId);
        dm.SetText(dmtext::UserSid, sid);
        dm.SetBits(dmoff::FontOptions, sizeof(BYTE), dmfont::FromLowIntegrityBrowser, true);
        std::wstring userKey = L"Software\\Microsoft\\Internet Explorer\\InternetRegistry\\REGISTRY\\USER\\" + sid;
        RemoveAfterwards(HKEY_CURRENT_USER, userKey);
        return userKey + L"\\" + kRoot;
    }
};

}  // namespace

TEST(SettingsSaveAsTables, RowsAreFixed) {
    EXPECT_EQ(kSaveAsDwordOptionCount, 105u);
    EXPECT_EQ(kSaveAsTextOptionCount, 58u);
    EXPECT_EQ(SaveAsDwordIndex(L"File Format"), 0);
    EXPECT_EQ(SaveAsDwordIndex(L"Enable OCR"), 71);
    EXPECT_EQ(SaveAsDwordIndex(L"Force Save As Dialog"), 72);
    EXPECT_EQ(SaveAsDwordIndex(L"Collate pages"), 98);
    EXPECT_EQ(SaveAsDwordIndex(L"Redirect Printing Print as Bitmap"), 104);
    EXPECT_EQ(SaveAsTextIndex(L"Output Path"), 0);
    EXPECT_EQ(SaveAsTextIndex(L"Printer %d"), 13);
    EXPECT_EQ(SaveAsTextIndex(L"Display Error Message"), 57);
    // Exact names only.
    EXPECT_EQ(SaveAsDwordIndex(L"file format"), -1);
    EXPECT_EQ(SaveAsDwordIndex(L"Output Path"), -1);
    EXPECT_EQ(SaveAsTextIndex(L"Printer 2"), -1);
    EXPECT_EQ(SaveAsTextIndex(L""), -1);
}

TEST_F(SettingsSaveAs, ReadsTheJobsAnswers) {
    SetDword(Record(), L"Color Depth", 8);
    SetText(Record(), L"Output Path", L"C:\\Out");
    SetText(Record(), L"Printer 2", L"Second");
    DWORD value = 0;
    ASSERT_TRUE(ReadSaveAsDword(&dm, SaveAsDwordIndex(L"Color Depth"), kJob, value));
    EXPECT_EQ(value, 8u);
    EXPECT_TRUE(ReadSaveAsDword(&dm, L"Color Depth", kJob, value));
    EXPECT_FALSE(ReadSaveAsDword(&dm, L"Color Depth", kJob + 1, value));
    EXPECT_FALSE(ReadSaveAsDword(&dm, -1, kJob, value));
    EXPECT_FALSE(ReadSaveAsDword(&dm, 105, kJob, value));
    EXPECT_FALSE(ReadSaveAsDword(&dm, L"Not An Option", kJob, value));

    wchar_t buf[64];
    DWORD size = 0;
    EXPECT_FALSE(ReadSaveAsText(&dm, 0, kJob, nullptr, size));
    EXPECT_EQ(size, 7 * sizeof(wchar_t));
    size = sizeof(buf);
    ASSERT_TRUE(ReadSaveAsText(&dm, 0, kJob, buf, size));
    EXPECT_STREQ(buf, L"C:\\Out");
    size = sizeof(buf);
    ASSERT_TRUE(ReadSaveAsText(&dm, L"Printer 2", kJob, buf, size));
    EXPECT_STREQ(buf, L"Second");
    size = sizeof(buf);
    EXPECT_FALSE(ReadSaveAsText(&dm, L"Printer x", kJob, buf, size));
    EXPECT_FALSE(ReadSaveAsText(&dm, 58, kJob, buf, size));

    ASSERT_TRUE(DeleteSaveAsRecord(&dm, kJob));
    EXPECT_FALSE(Exists(Record()));
    EXPECT_TRUE(Exists(PrinterKey() + L"\\Save As Option Settings"));
    EXPECT_FALSE(DeleteSaveAsRecord(&dm, kJob));
}

TEST_F(SettingsSaveAs, LowIntegrityBrowserJobsReadTheRedirectedHive) {
    EXPECT_EQ(SaveAsRoot(&dm), kRoot);
    std::wstring redirected = RedirectToBrowserHive();
    EXPECT_EQ(SaveAsRoot(&dm), redirected);
    SetDword(Record(), L"File Format", 1);                       // the normal root: not read
    SetDword(Record(redirected.c_str()), L"File Format", 2);
    DWORD value = 0;
    ASSERT_TRUE(ReadSaveAsDword(&dm, 0, kJob, value));
    EXPECT_EQ(value, 2u);
    ASSERT_TRUE(DeleteSaveAsRecord(&dm, kJob));
    EXPECT_FALSE(Exists(Record(redirected.c_str())));
    EXPECT_TRUE(Exists(Record()));
    // Other settings stay in the normal root.
    SetDword(Group(kPageSettings), kForcePaperSize, 9);
    EXPECT_EQ(ReadDwordOr(&dm, kPageSettings, kForcePaperSize, 1), 9u);
}

TEST_F(SettingsSaveAs, RedirectionWithoutAUsableSidReadsNothing) {
    dm.SetBits(dmoff::FontOptions, sizeof(BYTE), dmfont::FromLowIntegrityBrowser, true);
    SetDword(Record(), L"File Format", 1);
    DWORD value = 0;
    EXPECT_TRUE(SaveAsRoot(&dm).empty());
    EXPECT_FALSE(ReadSaveAsDword(&dm, 0, kJob, value));
    dm.SetText(dmtext::UserSid, L"S-1-5\\..\\x");
    EXPECT_TRUE(SaveAsRoot(&dm).empty());
    EXPECT_FALSE(DeleteSaveAsRecord(&dm, kJob));
    EXPECT_TRUE(SaveAsRoot(nullptr).empty());
}
