// The debug switch file and the two debug logs, on real files in a temporary folder.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "base/WideString.h"
#include "monitor/DebugLog.h"
#include "monitor/DebugSwitches.h"
#include "support/TestSupport.h"

namespace {

// The lines of a log file, without a leading byte-order mark; each must end in CR LF.
std::vector<std::string> ReadLines(const std::wstring& path) {
    std::string bytes = twtest::ReadFileBytes(path);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "unterminated last line";
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CR LF: " << line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

const std::regex kInstallerLine(R"(^(\d+\.\d{8}) (\d\d)/(\d\d)/(\d\d) (\d\d):(\d\d):(\d\d): \[(\d+)\] \[(\d+)\] TARNMON: (.*)$)");
const std::regex kCaptureLine(
    R"(^(\d+\.\d{8}) (\[OFF\]    |\[ERROR\]  |\[WARNING\]|\[INFO\]   |\[DEBUG\]  ) (\d\d)/(\d\d)/(\d\d) (\d\d):(\d\d):(\d\d) \[PID (\d+)\] \[TID (\d+)\] (.*)$)");

class DebugLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = twtest::MakeTempDir(L"diaglog");
        m_switchFile = m_dir + L"\\PrnDebug.ini";
        m_installerFile = m_dir + L"\\TWDriverInstall.log";
        m_captureFile = m_dir + L"\\MessageCapture.txt";
        // Most cases read their own lines only; the banner cases let it be written again.
        tw::testhook::SetDebugLogBannerWritten(true);
    }
    void TearDown() override { twtest::RemoveTree(m_dir); }

    void SetSwitch(const wchar_t* key, const wchar_t* value) {
        ::WritePrivateProfileStringW(L"Setting", key, value, m_switchFile.c_str());
    }

    std::wstring m_dir, m_switchFile, m_installerFile, m_captureFile;
};

TEST_F(DebugLogTest, SwitchesHaveDefaultsAndAreRead) {
    tw::DebugSwitches none(m_dir + L"\\missing.ini");
    EXPECT_EQ(none.Debug(), 0);
    EXPECT_EQ(none.MessageCaptureLevel(), 0);
    EXPECT_EQ(none.EdfFile(), L"C:\\Temp\\PrnDebug.edf");
    EXPECT_EQ(none.EmfDataFile(), L"");
    EXPECT_FALSE(none.InstallerLogEnabled());
    EXPECT_FALSE(none.ErrorLocationEnabled());

    SetSwitch(L"Debug", L"1");
    SetSwitch(L"Message Capture Log Level", L"3");
    SetSwitch(L"File", L"D:\\dump.edf");
    ::WritePrivateProfileStringW(L"EMF Data", L"File", L"D:\\pages.edf", m_switchFile.c_str());
    tw::DebugSwitches set(m_switchFile);
    EXPECT_EQ(set.Debug(), 1);
    EXPECT_EQ(set.MessageCaptureLevel(), 3);
    EXPECT_EQ(set.EdfFile(), L"D:\\dump.edf");
    EXPECT_EQ(set.EmfDataFile(), L"D:\\pages.edf");
    EXPECT_TRUE(set.InstallerLogEnabled());
    EXPECT_TRUE(set.ErrorLocationEnabled());
}

TEST_F(DebugLogTest, DebugTwoLeavesInstallerLogOffButShowsErrorLocation) {
    SetSwitch(L"Debug", L"2");
    tw::CInstallerLog log(m_switchFile, m_installerFile);
    log.print(L"AddPort failed (return FALSE)");
    EXPECT_FALSE(FileExists(m_installerFile));
    EXPECT_TRUE(log.Switches().ErrorLocationEnabled());
    EXPECT_FALSE(log.Switches().InstallerLogEnabled());
}

TEST_F(DebugLogTest, InstallerLinesHaveTheExactFormatAfterTheBanner) {
    tw::testhook::SetDebugLogBannerWritten(false);
    SetSwitch(L"Debug", L"1");
    tw::CInstallerLog log(m_switchFile, m_installerFile);
    log.print(L"! Error: RegSetKeySecurity failed! Error code: %d", 5);
    log.print(L"%s = %d", L"Messaging Timeout", 10000);

    std::vector<std::string> lines = ReadLines(m_installerFile);
    ASSERT_EQ(lines.size(), 5u);
    std::vector<std::string> messages;
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, kInstallerLine)) << line;
        EXPECT_EQ(std::stoul(m[8]), ::GetCurrentProcessId());
        EXPECT_EQ(std::stoul(m[9]), ::GetCurrentThreadId());
        messages.push_back(m[10]);
    }
    EXPECT_EQ(messages[0], "* Tarnwell Port Monitor TS version " + tw::ToUtf8(tw::diag::kProductVersion));
    EXPECT_EQ(messages[1], "* devmode.h version: 1651");
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(messages[2], "* Loading Module: " + tw::ToUtf8(exe));
    EXPECT_EQ(messages[3], "! Error: RegSetKeySecurity failed! Error code: 5");
    EXPECT_EQ(messages[4], "Messaging Timeout = 10000");
}

