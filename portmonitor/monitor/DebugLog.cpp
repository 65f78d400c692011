#include "monitor/DebugLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {



// The banner is written once per process, by whichever log has the first enabled line.
std::atomic<bool> g_bannerWritten{false};
std::mutex& BannerLock() {
    static std::mutex lock;
    return lock;
}

std::wstring HostExecutablePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    path[MAX_PATH - 1] = L'\0';
    return path;
}

double SecondsSinceStart() {
    LARGE_INTEGER counter{}, frequency{};
    if (!::QueryPerformanceCounter(&counter) || !::QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0)
        return 0.0;
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

CDebugLog::CDebugLog(std::wstring switchFile, std::wstring logFile, const wchar_t* prefix)
    : m_szSwitchFile(std::move(switchFile)), m_szLogFile(std::move(logFile)), m_pszPrefix(prefix) {}

const DebugSwitches& CDebugLog::Switches() {
    std::call_once(m_switchesRead, [this] { m_switches = std::make_unique<DebugSwitches>(m_szSwitchFile); });
    return *m_switches;
}

void CDebugLog::WriteV(int level, const wchar_t* format, va_list args) {
    if (!format || !IsEnabled(level)) return;
    // A message that does not fit is cut, never left unterminated.
    wchar_t message[diag::kLogMessageChars];
    _vsnwprintf(message, diag::kLogMessageChars - 1, format, args);
    message[diag::kLogMessageChars - 1] = L'\0';
    WriteBannerOnce();
    WriteLine(level, message);
}

void CDebugLog::WriteBannerOnce() {
    if (g_bannerWritten.load(std::memory_order_acquire)) return;
    // Held while the banner is written, so that no other first line overtakes it.
    std::lock_guard<std::mutex> guard(BannerLock());
    if (g_bannerWritten.load(std::memory_order_relaxed)) return;
    // The banner goes to whichever log writes the process's first line, whatever its level.
    WriteLine(diag::kLevelInfo,
              FormatW(diag::kBannerVersionFormat, diag::kProductDisplayName, diag::kProductEdition,
                      diag::kProductVersion));
    WriteLine(diag::kLevelInfo, FormatW(diag::kBannerDevModeFormat, static_cast<int>(kDevModeVersion)));
    WriteLine(diag::kLevelInfo, FormatW(diag::kBannerModuleFormat, HostExecutablePath().c_str()));
    g_bannerWritten.store(true, std::memory_order_release);
}

void CDebugLog::WriteLine(int level, const std::wstring& message) {
    std::wstring debuggerLine = FormatW(diag::kDebuggerLineFormat, m_pszPrefix, message.c_str());
    ::OutputDebugStringW(debuggerLine.c_str());

    UniqueCrtFile file(_wfopen(m_szLogFile.c_str(), diag::kLogOpenMode));
    if (!file) return;

    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    LineStamp stamp{SecondsSinceStart(),
                    FormatW(diag::kLogDateFormat, now.wMonth, now.wDay, now.wYear % 100),
                    FormatW(diag::kLogTimeFormat, now.wHour, now.wMinute, now.wSecond),
                    ::GetCurrentProcessId(),
                    ::GetCurrentThreadId()};
    std::fputws(FileLine(stamp, level, message).c_str(), file.get());
}

// ---- Installer log ------------------------------------------------------------------------

CInstallerLog::CInstallerLog(std::wstring switchFile, std::wstring logFile)
    : CDebugLog(std::move(switchFile), std::move(logFile), diag::kInstallerLogPrefix) {}

void CInstallerLog::print(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    WriteV(diag::kLevelInfo, format, args);
    va_end(args);
}

bool CInstallerLog::IsEnabled(int) { return Switches().InstallerLogEnabled(); }

std::wstring CInstallerLog::FileLine(const LineStamp& stamp, int, const std::wstring& message) const {
    std::wstring prefixed = FormatW(diag::kDebuggerLineFormat, Prefix(), message.c_str());
    return FormatW(diag::kInstallerLineFormat, stamp.seconds, stamp.date.c_str(), stamp.time.c_str(),
                   static_cast<int>(stamp.processId), static_cast<int>(stamp.threadId), prefixed.c_str());
}

// ---- Message capture log ------------------------------------------------------------------

CMessageCaptureLog::CMessageCaptureLog(std::wstring switchFile, std::wstring logFile)
    : CDebugLog(std::move(switchFile), std::move(logFile), diag::kCaptureLogPrefix) {}

void CMessageCaptureLog::print(int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    WriteV(level, format, args);
    va_end(args);
}

bool CMessageCaptureLog::IsEnabled(int level) {
    // Level 0 means "off": a line at that level (or a stray negative one) is never written,
    // even while the switch is at its default of 0.
    return level >= diag::kLevelError && level <= diag::kLevelDebug && level <= Switches().MessageCaptureLevel();
}

std::wstring CMessageCaptureLog::FileLine(const LineStamp& stamp, int level, const std::wstring& message) const {
    return FormatW(diag::kCaptureLineFormat, stamp.seconds, diag::kLevelTags[level], stamp.date.c_str(),
                   stamp.time.c_str(), static_cast<int>(stamp.processId), static_cast<int>(stamp.threadId),
                   message.c_str());
}

// ---- Process-wide logs --------------------------------------------------------------------

CInstallerLog& InstallerLog() {
    static CInstallerLog log;
    return log;
}

CMessageCaptureLog& MessageCaptureLog() {
    static CMessageCaptureLog log;
    return log;
}

namespace testhook {
void SetDebugLogBannerWritten(bool written) { g_bannerWritten.store(written); }
}  // namespace testhook

}  // namespace tw
