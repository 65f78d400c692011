#include "monitor/MonitorTestSupport.h"

#include "base/IniFile.h"
#include "base/Registry.h"

namespace twtest {

ScopedMonitorKey::ScopedMonitorKey(const std::wstring& monitorName)
    : m_registry(std::make_unique<twhost::MonitorRegistry>(monitorName)) {}

ScopedMonitorKey::~ScopedMonitorKey() { m_registry->DeleteKey(); }

void ScopedMonitorKey::AddPortValue(const std::wstring& port) {
    tw::UniqueHKey key = tw::CreateKey(m_registry->Root(), L"PortList");
    ::RegSetValueExW(key.get(), port.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L" "), sizeof(wchar_t));
}

std::vector<std::wstring> ScopedMonitorKey::PortValues() {
    std::vector<std::wstring> names;
    tw::UniqueHKey key = tw::OpenKey(m_registry->Root(), L"PortList");
    if (!key) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD cch = 256;
        if (::RegEnumValueW(key.get(), i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, cch);
    }
    return names;
}

namespace {
std::wstring PortIniPath() {
    wchar_t dir[MAX_PATH] = {};
    ::GetWindowsDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\TwMonitor.ini";
}
}  // namespace

ScopedPortIni::ScopedPortIni(const std::wstring& name) : m_path(PortIniPath()) {
    tw::IniFile(m_path).WriteString(L"PortName", L"PortName", name.c_str());
}

ScopedPortIni::~ScopedPortIni() { tw::IniFile(m_path).WriteString(L"PortName", L"PortName", nullptr); }

std::vector<PortInfo2> ReadPorts2(const BYTE* buf, DWORD count) {
    std::vector<PortInfo2> out;
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buf);
    for (DWORD i = 0; i < count; ++i)
        out.push_back({info[i].pPortName, info[i].pMonitorName, info[i].pDescription, info[i].fPortType});
    return out;
}

}  // namespace twtest
