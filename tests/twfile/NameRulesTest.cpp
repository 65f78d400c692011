// The text rules of output names, the name sources, the output checks and the page geometry of
// group files.
#include <gtest/gtest.h>

#include <set>

#include "base/Registry.h"
#include "host/DevModeBuilder.h"
#include "portcmd/DevModeLayout.h"
#include "support/TestSupport.h"
#include "twfile/FileNameRules.h"
#include "twfile/GroupFile.h"
#include "twfile/NameSources.h"
#include "twfile/OutputValidation.h"

namespace {

TEST(NameRules, DocumentNamesBecomePlainFileNames) {
    EXPECT_EQ(tw::CleanDocumentFileName(L"Report.final.docx", L"tif"), L"Report.final.tif");
    EXPECT_EQ(tw::CleanDocumentFileName(L"a:b?c", L"bmp"), L"abc.bmp");
    EXPECT_EQ(tw::CleanDocumentFileName(L"v1.2 release", L"tif"), L"v1.2 release.tif");
    EXPECT_EQ(tw::CleanDocumentFileName(L"..\\..\\x", L"tif"), L"....tif");  // "\\x" counts as an extension
    EXPECT_EQ(tw::CleanDocumentFileName(L"COM1", L"tif"), L"_COM1.tif");
    EXPECT_EQ(tw::CleanDocumentFileName(L"lpt9 .x", L"tif"), L"_lpt9 .tif");
    EXPECT_EQ(tw::CleanDocumentFileName(L"Console", L"tif"), L"Console.tif");
    EXPECT_EQ(tw::CleanDocumentFileName(std::wstring(2000, L'x'), L"tif").size(), 1024u);
}

TEST(NameRules, OnlyPlainNamesComeFromTheContent) {
    for (const wchar_t* bad : {L"..\\x.tif", L"C:\\x.tif", L"C:x.tif", L"\\\\srv\\x.tif", L"a/b.tif", L"..", L".",
                               L"", L"NUL", L"aux.txt", L"CONOUT$", L"x\ty"})
        EXPECT_FALSE(tw::IsSafeDocumentFileName(bad)) << bad;
    for (const wchar_t* good : {L"Scan 7.pdf", L"..x", L"con-tract.tif", L"NULL.tif"})
        EXPECT_TRUE(tw::IsSafeDocumentFileName(good)) << good;
    EXPECT_TRUE(tw::HasInvalidNameCharacter(L"C:\\a:b"));
    EXPECT_FALSE(tw::HasInvalidNameCharacter(L"C:\\a\\b.tif"));
    EXPECT_TRUE(tw::HasInvalidNameCharacter(L"a\nb"));
}

TEST(NameRules, ExtensionsAndNumbers) {
    EXPECT_EQ(tw::ApplyExtensionRule(L"C:\\d.x\\report", L"tif", false), L"C:\\d.x\\report.tif");
    EXPECT_EQ(tw::ApplyExtensionRule(L"report.", L"tif", false), L"report.tif");
    EXPECT_EQ(tw::ApplyExtensionRule(L"report.pdf", L"tif", false), L"report.pdf");
    EXPECT_EQ(tw::ApplyExtensionRule(L"report.PDF", L"pdf", true), L"report.PDF");
    EXPECT_EQ(tw::ApplyExtensionRule(L"report.pdf", L"tif", true), L"report.pdf.tif");

    std::set<std::wstring> existing{L"report000003.tif", L"report000003 (1).tif", L"Invoice.tif"};
    auto exists = [&](const std::wstring& n) { return existing.count(n) != 0; };
    tw::NumberingRequest page{true, false, false, 3};
    EXPECT_EQ(tw::ApplyNumbering(L"report.tif", page, exists), L"report000003.tif");
    tw::NumberingRequest pageAndCollision{true, true, true, 3};
    EXPECT_EQ(tw::ApplyNumbering(L"report.tif", pageAndCollision, exists), L"report000003 (2).tif");
    tw::NumberingRequest collision{false, true, false, 1};
    EXPECT_EQ(tw::ApplyNumbering(L"Invoice.tif", collision, exists), L"Invoice (1).tif");
    EXPECT_EQ(tw::SheetNumber(6, 3), 3u);
    EXPECT_EQ(tw::SheetNumber(6, 0), 7u);
}

TEST(NameSources, RegistryKeysUnderEitherRoot) {
    const std::wstring sub = L"SOFTWARE\\" + twtest::UniqueName(L"TwNameSource");
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const std::wstring path = (root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + sub;
        {
            tw::UniqueHKey key = tw::CreateKey(root, sub);
            ASSERT_TRUE(key);
            tw::WriteString(key.get(), L"File Name", L"C:\\out\\x.tif");
            tw::WriteDword(key.get(), L"File Name Prefix", 5);
            tw::WriteString(key.get(), L"Output Directory", std::wstring(600, L'd'));
        }
        EXPECT_EQ(tw::ReadNameSourceValue(path, L"File Name").value_or(L"-"), L"C:\\out\\x.tif");
        EXPECT_FALSE(tw::ReadNameSourceValue(path, L"File Name Prefix"));  // not a string
        EXPECT_FALSE(tw::ReadNameSourceValue(path, L"Output Directory"));  // longer than 511
        EXPECT_FALSE(tw::ReadNameSourceValue(path, L"Missing"));
        ::RegDeleteTreeW(root, sub.c_str());
    }
    EXPECT_FALSE(tw::ReadNameSourceValue(L"HKEY_USERS\\.DEFAULT", L"x"));
}

TEST(OutputChecks, MessagesNameTheProblem) {
    const std::wstring dir = twtest::MakeTempDir(L"chk");
    std::wstring d = dir;
    EXPECT_TRUE(tw::CheckOutputDirectory(L"P: ", d).ok);
    EXPECT_EQ(d, dir + L"\\");
    std::wstring empty;
    EXPECT_EQ(tw::CheckOutputDirectory(L"P: ", empty).message, L"25: P: . Directory name not specified.");
    std::wstring missing = dir + L"\\no";
    EXPECT_EQ(tw::CheckOutputDirectory(L"P: ", missing).message, L"25: P: \"" + dir + L"\\no\\\". Directory not found.");

    EXPECT_TRUE(tw::CheckOutputFile(L"P: ", (dir + L"\\new.tif").c_str()).ok);
    EXPECT_EQ(tw::CheckOutputFile(L"P: ", nullptr).message, L"25: P:  Filename not specified.");
    tw::CheckResult noDir = tw::CheckOutputFile(L"P: ", (dir + L"\\no\\x.tif").c_str());
    EXPECT_EQ(noDir.message, L"25: P: \"" + dir + L"\\no\\\". Directory not found. Windows Error Code: 3");
    EXPECT_EQ(tw::CheckOutputFile(L"P: ", L"x.tif").message, L"25: P: \"\". Windows Error Code: 87");
    // No probe file is left behind.
    WIN32_FIND_DATAW found{};
    tw::UniqueFindFile search(::FindFirstFileW((dir + L"\\~TW*").c_str(), &found));
    EXPECT_FALSE(search);
    EXPECT_EQ(tw::CreationFailureText(L"D\\", 0), L"25: Could not create file. Please check the access rights of the directory: \"D\\\"");
    EXPECT_EQ(tw::CreationFailureText(L"D\\", 3), L"25: Could not create file. Directory not found: \"D\\\". Windows Error Code: 3");
    EXPECT_EQ(tw::CreationFailureText(L"D\\", 5),
              L"25: Could not create file. Please check the access rights of the directory: \"D\\\". Windows Error Code: 5");
    EXPECT_EQ(tw::CreationFailureText(L"D\\", 206), L"25: Could not create file. Cannot access directory: \"D\\\". Windows Error Code: 206");
    twtest::RemoveTree(dir);
}

TEST(GroupFileGeometry, FaxAndRotatedPages) {
    twhost::DevModeBuilder b(L"Geometry");
    tw::TarnwellDEVMODE& dm = b.Record();
    dm.Write<LONG>(tw::dmoff::PageWidthInPixels, 1700);
    dm.Write<LONG>(tw::dmoff::PageHeightInPixels, 2200);
    dm.Write<short>(tw::dmoff::dmPrintQuality, 200);
    dm.Write<short>(tw::dmoff::dmYResolution, 200);
    dm.SetFlag(tw::dmflag::IsFaxOutputEnabled, true);
    tw::DmSetFaxResolutionMode(&dm, 1);
    tw::GroupPageGeometry g = tw::GroupFileGeometry(&dm);
    EXPECT_EQ(g.width, 1728);
    EXPECT_EQ(g.height, 2156);  // 196 x 2200 / 200
    EXPECT_EQ(g.xDpi, 204);
    EXPECT_EQ(g.yDpi, 196);
    tw::DmSetFaxResolutionMode(&dm, 3);
    dm.Write<short>(tw::dmoff::dmOrientation, DMORIENT_LANDSCAPE);
    g = tw::GroupFileGeometry(&dm);
    EXPECT_EQ(g.height, 98 * 1700 / 200);
    EXPECT_FALSE(g.portrait);

    dm.SetFlag(tw::dmflag::IsFaxOutputEnabled, false);
    dm.Write<short>(tw::dmoff::dmYResolution, 100);
    g = tw::GroupFileGeometry(&dm);
    EXPECT_EQ(g.width, 1700);
    EXPECT_EQ(g.height, 2200);
    dm.SetFlag(tw::dmflag::IsRotatePaperEnabled, true);
    g = tw::GroupFileGeometry(&dm);
    EXPECT_EQ(g.width, 2200);
    EXPECT_EQ(g.height, 1700);
    EXPECT_EQ(g.xDpi, 100);
    EXPECT_EQ(g.yDpi, 200);
    g = tw::GroupFileGeometry(nullptr);
    EXPECT_EQ(g.width, 1728);
    EXPECT_EQ(g.height, 2200);
}

}  // namespace
