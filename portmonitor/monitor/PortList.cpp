#include "monitor/PortList.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/IniFile.h"
#include "base/WideString.h"
#include "monitor/DebugLog.h"
#include "monitor/MonitorModule.h"
#include "monitor/MonitorReg.h"
#include "monitor/MonitorTexts.h"
#include "monitor/Trace.h"
#include "resources/resource.h"

namespace tw {
namespace {

std::wstring MonitorNameForPorts() {
    if (!module::OwnName().empty()) return module::OwnName();
    wchar_t buf[CTWPortInfo::kMonitorNameChars] = {};
    ::LoadStringW(module::Instance(), IDS_MONITOR_NAME, buf, CTWPortInfo::kMonitorNameChars);
    return buf;
}

DWORD StringBytes(const std::wstring& s) { return static_cast<DWORD>((s.size() + 1) * sizeof(wchar_t)); }

// Strings go from the end of the caller's buffer downwards; returns where the string landed.
LPWSTR PackString(BYTE*& end, const std::wstring& s) {
    DWORD cb = StringBytes(s);
    end -= cb;
    std::memcpy(end, s.c_str(), cb);
    return reinterpret_cast<LPWSTR>(end);
}

}  // namespace

CPortList& CPortList::Instance() {
    static CPortList list;
    return list;
}

CPortList::~CPortList() { Clear(); }

void CPortList::Clear() {
    while (m_pHead) {
        CTWPortInfo* next = m_pHead->m_pNext;
        delete m_pHead;
        m_pHead = next;
    }
    m_wCount = 0;
}

CTWPortInfo* CPortList::Find(const wchar_t* name) const {
    if (!name) return nullptr;
    for (CTWPortInfo* p = m_pHead; p; p = p->m_pNext)
        if (EqualsNoCase(p->Name(), name)) return p;
    return nullptr;
}

bool CPortList::Contains(const CTWPortInfo* port) const {
    for (CTWPortInfo* p = m_pHead; p; p = p->m_pNext)
        if (p == port) return true;
    return false;
}

CTWPortInfo* CPortList::AddTWPortInfo(const wchar_t* name, const wchar_t* path) {
    CTWPortInfo* port = nullptr;
    try {
        port = new CTWPortInfo(MonitorNameForPorts(), name, path);
    } catch (const std::bad_alloc&) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        InstallerLog().print(texts::kLogInitPortFailed, name, path);
        return nullptr;
    }
    port->m_pNext = m_pHead;
    m_pHead = port;
    ++m_wCount;
    return port;
}

BOOL CPortList::CreatePortListFromRegistry() {
    TW_TRACE(L"> CPortList::CreatePortListFromRegistry");
    MonitorRegKey key;
    LONG rc = key.Create(module::MonitorInit(), texts::kPortListKey, KEY_ALL_ACCESS);
    if (rc != ERROR_SUCCESS) {
        InstallerLog().print(texts::kLogCreateKeyFailed, rc);
        InstallerLog().print(texts::kLogCreateListFailed);
        TW_TRACE_FAILED(L"CPortList::CreatePortListFromRegistry", L"CreateKey");
        return FALSE;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[kValueNameChars] = {};
        // One extra character so that data filling the buffer still reads terminated.
        wchar_t data[kValueDataBytes / sizeof(wchar_t) + 1] = {};
        DWORD cchName = kValueNameChars, cbData = kValueDataBytes, type = 0;
        if (key.EnumValue(index, name, &cchName, &type, reinterpret_cast<BYTE*>(data), &cbData) != ERROR_SUCCESS)
            break;
        if (Find(name)) continue;
        if (!AddTWPortInfo(name, data)) {
            InstallerLog().print(texts::kLogNoPortObject);
            TW_TRACE_FAILED(L"CPortList::CreatePortListFromRegistry", L"AddTWPortInfo");
            return FALSE;
        }
    }
    TW_TRACE_RESULT(L"CPortList::CreatePortListFromRegistry", TRUE);
    return TRUE;
}

