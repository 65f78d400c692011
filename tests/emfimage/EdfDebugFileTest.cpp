// The EDF page dump: its counter and records as written, read back page by page, and where
// the job puts it.
#include <gtest/gtest.h>

#include <cstring>

#include "support/EmfCorpus.h"
#include "MetafileTestSupport.h"
#include "VectorFixture.h"
#include "base/IniFile.h"
#include "emfimage/EdfDebugFile.h"
#include "job/PageDebugDump.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/DebugSwitches.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

std::string BlockBytes(HGLOBAL block, DWORD size) {
    tw::GlobalLockGuard<char> p(block);
    return p ? std::string(p.get(), size) : std::string();
}

class EdfDebugFile : public ::testing::Test {
protected:
    EdfDebugFile() : dir(MakeTempDir(L"edf")), edf(dir + L"\\PrnDebug.edf") {
        dm = fx.DevMode().Record();
        emfPage = SamplePage();
        rawPage.assign(sizeof(BITMAPINFOHEADER) + 8 + 64, '\x5A');
        BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 16, 16, 1, 1, BI_RGB, 64, 0, 0, 2, 0};
        std::memcpy(rawPage.data(), &h, sizeof(h));
    }
    ~EdfDebugFile() override { RemoveTree(dir); }
    BOOL Write(const std::wstring& file, const std::string& page, bool raw, DWORD size = 0) {
        tw::UniqueHGlobal block(GlobalFromBytes(page));
        return tw::WriteEMFtoFileForDebug(file.c_str(), size ? size : static_cast<DWORD>(page.size()), block.get(), dm,
                                          raw ? TRUE : FALSE);
    }
    std::string Read(const std::wstring& file, DWORD page, BOOL* ok = nullptr) {
        tw::UniqueHGlobal block;
        DWORD size = 123;
        const BOOL result = tw::ReadDebugData(file.c_str(), page, block, size);
        if (ok) *ok = result;
        return result ? BlockBytes(block.get(), size) : std::string();
    }
    VectorFixture fx;
    tw::TarnwellDEVMODE dm;
    std::wstring dir, edf;
    std::string emfPage, rawPage;
};

TEST_F(EdfDebugFile, RecordsAreCountedFromOneAndLaidOutInOrder) {
    ASSERT_TRUE(Write(edf, emfPage, false));
    std::string file = ReadFileBytes(edf);
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(ReadDword(file, 0), 1u);
    ASSERT_TRUE(Write(edf, rawPage, true));
    file = ReadFileBytes(edf);
    EXPECT_EQ(ReadDword(file, 0), 2u);

    size_t pos = 4;
    auto entry = [&](const wchar_t* name, const std::string& data, bool raw) {
        SCOPED_TRACE(pos);
        const DWORD chars = ReadDword(file, pos);
        ASSERT_EQ(chars, std::wcslen(name) + 1);
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(file.data() + pos + 4)), name);
        pos += 4 + chars * 2;
        ASSERT_EQ(ReadDword(file, pos), tw::kDevModeSize);
        EXPECT_EQ(std::memcmp(file.data() + pos + 4, dm.Bytes(), tw::kDevModeSize), 0);
        pos += 4 + tw::kDevModeSize;
        const DWORD size = ReadDword(file, pos);
        pos += 4;
        if (raw) {
            ASSERT_EQ(size, data.size() + 14);
            EXPECT_EQ(file.substr(pos, 2), "BM");
            EXPECT_EQ(ReadDword(file, pos + 2), data.size() + 14);
            EXPECT_EQ(ReadDword(file, pos + 10), 54u + 4 * 2);
            pos += 14;
        } else {
            ASSERT_EQ(size, data.size());
        }
        EXPECT_EQ(file.substr(pos, data.size()), data);
        pos += data.size();
    };
    entry(L"EMFFile_1.emf", emfPage, false);
    entry(L"EMFFile_2.bmp", rawPage, true);
    EXPECT_EQ(pos, file.size());

    // Read back by page number: the page data alone, the bitmap file header left behind.
    BOOL ok = FALSE;
    EXPECT_EQ(Read(edf, 1, &ok), emfPage);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Read(edf, 2), rawPage);
    Read(edf, 3, &ok);
    EXPECT_FALSE(ok);
}

