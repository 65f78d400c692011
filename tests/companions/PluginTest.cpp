// TwPlugIn.dll as the monitor sees it: loaded by name, its five entry points taken with
// GetProcAddress, its answers steered by the INI file that TW_PLUGIN_INI names.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/WideString.h"
#include "companions/plugin/TwPlugIn.h"
#include "host/DevModeBuilder.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "support/TestSupport.h"

namespace {

constexpr wchar_t kIniVariable[] = L"TW_PLUGIN_INI";
constexpr wchar_t kSection[] = L"Behaviour";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the log ends in the middle of a line";
    return lines;
}

struct PlugIn {
    HMODULE module = nullptr;
    PFN_TwStartDoc startDoc = nullptr;
    PFN_TwStartPage startPage = nullptr;
    PFN_TwEndPage endPage = nullptr;
    PFN_TwEndDoc endDoc = nullptr;
    PFN_TwAbort abort = nullptr;

    bool Load(const wchar_t* path) {
        module = ::LoadLibraryW(path);
        if (!module) return false;
        startDoc = reinterpret_cast<PFN_TwStartDoc>(::GetProcAddress(module, twplugin::kStartDocExport));
        startPage = reinterpret_cast<PFN_TwStartPage>(::GetProcAddress(module, twplugin::kStartPageExport));
        endPage = reinterpret_cast<PFN_TwEndPage>(::GetProcAddress(module, twplugin::kEndPageExport));
        endDoc = reinterpret_cast<PFN_TwEndDoc>(::GetProcAddress(module, twplugin::kEndDocExport));
        abort = reinterpret_cast<PFN_TwAbort>(::GetProcAddress(module, twplugin::kAbortExport));
        return startDoc && startPage && endPage && endDoc && abort;
    }
    ~PlugIn() {
        if (module) ::FreeLibrary(module);
    }
};

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = twtest::MakeTempDir(L"TwPlugIn");
        m_ini = m_dir + L"\\behaviour.ini";
        m_log = m_dir + L"\\calls.log";
        ::SetEnvironmentVariableW(kIniVariable, m_ini.c_str());
        Set(L"Log", m_log);
        // A fresh load per test, so that document numbers start again at 1.
        ASSERT_TRUE(m_plugin.Load(twplugin::kDefaultLibraryName)) << "error " << ::GetLastError();
        m_dm = twhost::DevModeBuilder().Bytes();
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(kIniVariable, nullptr);
        twtest::RemoveTree(m_dir);
    }

    void Set(const wchar_t* key, const std::wstring& value) {
        ASSERT_TRUE(::WritePrivateProfileStringW(kSection, key, value.c_str(), m_ini.c_str()));
    }
    DEVMODEW* Dm() { return reinterpret_cast<DEVMODEW*>(m_dm.data()); }
    void* StartDoc() {
        void* userData = nullptr;
        void* reserved = nullptr;
        EXPECT_TRUE(m_plugin.startDoc(Dm(), &userData, &reserved));
        return userData;
    }
    std::vector<std::string> LogLines() { return SplitLines(twtest::ReadFileBytes(m_log)); }

    std::wstring m_dir, m_ini, m_log;
    PlugIn m_plugin;
    std::vector<BYTE> m_dm;
};

constexpr char kDefaultDevMode[] =
    "device=\"Tarnwell Image Printer\" orientation=1 paperWidth=2159 paperLength=2794 pixelWidth=1734 "
    "pixelHeight=2156";

