#include "host/MonitorRegistry.h"

#include "monitor/Trace.h"

namespace twhost {
namespace {

constexpr wchar_t kMonitorsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
constexpr ULONG_PTR kSpoolerHandleValue = 0x5B00F000;

// mingw's winsplp.h types MONITORREG keys as HANDLE where Microsoft's headers use HKEY; the keys
// are registry keys either way, and these two are the only places that say so.
HKEY AsKey(HANDLE h) { return static_cast<HKEY>(h); }
HANDLE AsHandle(HKEY k) { return k; }

bool IsSpooler(HANDLE h) { return h == MonitorRegistry::SpoolerHandle(); }

LONG WINAPI CreateKey(HANDLE hcKey, LPCWSTR subKey, DWORD options, REGSAM sam, PSECURITY_ATTRIBUTES sa,
                      PHANDLE phckResult, PDWORD disposition, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::CreateKey: %s", subKey ? subKey : L"(null)");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    if (!phckResult) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExW(AsKey(hcKey), subKey, 0, nullptr, options, sam, sa, &key, disposition);
    *phckResult = rc == ERROR_SUCCESS ? AsHandle(key) : nullptr;
    TW_TRACE(L"< MonitorRegistry::CreateKey: %ld", rc);
    return rc;
}

LONG WINAPI OpenKey(HANDLE hcKey, LPCWSTR subKey, REGSAM sam, PHANDLE phkResult, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::OpenKey: %s", subKey ? subKey : L"(null)");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG rc = ::RegOpenKeyExW(AsKey(hcKey), subKey, 0, sam, &key);
    *phkResult = rc == ERROR_SUCCESS ? AsHandle(key) : nullptr;
    TW_TRACE(L"< MonitorRegistry::OpenKey: %ld", rc);
    return rc;
}

LONG WINAPI CloseKey(HANDLE hcKey, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::CloseKey");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    return ::RegCloseKey(AsKey(hcKey));
}

LONG WINAPI DeleteKey(HANDLE hcKey, LPCWSTR subKey, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::DeleteKey: %s", subKey ? subKey : L"(null)");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    return ::RegDeleteKeyW(AsKey(hcKey), subKey);
}

LONG WINAPI EnumKey(HANDLE hcKey, DWORD index, LPWSTR name, PDWORD pcchName, PFILETIME lastWrite,
                    HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::EnumKey: %lu", index);
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    return ::RegEnumKeyExW(AsKey(hcKey), index, name, pcchName, nullptr, nullptr, nullptr, lastWrite);
}

// The spooler gives the longest names in bytes with their terminator (the fields are pcb...),
// unlike RegQueryInfoKey's characters without it.
LONG WINAPI QueryInfoKey(HANDLE hcKey, PDWORD subKeys, PDWORD pcbKey, PDWORD values, PDWORD pcbValue,
                         PDWORD pcbData, PDWORD pcbSecurityDescriptor, PFILETIME lastWrite, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::QueryInfoKey");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    LONG rc = ::RegQueryInfoKeyW(AsKey(hcKey), nullptr, nullptr, nullptr, subKeys, pcbKey, nullptr, values, pcbValue,
                                 pcbData, pcbSecurityDescriptor, lastWrite);
    if (rc == ERROR_SUCCESS) {
        if (pcbKey) *pcbKey = (*pcbKey + 1) * sizeof(WCHAR);
        if (pcbValue) *pcbValue = (*pcbValue + 1) * sizeof(WCHAR);
    }
    return rc;
}

LONG WINAPI SetValue(HANDLE hcKey, LPCWSTR value, DWORD type, const BYTE* data, DWORD cbData, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::SetValue: %s", value ? value : L"(null)");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    LONG rc = ::RegSetValueExW(AsKey(hcKey), value, 0, type, data, cbData);
    TW_TRACE(L"< MonitorRegistry::SetValue: %ld", rc);
    return rc;
}

LONG WINAPI DeleteValue(HANDLE hcKey, LPCWSTR value, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::DeleteValue: %s", value ? value : L"(null)");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    return ::RegDeleteValueW(AsKey(hcKey), value);
}

// The value name's size is in bytes, in and out, as its name pcbValue says.
LONG WINAPI EnumValue(HANDLE hcKey, DWORD index, LPWSTR value, PDWORD pcbValue, PDWORD type, PBYTE data,
                      PDWORD pcbData, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::EnumValue: %lu", index);
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    if (!pcbValue) return ERROR_INVALID_PARAMETER;
    DWORD cch = *pcbValue / sizeof(WCHAR);
    LONG rc = ::RegEnumValueW(AsKey(hcKey), index, value, &cch, nullptr, type, data, pcbData);
    if (rc == ERROR_SUCCESS) *pcbValue = cch * sizeof(WCHAR);
    return rc;
}

LONG WINAPI QueryValue(HANDLE hcKey, LPCWSTR value, PDWORD type, PBYTE data, PDWORD pcbData, HANDLE hSpooler) {
    TW_TRACE(L"> MonitorRegistry::QueryValue: %s", value ? value : L"(null)");
    if (!IsSpooler(hSpooler)) return ERROR_INVALID_HANDLE;
    return ::RegQueryValueExW(AsKey(hcKey), value, nullptr, type, data, pcbData);
}

const MONITORREG kFunctions = {
    .cbSize = sizeof(MONITORREG),
    .fpCreateKey = CreateKey,
    .fpOpenKey = OpenKey,
    .fpCloseKey = CloseKey,
    .fpDeleteKey = DeleteKey,
    .fpEnumKey = EnumKey,
    .fpQueryInfoKey = QueryInfoKey,
    .fpSetValue = SetValue,
    .fpDeleteValue = DeleteValue,
    .fpEnumValue = EnumValue,
    .fpQueryValue = QueryValue,
};

}  // namespace