TEST_F(DebugLogTest, BannerIsWrittenOnceAcrossBothLogs) {
    tw::testhook::SetDebugLogBannerWritten(false);
    SetSwitch(L"Debug", L"1");
    SetSwitch(L"Message Capture Log Level", L"4");
    tw::CMessageCaptureLog capture(m_switchFile, m_captureFile);
    tw::CInstallerLog installer(m_switchFile, m_installerFile);
    capture.print(tw::diag::kLevelDebug, L"first");
    installer.print(L"second");
    capture.print(tw::diag::kLevelError, L"third");

    std::vector<std::string> captured = ReadLines(m_captureFile);
    ASSERT_EQ(captured.size(), 5u);
    std::smatch m;
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(std::regex_match(captured[i], m, kCaptureLine)) << captured[i];
        EXPECT_EQ(m[2], "[INFO]   ");
        EXPECT_EQ(m[11].str().rfind("* ", 0), 0u);
    }
    ASSERT_TRUE(std::regex_match(captured[3], m, kCaptureLine));
    EXPECT_EQ(m[2], "[DEBUG]  ");
    EXPECT_EQ(m[11], "first");
    EXPECT_EQ(std::stoul(m[9]), ::GetCurrentProcessId());
    ASSERT_TRUE(std::regex_match(captured[4], m, kCaptureLine));
    EXPECT_EQ(m[2], "[ERROR]  ");
    EXPECT_EQ(m[11], "third");

    std::vector<std::string> installed = ReadLines(m_installerFile);
    ASSERT_EQ(installed.size(), 1u);
    ASSERT_TRUE(std::regex_match(installed[0], m, kInstallerLine));
    EXPECT_EQ(m[10], "second");
}

TEST_F(DebugLogTest, CaptureLevelTwoKeepsErrorsAndWarningsOnly) {
    SetSwitch(L"Message Capture Log Level", L"2");
    tw::CMessageCaptureLog log(m_switchFile, m_captureFile);
    log.print(tw::diag::kLevelOff, L"off");
    log.print(tw::diag::kLevelError, L"error %d", 1);
    log.print(tw::diag::kLevelWarning, L"warning %d", 2);
    log.print(tw::diag::kLevelInfo, L"info");
    log.print(tw::diag::kLevelDebug, L"debug");
    log.print(-1, L"negative");

    std::vector<std::string> lines = ReadLines(m_captureFile);
    ASSERT_EQ(lines.size(), 2u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kCaptureLine)) << lines[0];
    EXPECT_EQ(m[2], "[ERROR]  ");
    EXPECT_EQ(m[11], "error 1");
    ASSERT_TRUE(std::regex_match(lines[1], m, kCaptureLine)) << lines[1];
    EXPECT_EQ(m[2], "[WARNING]");
    EXPECT_EQ(m[11], "warning 2");
}

TEST_F(DebugLogTest, CaptureLogOffByDefaultWritesNothingEvenAtLevelZero) {
    tw::CMessageCaptureLog log(m_switchFile, m_captureFile);
    log.print(tw::diag::kLevelOff, L"off");
    log.print(tw::diag::kLevelError, L"error");
    EXPECT_FALSE(FileExists(m_captureFile));
}

TEST_F(DebugLogTest, SwitchesAreKeptFromTheFirstCall) {
    SetSwitch(L"Message Capture Log Level", L"1");
    tw::CMessageCaptureLog log(m_switchFile, m_captureFile);
    log.print(tw::diag::kLevelError, L"kept");
    SetSwitch(L"Message Capture Log Level", L"0");
    log.print(tw::diag::kLevelError, L"still written");
    std::vector<std::string> lines = ReadLines(m_captureFile);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("still written"), std::string::npos);
}

TEST_F(DebugLogTest, WritesNonAsciiTextAsUtf8) {
    SetSwitch(L"Message Capture Log Level", L"1");
    tw::CMessageCaptureLog log(m_switchFile, m_captureFile);
    const std::wstring text = L"Gr\u00FC\u00DFe \u65E5\u672C \u20AC";
    log.print(tw::diag::kLevelError, L"Document: %s", text.c_str());
    std::vector<std::string> lines = ReadLines(m_captureFile);
    ASSERT_EQ(lines.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kCaptureLine)) << lines[0];
    EXPECT_EQ(m[11], "Document: Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC");
}

TEST_F(DebugLogTest, LongMessagesAreCutToTheBuffer) {
    SetSwitch(L"Message Capture Log Level", L"1");
    tw::CMessageCaptureLog log(m_switchFile, m_captureFile);
    for (size_t length : {2047u, 2048u, 5000u}) {
        std::wstring longText(length, L'x');
        log.print(tw::diag::kLevelError, L"%s", longText.c_str());
    }
    std::vector<std::string> lines = ReadLines(m_captureFile);
    ASSERT_EQ(lines.size(), 3u);
    std::smatch m;
    for (const auto& line : lines) {
        ASSERT_TRUE(std::regex_match(line, m, kCaptureLine));
        EXPECT_EQ(m[11], std::string(2047, 'x'));
    }
}

TEST_F(DebugLogTest, UnwritableFileDropsTheLine) {
    SetSwitch(L"Debug", L"1");
    tw::CInstallerLog log(m_switchFile, m_dir + L"\\no such folder\\install.log");
    log.print(L"dropped");  // must neither fail nor create anything
    EXPECT_FALSE(FileExists(m_dir + L"\\no such folder"));
}

}  // namespace