TEST_F(PluginTest, DocumentsAreNumberedAndEveryCallIsLogged) {
    void* first = StartDoc();
    EXPECT_EQ(first, reinterpret_cast<void*>(1));
    EXPECT_TRUE(m_plugin.startPage(Dm(), first));
    EXPECT_TRUE(m_plugin.endPage(Dm(), first, 1));
    EXPECT_TRUE(m_plugin.endDoc(Dm(), first, L"C:\\out\\tw_group.ini"));
    void* second = StartDoc();
    EXPECT_EQ(second, reinterpret_cast<void*>(2));
    m_plugin.abort(Dm(), second);

    const std::string dm = kDefaultDevMode;
    std::vector<std::string> expected = {
        "TwStartDoc " + dm + " userData=1 reserved=0",
        "TwStartPage " + dm + " userData=1",
        "TwEndPage " + dm + " userData=1 page=1",
        "TwEndDoc " + dm + " userData=1 groupFile=\"C:\\out\\tw_group.ini\"",
        "TwStartDoc " + dm + " userData=2 reserved=0",
        "TwAbort " + dm + " userData=2",
    };
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(PluginTest, ADocumentPerLoadLeavesNoThreadSlotBehind) {
    // The monitor loads the library for every document; a slot lost per load ran the spooler
    // out of them after about a thousand documents.
    const auto nextSlot = [] {
        const DWORD slot = ::TlsAlloc();
        ::TlsFree(slot);
        return slot;
    };
    ::FreeLibrary(m_plugin.module);  // so that every load below really loads it
    m_plugin.module = nullptr;
    const DWORD before = nextSlot();
    for (int i = 0; i < 40; ++i) {
        PlugIn plugin;
        ASSERT_TRUE(plugin.Load(twplugin::kDefaultLibraryName));
        void* userData = nullptr;
        void* reserved = nullptr;
        ASSERT_TRUE(plugin.startDoc(Dm(), &userData, &reserved));
        ASSERT_TRUE(plugin.startPage(Dm(), userData));
        ASSERT_TRUE(plugin.endPage(Dm(), userData, 1));
        ASSERT_TRUE(plugin.endDoc(Dm(), userData, L"C:\\out\\tw_group.ini"));
    }
    EXPECT_LE(nextSlot(), before + 1);
}

TEST_F(PluginTest, LogsTheRecordAsPassedInLandscape) {
    auto& record = *tw::TarnwellDEVMODE::FromBytes(m_dm.data());
    record.Write<short>(tw::dmoff::dmOrientation, 2);
    record.Write<short>(tw::dmoff::dmPaperWidth, 2794);
    record.Write<short>(tw::dmoff::dmPaperLength, 2159);
    record.Write<LONG>(tw::dmoff::PageWidthInPixels, 2200);
    record.Write<LONG>(tw::dmoff::PageHeightInPixels, 1700);
    record.SetText(tw::dmtext::dmDeviceName, L"X");
    EXPECT_TRUE(m_plugin.endPage(Dm(), reinterpret_cast<void*>(1), 3));
    EXPECT_TRUE(m_plugin.endDoc(Dm(), reinterpret_cast<void*>(1), L"C:\\Ausgabe\\Grüße.ini"));
    auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "TwEndPage device=\"X\" orientation=2 paperWidth=2794 paperLength=2159 pixelWidth=2200 "
              "pixelHeight=1700 userData=1 page=3");
    EXPECT_NE(lines[1].find("groupFile=\"C:\\Ausgabe\\Gr\xC3\xBC\xC3\x9F" "e.ini\""), std::string::npos) << lines[1];
}

TEST_F(PluginTest, EachDeclineSwitchFailsOnlyItsCallAndIsReadAfresh) {
    Set(L"DeclineDocument", L"1");
    void* userData = nullptr;
    void* reserved = nullptr;
    EXPECT_FALSE(m_plugin.startDoc(Dm(), &userData, &reserved));
    Set(L"DeclineDocument", L"0");
    void* doc = StartDoc();

    Set(L"DeclineStartPage", L"2");
    EXPECT_TRUE(m_plugin.startPage(Dm(), doc));
    EXPECT_FALSE(m_plugin.startPage(Dm(), doc));
    EXPECT_TRUE(m_plugin.startPage(Dm(), doc));

    Set(L"DeclineEndPage", L"3");
    EXPECT_TRUE(m_plugin.endPage(Dm(), doc, 2));
    EXPECT_FALSE(m_plugin.endPage(Dm(), doc, 3));
    EXPECT_TRUE(m_plugin.endPage(Dm(), doc, 4));

    EXPECT_TRUE(m_plugin.endDoc(Dm(), doc, L"g.ini"));
    Set(L"DeclineEndDoc", L"1");
    EXPECT_FALSE(m_plugin.endDoc(Dm(), doc, L"g.ini"));
    EXPECT_EQ(LogLines().size(), 10u) << "declined calls are logged too";
}