MonitorRegistry::MonitorRegistry(const std::wstring& monitorName)
    : MonitorRegistry(HKEY_LOCAL_MACHINE, MonitorKeyPath(monitorName)) {}

MonitorRegistry::MonitorRegistry(HKEY parent, const std::wstring& subKey) : m_parent(parent), m_subKey(subKey) {
    TW_TRACE(L"> MonitorRegistry::MonitorRegistry: %s", subKey.c_str());
    // An empty subkey would make the parent itself the root, and DeleteKey would empty it.
    if (subKey.empty()) {
        m_openError = ERROR_INVALID_PARAMETER;
    } else {
        m_openError = ::RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_root.put(),
                                        nullptr);
        if (m_openError != ERROR_SUCCESS) m_root.release();
    }
    m_init.cbSize = sizeof(MONITORINIT);
    m_init.hSpooler = SpoolerHandle();
    m_init.hckRegistryRoot = m_root.get();
    m_init.pMonitorReg = const_cast<PMONITORREG>(&kFunctions);
    m_init.bLocal = TRUE;
    m_init.pszServerName = nullptr;
    TW_TRACE(L"< MonitorRegistry::MonitorRegistry: %ld", m_openError);
}

LONG MonitorRegistry::DeleteKey() {
    TW_TRACE(L"> MonitorRegistry::DeleteKey: %s", m_subKey.c_str());
    if (m_subKey.empty()) return ERROR_INVALID_PARAMETER;
    m_root.reset();
    m_init.hckRegistryRoot = nullptr;
    LONG rc = ::RegDeleteTreeW(m_parent, m_subKey.c_str());
    TW_TRACE(L"< MonitorRegistry::DeleteKey: %ld", rc);
    return rc;
}

const MONITORREG& MonitorRegistry::Functions() { return kFunctions; }

HANDLE MonitorRegistry::SpoolerHandle() { return reinterpret_cast<HANDLE>(kSpoolerHandleValue); }

// Empty for an empty name, which the constructor refuses: the path would name "Monitors" itself.
std::wstring MonitorRegistry::MonitorKeyPath(const std::wstring& monitorName) {
    return monitorName.empty() ? std::wstring() : kMonitorsKey + monitorName;
}

}  // namespace twhost
