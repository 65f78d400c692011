#pragma once
// The plug-in's call log: one UTF-8 line per call, the function name and then its arguments as
// name=value pairs, so that tests can see exactly what the monitor passed.
#include <windows.h>

#include <cstdint>
#include <string>

namespace twplugin {

class CallLine {
public:
    explicit CallLine(const char* function) : m_text(function) {}

    // device, orientation, paper size and, when the record is long enough, the driver's page
    // size in pixels; "devmode=null" for a null record.
    CallLine& DevMode(const DEVMODEW* pDevMode);
    // A decimal number; "null" stands for a pointer argument that was null.
    CallLine& Number(const char* name, std::uint64_t value);
    CallLine& Null(const char* name);
    // A quoted text, or null.
    CallLine& Text(const char* name, const wchar_t* value);

    const std::string& str() const { return m_text; }

private:
    void Field(const char* name, const std::string& value);
    std::string m_text;
};

// Appends the line to the log file (created when missing). An empty path logs nothing. Each
// line goes out in one write to a file opened for appending, so that concurrent jobs do not
// interleave their lines.
bool AppendLogLine(const std::wstring& path, const std::string& line);

}  // namespace twplugin