TEST_F(PluginTest, StartPageCallsAreCountedPerDocument) {
    Set(L"DeclineStartPage", L"2");
    void* a = StartDoc();
    void* b = StartDoc();
    EXPECT_TRUE(m_plugin.startPage(Dm(), a));
    EXPECT_TRUE(m_plugin.startPage(Dm(), b));
    EXPECT_FALSE(m_plugin.startPage(Dm(), a));
    EXPECT_FALSE(m_plugin.startPage(Dm(), b));
    EXPECT_TRUE(m_plugin.endDoc(Dm(), a, L"g.ini"));
    void* c = StartDoc();
    EXPECT_TRUE(m_plugin.startPage(Dm(), c));
    EXPECT_FALSE(m_plugin.startPage(Dm(), c));
}

TEST_F(PluginTest, NullArgumentsAreLoggedNotFollowed) {
    EXPECT_TRUE(m_plugin.startDoc(nullptr, nullptr, nullptr));
    EXPECT_TRUE(m_plugin.startPage(nullptr, nullptr));
    EXPECT_TRUE(m_plugin.endPage(nullptr, nullptr, 0));
    EXPECT_TRUE(m_plugin.endDoc(nullptr, nullptr, nullptr));
    m_plugin.abort(nullptr, nullptr);
    std::vector<std::string> expected = {
        "TwStartDoc devmode=null userData=null reserved=null",
        "TwStartPage devmode=null userData=0",
        "TwEndPage devmode=null userData=0 page=0",
        "TwEndDoc devmode=null userData=0 groupFile=null",
        "TwAbort devmode=null userData=0",
    };
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(PluginTest, ReadsOnlyWhatTheRecordHeaderCovers) {
    // A bare public DEVMODE carries no driver fields, and a full-width device name has no
    // terminator.
    DEVMODEW plain{};
    plain.dmSize = sizeof(DEVMODEW);
    plain.dmOrientation = DMORIENT_PORTRAIT;
    plain.dmPaperWidth = 2100;
    plain.dmPaperLength = 2970;
    std::wstring name(CCHDEVICENAME, L'N');
    std::memcpy(plain.dmDeviceName, name.data(), sizeof(plain.dmDeviceName));
    EXPECT_TRUE(m_plugin.startPage(&plain, reinterpret_cast<void*>(7)));
    auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "TwStartPage device=\"" + std::string(CCHDEVICENAME, 'N') +
                            "\" orientation=1 paperWidth=2100 paperLength=2970 userData=7");
}

TEST_F(PluginTest, NoIniFileMeansAcceptEverythingSilently) {
    ::SetEnvironmentVariableW(kIniVariable, (m_dir + L"\\missing.ini").c_str());
    ::DeleteFileW(m_log.c_str());
    void* doc = StartDoc();
    EXPECT_TRUE(m_plugin.startPage(Dm(), doc));
    EXPECT_TRUE(m_plugin.endPage(Dm(), doc, 1));
    EXPECT_TRUE(m_plugin.endDoc(Dm(), doc, L"g.ini"));
    EXPECT_EQ(::GetFileAttributesW(m_log.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(PluginLocation, WithoutTheVariableTheIniBesideTheLibraryApplies) {
    // A copy of the library in its own folder: its INI file must be found there, not beside
    // the program that loaded it.
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring source(exe);
    source = source.substr(0, source.find_last_of(L'\\') + 1) + twplugin::kDefaultLibraryName;
    std::wstring dir = twtest::MakeTempDir(L"TwPlugInCopy");
    std::wstring copy = dir + L"\\" + twplugin::kDefaultLibraryName;
    ASSERT_TRUE(::CopyFileW(source.c_str(), copy.c_str(), FALSE));
    std::wstring log = dir + L"\\beside.log";
    std::wstring ini = dir + L"\\TwPlugIn.ini";
    ::WritePrivateProfileStringW(kSection, L"Log", log.c_str(), ini.c_str());
    ::WritePrivateProfileStringW(kSection, L"DeclineDocument", L"1", ini.c_str());
    ::SetEnvironmentVariableW(kIniVariable, nullptr);
    {
        PlugIn plugin;
        ASSERT_TRUE(plugin.Load(copy.c_str()));
        void* userData = nullptr;
        EXPECT_FALSE(plugin.startDoc(nullptr, &userData, nullptr));
        EXPECT_EQ(userData, reinterpret_cast<void*>(1));
    }
    EXPECT_EQ(SplitLines(twtest::ReadFileBytes(log)),
              std::vector<std::string>{"TwStartDoc devmode=null userData=1 reserved=null"});
    twtest::RemoveTree(dir);
}

}  // namespace