TEST_F(EdfDebugFile, BadInputLeavesTheFileAsItWas) {
    ASSERT_TRUE(Write(edf, emfPage, false));
    const std::string before = ReadFileBytes(edf);
    // More bytes than the page block holds.
    EXPECT_FALSE(Write(edf, emfPage, false, static_cast<DWORD>(emfPage.size() + 4096)));
    // A raw page too short for its header.
    EXPECT_FALSE(Write(edf, std::string(10, 'x'), true));
    // A file that cannot be created.
    EXPECT_FALSE(Write(dir + L"\\missing\\dir\\x.edf", emfPage, false));
    EXPECT_EQ(ReadFileBytes(edf), before);
}

TEST_F(EdfDebugFile, DamagedFilesAreRefusedNotOverrun) {
    ASSERT_TRUE(Write(edf, emfPage, false));
    ASSERT_TRUE(Write(edf, emfPage, false));
    const std::string good = ReadFileBytes(edf);
    struct Damage {
        size_t offset;
        DWORD value;
    };
    const size_t dataSize = 4 + 4 + 14 * 2 + 4 + tw::kDevModeSize;  // offset of the first data size
    for (const Damage d : {Damage{4, 0xFFFFFFFF}, Damage{4, 0}, Damage{4 + 4 + 28, 0x7FFFFFFF},
                           Damage{dataSize, 0xFFFFFF00}}) {
        SCOPED_TRACE(d.offset);
        std::string bad = good;
        WriteDword(bad, d.offset, d.value);
        WriteFileBytes(edf, bad);
        BOOL ok = TRUE;
        Read(edf, 2, &ok);
        EXPECT_FALSE(ok);
    }
    WriteFileBytes(edf, good.substr(0, good.size() - 10));  // the last page cut short
    BOOL ok = TRUE;
    EXPECT_EQ(Read(edf, 1, &ok), emfPage);
    Read(edf, 2, &ok);
    EXPECT_FALSE(ok);
}

TEST_F(EdfDebugFile, EmfAndGroupFilesAreReadBack) {
    const std::wstring emf = dir + L"\\page.emf";
    WriteFileBytes(emf, emfPage);
    EXPECT_EQ(Read(emf, 7), emfPage);  // read whole, whatever the page

    const std::wstring grp = dir + L"\\pages.grp";
    tw::IniFile ini(grp);
    ini.WriteString(L"Page 2", L"FileName", L"page.emf");  // relative to the group file
    ASSERT_TRUE(Write(edf, rawPage, true));
    ini.WriteString(L"Page 1", L"FileName", edf.c_str());
    EXPECT_EQ(Read(grp, 2), emfPage);
    EXPECT_EQ(Read(grp, 1), rawPage);
    BOOL ok = TRUE;
    Read(grp, 3, &ok);
    EXPECT_FALSE(ok);
    Read(dir + L"\\page.txt", 1, &ok);
    EXPECT_FALSE(ok);
}

TEST_F(EdfDebugFile, DumpFilesComeFromThePrinterAndTheSwitchFile) {
    const std::wstring switches = dir + L"\\switches.ini";
    const std::wstring logDir = dir + L"\\logs\\deeper";
    tw::IniFile ini(switches);
    EXPECT_TRUE(tw::EdfDumpFiles(&dm, tw::DebugSwitches(switches)).empty());

    fx.SetText(tw::settings::kTroubleshootingSettings, tw::settings::kDebugLoggingEnable, L"1");
    fx.SetText(tw::settings::kTroubleshootingSettings, tw::settings::kDebugLoggingDirectory, (logDir + L"\\").c_str());
    std::vector<std::wstring> files = tw::EdfDumpFiles(&dm, tw::DebugSwitches(switches));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], logDir + L"\\PrnDebug.edf");
    EXPECT_NE(::GetFileAttributesW(logDir.c_str()), INVALID_FILE_ATTRIBUTES);  // created

    ini.WriteString(L"Setting", L"Debug", L"1");
    std::wstring upper = logDir + L"\\PRNDEBUG.EDF";
    ini.WriteString(L"Setting", L"File", upper.c_str());
    EXPECT_EQ(tw::EdfDumpFiles(&dm, tw::DebugSwitches(switches)).size(), 1u);  // the same file once
    ini.WriteString(L"Setting", L"File", edf.c_str());
    files = tw::EdfDumpFiles(&dm, tw::DebugSwitches(switches));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1], edf);

    fx.SetText(tw::settings::kTroubleshootingSettings, tw::settings::kDebugLoggingEnable, L"0");
    files = tw::EdfDumpFiles(&dm, tw::DebugSwitches(switches));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], edf);
}

}  // namespace
}  // namespace twtest
