// Name templates: every rule of the checker, every token, the length budget and the numbering
// of names that exist already.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/TestSupport.h"
#include "twfile/NameTemplate.h"

namespace {

using namespace tw::tplcode;

int Check(const std::wstring& text) {
    tw::NameTemplate tpl;
    return tw::ParseNameTemplate(text, tpl);
}

TEST(NameTemplate, EveryRuleHasItsCode) {
    const struct {
        std::wstring text;
        int code;
    } cases[] = {
        {std::wstring(250, L'a') + L"<<DOCNAME>><<NONE>>.tif", kTooLong},
        {L"<<A>>.x", kTooShort},
        {L"<<DOCNAME<<NONE>>.tif", kBracketsUnpaired},
        {L"<<DOCNAME>>>><<NONE>>.tif", kBracketsUnpaired},
        {L"a<b<<DOCNAME>><<NONE>>.tif", kBracketsUnpaired},
        {L"<<DOCNAME>><<NONE>>.tif<<", kBracketsUnpaired},
        {L"<<DOCNAME>>.pdf", kTooFewTokensBeforeDot},
        {L"no tokens here.txt", kTooFewTokensBeforeDot},
        {L"<<DOCNAME>><<NONE>>", kTooFewTokensBeforeDot},
        {L"<<DOCNAME>><<NONE>><<DATE>>.tif", kTooManyTokensBeforeDot},
        {L"<<DOCNAME>><<NONE>>.<<ORIGINAL>><<DATE>>", kTooManyTokens},
        {L"<<DOCNAME>><<NONE>>x.tif", kNoTokenBeforeDot},
        {L"<<DOCNAME>><<NONE>>.tiffs", kExtensionTooLong},
        {L"<<DOCNAME>><<NONE>>.<<DATE>>", kExtensionTooLong},
        {L"<<DOCNAME>><<NONE>>.t*f", kExtensionCharacter},
        {L"<<DOCNAME>><<NONE>>.<<>>", kExtensionCharacter},
        {L"<<DOCNAME>><<NONE>>.a.b", kExtensionDot},
        {L"ABCDE<<DOCNAME>><<NONE>>.tif", kPrefixTooLong},
        {L"a|<<DOCNAME>><<NONE>>.tif", kPrefixCharacter},
        {L"<<>><<NONE>>.tif", kFirstTokenEmpty},
        {L"<<docname>><<NONE>>.tif", kFirstTokenUnknown},
        {L"<<DOCNAME>><<>>.tif", kSecondTokenEmpty},
        {L"<<DOCNAME>><<ORIGINAL>>.tif", kSecondTokenUnknown},
        {L"<<DOCNAME>>" + std::wstring(65, L'-') + L"<<NONE>>.tif", kSeparatorTooLong},
        {L"<<DOCNAME>>a:b<<NONE>>.tif", kSeparatorCharacter},
        {L"<<NONE>><<NONE>>.tif", kBothTokensNone},
    };
    for (const auto& c : cases) EXPECT_EQ(Check(c.text), c.code) << std::string(c.text.begin(), c.text.end());
}

TEST(NameTemplate, ValidTemplatesAreTakenApart) {
    tw::NameTemplate tpl;
    ASSERT_EQ(tw::ParseNameTemplate(L"Inv_<<USERNAME>>-x-<<COUNTER>>.<<ORIGINAL>>", tpl), kOk);
    EXPECT_EQ(tpl.prefix, L"Inv_");
    EXPECT_EQ(tpl.firstToken, L"USERNAME");
    EXPECT_EQ(tpl.separator, L"-x-");
    EXPECT_EQ(tpl.secondToken, L"COUNTER");
    EXPECT_EQ(tpl.extension, tw::kOriginalExtensionToken);
    EXPECT_EQ(Check(tw::kDefaultNameTemplate), kOk);
    EXPECT_EQ(Check(L"<<DOCNAME>>" + std::wstring(64, L'-') + L"<<NONE>>.tif"), kOk);
}

class Expander : public ::testing::Test {
protected:
    void SetUp() override { dir = twtest::MakeTempDir(L"tpl") + L"\\"; }
    void TearDown() override { twtest::RemoveTree(dir.substr(0, dir.size() - 1)); }
    int Expand(const std::wstring& text, std::wstring& name, const std::wstring& doc = L"Invoice",
               DWORD action = 2, const std::wstring& directory = L"") {
        tw::NameTemplate tpl;
        EXPECT_EQ(tw::ParseNameTemplate(text, tpl), kOk);
        return tw::GenerateFileNameTW(tpl, name, 260, doc, L"tif", L"alice", 3, 42, directory.empty() ? dir : directory,
                                      action, L"");
    }
    std::wstring dir;
};

TEST_F(Expander, TokensExpandToTheJobsValues) {
    std::wstring name;
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name), kOk);
    EXPECT_EQ(name, L"Invoice.tif");
    EXPECT_EQ(Expand(L"AB<<USERNAME>>_<<PAGENUM>>.<<ORIGINAL>>", name), kOk);
    EXPECT_EQ(name, L"ABalice_0003.tif");
    EXPECT_EQ(Expand(L"<<COUNTER>><<BATES>>.txt", name), kOk);
    EXPECT_EQ(name, L"00000421.txt");
    EXPECT_EQ(Expand(L"<<DOCNAME>><<NONE>>.<<ORIGINAL>>", name, L""), kOk);
    EXPECT_EQ(name, L"DocumentName.tif");
    wchar_t computer[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"COMPUTERNAME", computer, MAX_PATH);
    EXPECT_EQ(Expand(L"<<COMPUTER>><<NONE>>.x", name), kOk);
    EXPECT_EQ(name, std::wstring(computer) + L".x");
    // Times and dates: the characters a name cannot hold become hyphens.
    EXPECT_EQ(Expand(L"<<TIMEMS>><<NONE>>.x", name), kOk);
    EXPECT_TRUE(std::regex_match(name, std::wregex(L"\\d\\d-\\d\\d-\\d\\d\\.\\d{3}\\.x")));
    for (const wchar_t* token : {L"<<DATE>><<NONE>>.x", L"<<TIME>><<NONE>>.x", L"<<DATETIME>><<NONE>>.x"}) {
        EXPECT_EQ(Expand(token, name), kOk);
        EXPECT_GT(name.size(), 4u);
        EXPECT_EQ(name.find_first_of(L"\\/:"), std::wstring::npos) << name;
    }
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name, L"a/b:c?"), kOk);
    EXPECT_EQ(name, L"a-b-c-.tif");
    // A title that names a device gets a file of its own instead.
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name, L"con"), kOk);
    EXPECT_EQ(name, L"_con.tif");
}

