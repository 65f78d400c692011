#include "monitor/MonitorReg.h"

#include "base/UniqueHandle.h"

namespace tw {
namespace {
bool Usable(const MONITORINIT* init) { return init && init->pMonitorReg && init->hckRegistryRoot; }
}  // namespace

MonitorRegKey& MonitorRegKey::operator=(MonitorRegKey&& o) noexcept {
    if (this != &o) {
        Close();
        m_pInit = o.m_pInit;
        m_hKey = o.m_hKey;
        o.m_hKey = nullptr;
    }
    return *this;
}

LONG MonitorRegKey::Create(const MONITORINIT* init, const wchar_t* subKey, REGSAM access) {
    Close();
    if (!Usable(init) || !init->pMonitorReg->fpCreateKey) return ERROR_INVALID_PARAMETER;
    m_pInit = init;
    HANDLE hKey = nullptr;
    DWORD disposition = 0;
    LONG rc = init->pMonitorReg->fpCreateKey(init->hckRegistryRoot, subKey, 0, access, nullptr, &hKey, &disposition,
                                             init->hSpooler);
    if (rc == ERROR_SUCCESS) m_hKey = hKey;
    return rc;
}

LONG MonitorRegKey::SetString(const wchar_t* name, const wchar_t* data, DWORD cbData) {
    if (!valid() || !m_pInit->pMonitorReg->fpSetValue) return ERROR_INVALID_HANDLE;
    return m_pInit->pMonitorReg->fpSetValue(m_hKey, name, REG_SZ, reinterpret_cast<const BYTE*>(data), cbData,
                                            m_pInit->hSpooler);
}

LONG MonitorRegKey::DeleteValue(const wchar_t* name) {
    if (!valid() || !m_pInit->pMonitorReg->fpDeleteValue) return ERROR_INVALID_HANDLE;
    return m_pInit->pMonitorReg->fpDeleteValue(m_hKey, name, m_pInit->hSpooler);
}

LONG MonitorRegKey::EnumValue(DWORD index, wchar_t* name, DWORD* pcchName, DWORD* pType, BYTE* data,
                              DWORD* pcbData) {
    if (!valid() || !m_pInit->pMonitorReg->fpEnumValue) return ERROR_INVALID_HANDLE;
    return m_pInit->pMonitorReg->fpEnumValue(m_hKey, index, name, pcchName, pType, data, pcbData, m_pInit->hSpooler);
}

void MonitorRegKey::Close() {
    if (m_hKey && m_pInit && m_pInit->pMonitorReg->fpCloseKey) {
        PreserveLastError keep;
        m_pInit->pMonitorReg->fpCloseKey(m_hKey, m_pInit->hSpooler);
    }
    m_hKey = nullptr;
}

LONG SetRootValue(const MONITORINIT* init, const wchar_t* name, DWORD type, const void* data, DWORD cbData) {
    if (!Usable(init) || !init->pMonitorReg->fpSetValue) return ERROR_INVALID_PARAMETER;
    return init->pMonitorReg->fpSetValue(init->hckRegistryRoot, name, type, static_cast<const BYTE*>(data), cbData,
                                         init->hSpooler);
}

LONG DeleteRootValue(const MONITORINIT* init, const wchar_t* name) {
    if (!Usable(init) || !init->pMonitorReg->fpDeleteValue) return ERROR_INVALID_PARAMETER;
    return init->pMonitorReg->fpDeleteValue(init->hckRegistryRoot, name, init->hSpooler);
}

}  // namespace tw