BOOL CPortList::AddPortToRegistry(const wchar_t* name) {
    TW_TRACE(L"> CPortList::AddPortToRegistry(%s)", name ? name : L"(null)");
    if (!name) return FALSE;
    MonitorRegKey key;
    if (key.Create(module::MonitorInit(), texts::kPortListKey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return ForceWriteRights(name);
    // One space, without a terminator, as the value has always been stored.
    LONG rc = key.SetString(name, texts::kPortValueData, sizeof(wchar_t));
    if (rc != ERROR_SUCCESS) {
        InstallerLog().print(texts::kLogSetValueFailed, rc);
        return FALSE;
    }
    return TRUE;
}

std::wstring CPortList::ReadPortNameForAdd() {
    wchar_t windowsDir[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windowsDir, MAX_PATH);
    IniFile ini(std::wstring(windowsDir) + L"\\" + texts::kPortIniFile);
    return ini.GetString(texts::kPortIniSection, texts::kPortIniKey, L"", kPortNameChars);
}

BOOL CPortList::AddPort(const wchar_t* requestedName) {
    TW_TRACE(L"> CPortList::AddPort(%s)", requestedName ? requestedName : L"(null)");
    CsLock lock(m_cs);
    std::wstring name = ReadPortNameForAdd();
    if (name.size() <= 1) {
        name = AskPortName();
        if (name.empty()) {
            InstallerLog().print(texts::kLogNoPortName);
            InstallerLog().print(texts::kLogAddPortFailed);
            TW_TRACE_FAILED(L"CPortList::AddPort", L"no port name");
            return FALSE;
        }
    }
    if (Find(name.c_str())) {
        ::MessageBoxW(nullptr, texts::kPortExists, texts::kMessageCaption, MB_OK | MB_SYSTEMMODAL);
        TW_TRACE_FAILED(L"CPortList::AddPort", L"port exists");
        return FALSE;
    }
    AddPortToRegistry(name.c_str());
    CreatePortListFromRegistry();
    TW_TRACE_RESULT(L"CPortList::AddPort", TRUE);
    return TRUE;
}

BOOL CPortList::DeletePort(const wchar_t* name) {
    TW_TRACE(L"> CPortList::DeletePort(%s)", name ? name : L"(null)");
    CsLock lock(m_cs);
    if (!name) return FALSE;
    {
        MonitorRegKey key;
        if (key.Create(module::MonitorInit(), texts::kPortListKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
            TW_TRACE(L"CPortList::DeletePort: Error deleting the port from the regisrty");
            return FALSE;
        }
        key.DeleteValue(name);
    }
    // Registry value names ignore case, so the port goes whatever case the caller used;
    // otherwise the port would stay listed with its value already gone.
    for (CTWPortInfo** link = &m_pHead; *link; link = &(*link)->m_pNext) {
        if (EqualsNoCase((*link)->Name(), name)) {
            CTWPortInfo* port = *link;
            *link = port->m_pNext;
            delete port;
            --m_wCount;
            TW_TRACE_RESULT(L"CPortList::DeletePort", TRUE);
            return TRUE;
        }
    }
    TW_TRACE_FAILED(L"CPortList::DeletePort", L"not in list");
    return FALSE;
}

BOOL CPortList::Enumerate(DWORD level, LPBYTE pPorts, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) const {
    DWORD needed = 0;
    for (const CTWPortInfo* p = m_pHead; p; p = p->m_pNext) {
        if (level == 1) {
            needed += sizeof(PORT_INFO_1W) + StringBytes(p->Name());
        } else {
            needed += sizeof(PORT_INFO_2W) + StringBytes(p->Name()) + StringBytes(p->MonitorName()) +
                      StringBytes(p->Description());
        }
    }
    *pcbNeeded = needed;
    *pcReturned = 0;
    if (cbBuf < needed || (needed > 0 && !pPorts)) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    BYTE* end = pPorts + cbBuf;
    DWORD count = 0;
    for (const CTWPortInfo* p = m_pHead; p; p = p->m_pNext, ++count) {
        if (level == 1) {
            PORT_INFO_1W info{};
            info.pName = PackString(end, p->Name());
            std::memcpy(pPorts + count * sizeof(PORT_INFO_1W), &info, sizeof(info));
        } else {
            PORT_INFO_2W info{};
            info.pDescription = PackString(end, p->Description());
            info.pMonitorName = PackString(end, p->MonitorName());
            info.pPortName = PackString(end, p->Name());
            info.fPortType = PORT_TYPE_WRITE;
            info.Reserved = 0;
            std::memcpy(pPorts + count * sizeof(PORT_INFO_2W), &info, sizeof(info));
        }
    }
    *pcReturned = count;
    return TRUE;
}

}  // namespace tw
