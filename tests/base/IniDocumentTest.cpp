// The whole-file INI writer against the system's profile functions, which read what it writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "base/IniDocument.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

std::wstring Profile(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t value[256] = {};
    ::GetPrivateProfileStringW(section, key, L"<none>", value, 256, path.c_str());
    return value;
}

bool Set(const std::wstring& path, const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    return tw::IniDocument::Update(path, [&](tw::IniDocument& doc) { doc.Set(section, key, value); });
}

class IniDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = MakeTempDir(L"inidoc"), m_path = m_dir + L"\\doc.ini"; }
    void TearDown() override { RemoveTree(m_dir); }
    std::wstring m_dir, m_path;
};

TEST_F(IniDocumentTest, KeepsWhatItDoesNotChange) {
    WriteFileBytes(m_path, "; made by hand\r\nloose line\r\n[Printer]\r\n  Total Pages = 1 \r\n; note\r\nodd line\r\n\r\n"
                "[Page 1]\r\nFileName=a.tif\r\n[Printer]\r\nTotal Pages=9\r\n");
    ASSERT_TRUE(Set(m_path, L"printer", L"total pages", L"2"));
    ASSERT_TRUE(Set(m_path, L"Printer", L"Status", L"done"));
    ASSERT_TRUE(Set(m_path, L"Page 2", L"FileName", L"b.tif"));
    // The first section of a name and its first key change; the key keeps its spelling, new
    // keys go before the blank lines that end the section, new sections at the end.
    EXPECT_EQ(ReadFileBytes(m_path), "; made by hand\r\nloose line\r\n[Printer]\r\nTotal Pages=2\r\n; note\r\nodd line\r\n"
                             "Status=done\r\n\r\n[Page 1]\r\nFileName=a.tif\r\n[Printer]\r\nTotal Pages=9\r\n"
                             "[Page 2]\r\nFileName=b.tif\r\n");
    EXPECT_EQ(Profile(m_path, L"Printer", L"Total Pages"), L"2");
    EXPECT_EQ(Profile(m_path, L"Page 2", L"FileName"), L"b.tif");
}

TEST_F(IniDocumentTest, OneOpenReadsAndRewritesTheWholeFile) {
    // A shorter document leaves nothing of the longer one behind it.
    WriteFileBytes(m_path, "[Printer]\r\nDocument=" + std::string(300, 'x') + "\r\n");
    ASSERT_TRUE(Set(m_path, L"Printer", L"Document", L"short"));
    EXPECT_EQ(ReadFileBytes(m_path), "[Printer]\r\nDocument=short\r\n");
    // A missing file is made.
    const std::wstring fresh = m_dir + L"\\fresh.ini";
    ASSERT_TRUE(Set(fresh, L"A", L"B", L"C"));
    EXPECT_EQ(ReadFileBytes(fresh), "[A]\r\nB=C\r\n");
    // A folder that does not exist takes no file.
    EXPECT_FALSE(Set(m_dir + L"\\missing\\x.ini", L"A", L"B", L"C"));
}

TEST_F(IniDocumentTest, AValueCannotAddLines) {
    // A document name is the user's text: with a line break it would write keys of its own.
    ASSERT_TRUE(Set(m_path, L"Printer", L"Document name", L"Memo\r\nPrint status=Printing finished successfully"));
    EXPECT_EQ(Profile(m_path, L"Printer", L"Print status"), L"<none>");
    EXPECT_EQ(Profile(m_path, L"Printer", L"Document name"), L"Memo  Print status=Printing finished successfully");
}

TEST_F(IniDocumentTest, KeepsTheFilesEncoding) {
    const std::wstring name = L"Caf\u00e9 \u4e2d";
    // No mark: the ANSI code page, as the profile functions write a new file.
    ASSERT_TRUE(Set(m_path, L"S", L"K", name));
    EXPECT_EQ(ReadFileBytes(m_path), "[S]\r\nK=Caf\xe9 ?\r\n");
    // UTF-16 (the group file made for uploaders starts with its mark), both byte orders, and UTF-8.
    for (const std::string& mark : {std::string("\xFF\xFE"), std::string("\xFE\xFF"), std::string("\xEF\xBB\xBF")}) {
        SCOPED_TRACE(mark.size());
        WriteFileBytes(m_path, mark);
        ASSERT_TRUE(Set(m_path, L"S", L"K", name));
        const std::string bytes = ReadFileBytes(m_path);
        ASSERT_GE(bytes.size(), mark.size());
        EXPECT_EQ(bytes.substr(0, mark.size()), mark);
        tw::IniDocument doc;
        ASSERT_TRUE(doc.Load(m_path));
        std::wstring value;
        ASSERT_TRUE(doc.Get(L"S", L"K", value));
        EXPECT_EQ(value, name);
    }
    WriteFileBytes(m_path, "\xFF\xFE");
    ASSERT_TRUE(Set(m_path, L"S", L"K", name));
    EXPECT_EQ(Profile(m_path, L"S", L"K"), name);
}

TEST_F(IniDocumentTest, BareNamesLiveInTheWindowsDirectory) {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(tw::IniDocument::ResolvePath(L"tw_test_doc.ini"), std::wstring(windows) + L"\\tw_test_doc.ini");
    EXPECT_EQ(tw::IniDocument::ResolvePath(m_path), m_path);
    ASSERT_TRUE(Set(L"tw_test_doc.ini", L"S", L"K", L"v"));
    EXPECT_EQ(Profile(L"tw_test_doc.ini", L"S", L"K"), L"v");
    ::DeleteFileW((std::wstring(windows) + L"\\tw_test_doc.ini").c_str());
    // A file that cannot be written is reported.
    EXPECT_FALSE(Set(m_dir + L"\\missing\\doc.ini", L"S", L"K", L"v"));
}

TEST_F(IniDocumentTest, ThreadsWritingOneFileLoseNothing) {
    // Every printer's jobs share the status file: read-change-write must not interleave.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i) Set(m_path, L"Printer " + std::to_wstring(t), L"Key" + std::to_wstring(i), L"x");
        });
    }
    for (std::thread& thread : threads) thread.join();
    tw::IniDocument doc;
    ASSERT_TRUE(doc.Load(m_path));
    std::wstring value;
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i)
            EXPECT_TRUE(doc.Get(L"Printer " + std::to_wstring(t), L"Key" + std::to_wstring(i), value)) << t << " " << i;
}

}  // namespace
}  // namespace twtest