TEST_F(Expander, ExistingFilesGetNumbersBeforeTheExtension) {
    std::wstring name;
    twtest::WriteFileBytes(dir + L"Invoice.tif", "x");
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name), kOk);
    EXPECT_EQ(name, L"Invoice(1).tif");
    twtest::WriteFileBytes(dir + L"Invoice(1).tif", "x");
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name), kOk);
    EXPECT_EQ(name, L"Invoice(2).tif");
    // Appending and overwriting keep the name.
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name, L"Invoice", 0), kOk);
    EXPECT_EQ(name, L"Invoice.tif");
    twtest::WriteFileBytes(dir + L"Invoice0003", "x");
    EXPECT_EQ(Expand(L"<<DOCNAME>><<PAGENUM>>.<<ORIGINAL>>", name, L"Invoice", 2), kOk);
    EXPECT_EQ(name, L"Invoice0003.tif");
}

TEST_F(Expander, LongNamesAreCutInBudgetOrder) {
    std::wstring name;
    // A 300-character title is cut to what the path leaves; a title being long is no error.
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name, std::wstring(300, L'd'), 2, L"C:\\"), kOk);
    EXPECT_EQ(name, std::wstring(251, L'd') + L".tif");  // 257 - 3, less the extension
    // 250 characters of directory leave 7 for name and extension: the extension first, then
    // the title, prefix, separator and the other token; cutting a configured part is an error.
    const std::wstring longDir = dir + std::wstring(249 - dir.size(), L'p') + L"\\";
    ASSERT_EQ(longDir.size(), 250u);
    ASSERT_TRUE(::CreateDirectoryW(longDir.c_str(), nullptr));
    EXPECT_EQ(Expand(L"AB<<DOCNAME>>__<<PAGENUM>>.<<ORIGINAL>>", name, L"Invoice", 2, longDir), kNameShortened);
    EXPECT_EQ(name, L"Invo.tif");
    EXPECT_EQ(Expand(L"AB<<USERNAME>>__<<PAGENUM>>.<<ORIGINAL>>", name, L"Invoice", 2, longDir), kNameShortened);
    EXPECT_EQ(name, L"AB__.tif");
    EXPECT_EQ(Expand(L"<<DOCNAME>><<NONE>>.tif", name, L"Invoice", 2, longDir), kOk);
    EXPECT_EQ(name, L"Invo.tif");
    // A collision needs room for "(1)": the title gives it.
    twtest::WriteFileBytes(longDir + L"Invo.tif", "x");
    EXPECT_EQ(Expand(L"<<DOCNAME>><<NONE>>.tif", name, L"Invoice", 2, longDir), kOk);
    EXPECT_EQ(name, L"I(1).tif");
    EXPECT_EQ(Expand(tw::kDefaultNameTemplate, name, L"x", 2, L"C:\\no\\such\\dir\\"), kDirectoryMissing);
}

TEST(BatesText, CountsPagesOrDocumentsAndFills) {
    EXPECT_EQ(tw::FormatBatesText(41, 3, false, L'0', 6), L"000043");
    EXPECT_EQ(tw::FormatBatesText(41, 3, true, L'0', 6), L"000041");
    EXPECT_EQ(tw::FormatBatesText(1234567, 1, false, L'0', 3), L"1234567");
    EXPECT_EQ(tw::FormatBatesText(7, 1, false, 0, 6), L"7");
}

}  // namespace
