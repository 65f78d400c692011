#include "monitor/MonitorReg.h"

#include <string>

#include "base/Registry.h"
#include "monitor/MonitorModule.h"
#include "monitor/MonitorTexts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

bool Usable(const MONITORINIT* init) { return init && init->pMonitorReg && init->hckRegistryRoot; }

bool NotImplemented(LONG rc) { return rc == ERROR_CALL_NOT_IMPLEMENTED; }

// HKLM\...\Print\Monitors\<own name>\<subKey>, the key the spooler's root stands for.
LONG CreateOwnWin32Key(const wchar_t* subKey, REGSAM access, UniqueHKey& out) {
    const std::wstring& own = module::OwnName();
    if (own.empty()) return ERROR_CALL_NOT_IMPLEMENTED;
    std::wstring path = std::wstring(texts::kMonitorsKey) + L"\\" + own;
    if (subKey && *subKey) path += std::wstring(L"\\") + subKey;
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) out.reset(key);
    return rc;
}

}  // namespace

MonitorRegKey::MonitorRegKey(MonitorRegKey&& o) noexcept
    : m_pInit(o.m_pInit), m_hKey(o.m_hKey), m_win32(std::move(o.m_win32)) {
    o.m_hKey = nullptr;
}

MonitorRegKey& MonitorRegKey::operator=(MonitorRegKey&& o) noexcept {
    if (this != &o) {
        Close();
        m_pInit = o.m_pInit;
        m_hKey = o.m_hKey;
        m_win32 = std::move(o.m_win32);
        o.m_hKey = nullptr;
    }
    return *this;
}

LONG MonitorRegKey::Create(const MONITORINIT* init, const wchar_t* subKey, REGSAM access) {
    Close();
    if (!Usable(init)) return ERROR_INVALID_PARAMETER;
    m_pInit = init;
    LONG rc = ERROR_CALL_NOT_IMPLEMENTED;
    if (init->pMonitorReg->fpCreateKey) {
        HANDLE hKey = nullptr;
        DWORD disposition = 0;
        rc = init->pMonitorReg->fpCreateKey(init->hckRegistryRoot, subKey, 0, access, nullptr, &hKey, &disposition,
                                            init->hSpooler);
        if (rc == ERROR_SUCCESS) m_hKey = hKey;
    }
    if (!NotImplemented(rc)) return rc;
    LONG own = CreateOwnWin32Key(subKey, access, m_win32);
    TW_TRACE(L"MonitorRegKey::Create: the spooler's registry functions are missing, own key: %ld", own);
    return own;
}

LONG MonitorRegKey::SetString(const wchar_t* name, const wchar_t* data, DWORD cbData) {
    if (m_win32) return ::RegSetValueExW(m_win32.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), cbData);
    if (!m_hKey || !m_pInit->pMonitorReg->fpSetValue) return ERROR_INVALID_HANDLE;
    return m_pInit->pMonitorReg->fpSetValue(m_hKey, name, REG_SZ, reinterpret_cast<const BYTE*>(data), cbData,
                                            m_pInit->hSpooler);
}

LONG MonitorRegKey::DeleteValue(const wchar_t* name) {
    if (m_win32) return ::RegDeleteValueW(m_win32.get(), name);
    if (!m_hKey || !m_pInit->pMonitorReg->fpDeleteValue) return ERROR_INVALID_HANDLE;
    return m_pInit->pMonitorReg->fpDeleteValue(m_hKey, name, m_pInit->hSpooler);
}

LONG MonitorRegKey::EnumValue(DWORD index, wchar_t* name, DWORD* pcchName, DWORD* pType, BYTE* data,
                              DWORD* pcbData) {
    if (m_win32) return ::RegEnumValueW(m_win32.get(), index, name, pcchName, nullptr, pType, data, pcbData);
    if (!m_hKey || !m_pInit->pMonitorReg->fpEnumValue) return ERROR_INVALID_HANDLE;
    return m_pInit->pMonitorReg->fpEnumValue(m_hKey, index, name, pcchName, pType, data, pcbData, m_pInit->hSpooler);
}

void MonitorRegKey::Close() {
    if (m_hKey && m_pInit && m_pInit->pMonitorReg->fpCloseKey) {
        PreserveLastError keep;
        m_pInit->pMonitorReg->fpCloseKey(m_hKey, m_pInit->hSpooler);
    }
    m_hKey = nullptr;
    m_win32.reset();
}

LONG SetRootValue(const MONITORINIT* init, const wchar_t* name, DWORD type, const void* data, DWORD cbData) {
    if (!Usable(init)) return ERROR_INVALID_PARAMETER;
    LONG rc = init->pMonitorReg->fpSetValue ? init->pMonitorReg->fpSetValue(init->hckRegistryRoot, name, type,
                                                                            static_cast<const BYTE*>(data), cbData,
                                                                            init->hSpooler)
                                            : ERROR_CALL_NOT_IMPLEMENTED;
    if (!NotImplemented(rc)) return rc;
    return ::RegSetValueExW(static_cast<HKEY>(init->hckRegistryRoot), name, 0, type, static_cast<const BYTE*>(data),
                            cbData);
}

LONG DeleteRootValue(const MONITORINIT* init, const wchar_t* name) {
    if (!Usable(init)) return ERROR_INVALID_PARAMETER;
    LONG rc = init->pMonitorReg->fpDeleteValue
                  ? init->pMonitorReg->fpDeleteValue(init->hckRegistryRoot, name, init->hSpooler)
                  : ERROR_CALL_NOT_IMPLEMENTED;
    if (!NotImplemented(rc)) return rc;
    return ::RegDeleteValueW(static_cast<HKEY>(init->hckRegistryRoot), name);
}

}  // namespace tw
