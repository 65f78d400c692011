// Batched section writes give the file the same values one WritePrivateProfileString per value
// would: the keys already there keep their place, new keys follow in order, a key's last value wins.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/IniSectionBatch.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

std::wstring Section(const std::wstring& path, const wchar_t* section) {
    std::wstring buffer(1 << 16, L'\0');
    const DWORD n = ::GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    buffer.resize(n);
    for (wchar_t& c : buffer)
        if (c == L'\0') c = L'|';
    return buffer;
}

class IniSectionBatchTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = MakeTempDir(L"inibatch"), m_path = m_dir + L"\\group.grp"; }
    void TearDown() override { RemoveTree(m_dir); }
    std::wstring m_dir, m_path;
};

TEST_F(IniSectionBatchTest, MergesWithWhatTheFileHolds) {
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Printer", L"Image Format", L"TIFF", m_path.c_str()));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Printer", L"Total Pages", L"1", m_path.c_str()));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Page 1", L"FileName", L"a.tif", m_path.c_str()));

    tw::IniSectionBatch batch;
    batch.Add(L"Page 2", L"FileName", L"b.tif");
    batch.Add(L"Page 2", L"Orientation", L"Portrait");
    batch.Add(L"printer", L"total pages", L"2");  // INI names are not case sensitive
    batch.Add(L"Printer", L"Print status", L"first");
    batch.Add(L"Printer", L"Print status", L"Printing finished successfully");
    batch.Add(L"Page 2", L"FileName", L"c.tif");
    ASSERT_TRUE(batch.WriteTo(m_path));

    EXPECT_EQ(Section(m_path, L"Printer"), L"Image Format=TIFF|Total Pages=2|Print status=Printing finished successfully|");
    EXPECT_EQ(Section(m_path, L"Page 1"), L"FileName=a.tif|");
    EXPECT_EQ(Section(m_path, L"Page 2"), L"FileName=c.tif|Orientation=Portrait|");
}

TEST_F(IniSectionBatchTest, LongSectionsAreReadWhole) {
    // More than the first read's buffer holds: nothing of the section may be lost.
    tw::IniSectionBatch first;
    for (int i = 0; i < 400; ++i) first.Add(L"Printer", (L"Key" + std::to_wstring(i)).c_str(), std::wstring(20, L'x'));
    ASSERT_TRUE(first.WriteTo(m_path));
    tw::IniSectionBatch second;
    second.Add(L"Printer", L"Last", L"1");
    ASSERT_TRUE(second.WriteTo(m_path));
    wchar_t value[64] = {};
    ::GetPrivateProfileStringW(L"Printer", L"Key0", L"", value, 64, m_path.c_str());
    EXPECT_EQ(std::wstring(value), std::wstring(20, L'x'));
    ::GetPrivateProfileStringW(L"Printer", L"Key399", L"", value, 64, m_path.c_str());
    EXPECT_EQ(std::wstring(value), std::wstring(20, L'x'));
    ::GetPrivateProfileStringW(L"Printer", L"Last", L"", value, 64, m_path.c_str());
    EXPECT_EQ(std::wstring(value), L"1");

    // A directory that does not exist is reported.
    EXPECT_FALSE(second.WriteTo(m_dir + L"\\missing\\group.grp"));
}

}  // namespace
}  // namespace twtest
