#include "twfile/NameSources.h"

#include <vector>

#include "base/IniFile.h"
#include "base/Registry.h"
#include "monitor/Trace.h"
#include "twfile/NamingTexts.h"

namespace tw {

std::optional<std::wstring> ReadNameSourceValue(const std::wstring& keyPath, const wchar_t* valueName) {
    TW_TRACE(L"> ReadNameSourceValue %s \\ %s", keyPath.c_str(), valueName);
    HKEY root = nullptr;
    std::wstring subKey;
    const std::wstring hklm = naming::kHklmPrefix, hkcu = naming::kHkcuPrefix;
    if (keyPath.compare(0, hklm.size(), hklm) == 0) {
        root = HKEY_LOCAL_MACHINE;
        subKey = keyPath.substr(hklm.size());
    } else if (keyPath.compare(0, hkcu.size(), hkcu) == 0) {
        root = HKEY_CURRENT_USER;
        subKey = keyPath.substr(hkcu.size());
    } else {
        TW_TRACE_FAILED(L"ReadNameSourceValue", L"Root");
        return std::nullopt;
    }
    UniqueHKey key = OpenKey(root, subKey, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    std::vector<BYTE> data(naming::kNameSourceBytes);
    DWORD type = REG_NONE, size = naming::kNameSourceBytes;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        TW_TRACE_FAILED(L"ReadNameSourceValue", L"Value");
        return std::nullopt;
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    if (size_t nul = text.find(L'\0'); nul != std::wstring::npos) text.erase(nul);
    TW_TRACE(L"< ReadNameSourceValue: %s", text.c_str());
    return text;
}

std::wstring ReadNameSourceIni(const std::wstring& iniFile, const wchar_t* section, const wchar_t* key) {
    return IniFile(iniFile).GetString(section, key, L"", MAX_PATH);
}

std::wstring NameSourceIniDirectory(const std::wstring& iniFile, const std::wstring& printerName) {
    const wchar_t* sections[] = {printerName.c_str(), naming::kDefaultSettingsSection};
    for (const wchar_t* section : sections) {
        for (const wchar_t* key : {naming::kOutputDirectory, naming::kOutputDirectoryNoSpace}) {
            std::wstring directory = ReadNameSourceIni(iniFile, section, key);
            if (!directory.empty()) return directory;
        }
    }
    return {};
}

}  // namespace tw
