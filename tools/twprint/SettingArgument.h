#pragma once
// The settings a run writes before its job: registry values below the printer's key (--set) and
// entries of the printer driver's data file (--ini), as parsed from the command line.
#include <windows.h>

#include <string>
#include <vector>

namespace twprint {

// --set 'GROUP\Value=TYPE:DATA'
struct RegistrySetting {
    std::wstring group;  // below the printer key, '\'-separated; empty: the printer key itself
    std::wstring valueName;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;  // as RegSetValueEx takes it (REG_SZ with its terminator)
};

// --ini 'Section\Key=Value'
struct IniSetting {
    std::wstring section, key, value;
};

// The name is ended by the first '=' that is followed by a known TYPE and ':' (so a name may
// hold '=' otherwise); the last '\' before it ends GROUP. False with a reason.
bool ParseRegistrySetting(const std::wstring& text, RegistrySetting& out, std::wstring& error);
// The first '=' ends the key (INI keys cannot hold one); the last '\' before it ends the section.
bool ParseIniSetting(const std::wstring& text, IniSetting& out, std::wstring& error);
// GROUP with every "%d" replaced by the job id in decimal.
std::wstring ExpandJobId(const std::wstring& group, unsigned long jobId);
// The TYPE names ParseRegistrySetting knows, for messages and the usage text.
const wchar_t* RegistryTypeNames();

}  // namespace twprint
