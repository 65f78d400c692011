#include "base/IniFile.h"

#include <vector>

namespace tw {

int IniFile::GetInt(const wchar_t* section, const wchar_t* key, int def) const {
    return static_cast<int>(::GetPrivateProfileIntW(section, key, def, m_path.c_str()));
}

std::wstring IniFile::GetString(const wchar_t* section, const wchar_t* key, const wchar_t* def,
                                DWORD maxChars) const {
    std::vector<wchar_t> buf(maxChars + 1, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section, key, def ? def : L"", buf.data(), maxChars + 1, m_path.c_str());
    return std::wstring(buf.data(), n);
}

bool IniFile::WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const {
    return ::WritePrivateProfileStringW(section, key, value, m_path.c_str()) != FALSE;
}

}  // namespace tw
