#pragma once
// Where the naming methods that do not take their names from the record find them: a registry
// key given as a full path, or an INI file whose section is the printer's name.
#include <windows.h>

#include <optional>
#include <string>

namespace tw {

// A REG_SZ value under a key given as "HKEY_LOCAL_MACHINE\..." or "HKEY_CURRENT_USER\...";
// none for another root, a missing key or value, another type, or more than 511 characters.
std::optional<std::wstring> ReadNameSourceValue(const std::wstring& keyPath, const wchar_t* valueName);
// A value of the INI file, empty when it is missing.
std::wstring ReadNameSourceIni(const std::wstring& iniFile, const wchar_t* section, const wchar_t* key);
// The output directory an INI name source gives: "Output Directory" then "OutputDirectory" of
// the printer's section, then of "Default Settings"; empty when none is set.
std::wstring NameSourceIniDirectory(const std::wstring& iniFile, const std::wstring& printerName);

}  // namespace tw
