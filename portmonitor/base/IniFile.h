#pragma once
// Reading private INI files (the debug switch file, the printer's data file, TwMonitor.ini).
#include <windows.h>
#include <string>

namespace tw {

class IniFile {
public:
    explicit IniFile(std::wstring path) : m_path(std::move(path)) {}
    const std::wstring& path() const { return m_path; }

    int GetInt(const wchar_t* section, const wchar_t* key, int def) const;
    // Reads at most `maxChars` characters (the buffer the value is read into).
    std::wstring GetString(const wchar_t* section, const wchar_t* key, const wchar_t* def,
                           DWORD maxChars = MAX_PATH) const;
    bool WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;

private:
    std::wstring m_path;
};

}  // namespace tw
