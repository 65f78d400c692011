#pragma once
// The application starter's log: one line per thing it did or gave up on, appended to the file
// the printer's "Application Starter" settings name (README.md), UTF-8.
#include <windows.h>

#include <string>

namespace appstarter {

class StarterLog {
public:
    explicit StarterLog(std::wstring path) : m_path(std::move(path)) {}
    // "<date> <time> [PID n] <text>"; a log that cannot be written is skipped.
    void Line(const wchar_t* format, ...);
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

// "%TEMP%\TuMAppTS.log": the log when the settings name none.
std::wstring DefaultLogPath();

}  // namespace appstarter
