#pragma once
// The two debug log files switched on by the debug switch file: the installer log (port setup
// and other front-end messages) and the message capture log (levelled messages of the job).
// Each line is appended by opening and closing the file, so that the lines of several threads
// and processes interleave whole. A log never fails its caller: a line that cannot be written
// is dropped.
#include <windows.h>

#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>

#include "monitor/DebugSwitches.h"
#include "monitor/DiagnosticTexts.h"

namespace tw {

class CDebugLog {
public:
    virtual ~CDebugLog() = default;
    CDebugLog(const CDebugLog&) = delete;
    CDebugLog& operator=(const CDebugLog&) = delete;

    const std::wstring& LogFile() const { return m_szLogFile; }
    // The switches as this log read them at its first call; they stay for the process.
    const DebugSwitches& Switches();

protected:
    CDebugLog(std::wstring switchFile, std::wstring logFile, const wchar_t* prefix);

    // Expands `format` and writes it when the log is enabled for `level`.
    void WriteV(int level, const wchar_t* format, va_list args);

    // What a line carries besides its message.
    struct LineStamp {
        double seconds;  // since system start
        std::wstring date;  // MM/DD/YY
        std::wstring time;  // HH:MM:SS
        DWORD processId;
        DWORD threadId;
    };
    const wchar_t* Prefix() const { return m_pszPrefix; }

private:
    virtual bool IsEnabled(int level) = 0;
    virtual std::wstring FileLine(const LineStamp& stamp, int level, const std::wstring& message) const = 0;

    void WriteBannerOnce();
    void WriteLine(int level, const std::wstring& message);

    std::wstring m_szSwitchFile;
    std::wstring m_szLogFile;
    const wchar_t* m_pszPrefix;
    std::once_flag m_switchesRead;
    std::unique_ptr<DebugSwitches> m_switches;
};

// Written while "Debug" is exactly 1.
class CInstallerLog final : public CDebugLog {
public:
    explicit CInstallerLog(std::wstring switchFile = diag::kSwitchFile,
                           std::wstring logFile = diag::kInstallerLogFile);
    void print(const wchar_t* format, ...);

private:
    bool IsEnabled(int level) override;
    std::wstring FileLine(const LineStamp& stamp, int level, const std::wstring& message) const override;
};

// Writes the lines whose level (1 error to 4 debug) is at most "Message Capture Log Level".
class CMessageCaptureLog final : public CDebugLog {
public:
    explicit CMessageCaptureLog(std::wstring switchFile = diag::kSwitchFile,
                                std::wstring logFile = diag::kCaptureLogFile);
    void print(int level, const wchar_t* format, ...);

private:
    bool IsEnabled(int level) override;
    std::wstring FileLine(const LineStamp& stamp, int level, const std::wstring& message) const override;
};

// The logs the monitor writes to, with the production paths.
CInstallerLog& InstallerLog();
CMessageCaptureLog& MessageCaptureLog();

namespace testhook {
// Whether the process's banner counts as written: false lets the next enabled line of any log
// write it again.
void SetDebugLogBannerWritten(bool written);
}  // namespace testhook

}  // namespace tw
