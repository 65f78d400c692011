#include "base/Registry.h"

#include <vector>

namespace tw {

UniqueHKey OpenKey(HKEY root, const std::wstring& subKey, REGSAM access) {
    UniqueHKey key;
    if (::RegOpenKeyExW(root, subKey.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

UniqueHKey CreateKey(HKEY root, const std::wstring& subKey, REGSAM access) {
    UniqueHKey key;
    if (::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, access, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.release();
    return key;
}

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* value) {
    DWORD type = 0, cb = 0;
    if (::RegQueryValueExW(key, value, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::vector<wchar_t> buf(cb / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &cb) != ERROR_SUCCESS)
        return std::nullopt;
    buf[cb / sizeof(wchar_t)] = L'\0';
    return std::wstring(buf.data());
}

std::optional<DWORD> ReadDword(HKEY key, const wchar_t* value) {
    DWORD type = 0, data = 0, cb = sizeof(data);
    if (::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &cb) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return data;
}

LSTATUS SetStringValue(HKEY key, const wchar_t* value, const std::wstring& data) {
    return ::RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

LSTATUS SetDwordValue(HKEY key, const wchar_t* value, DWORD data) {
    return ::RegSetValueExW(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

}  // namespace tw
