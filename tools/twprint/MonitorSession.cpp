#include "MonitorSession.h"

#include "base/IniFile.h"
#include "base/NamedMutexLock.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/Exports.h"
#include "monitor/MonitorModule.h"
#include "monitor/MonitorTexts.h"

namespace twprint {

MonitorSession::MonitorSession() : m_registry(kMonitorName) { tw::module::ProcessAttach(::GetModuleHandleW(nullptr)); }

MonitorSession::~MonitorSession() { tw::module::ProcessDetach(); }

bool MonitorSession::Initialize(std::wstring& error) {
    if (!m_registry.valid()) {
        error = L"cannot open the monitor's registry key (error " + std::to_wstring(m_registry.OpenError()) + L")";
        return false;
    }
    HANDLE hMonitor = nullptr;
    m_table = InitializePrintMonitor2(m_registry.MonitorInit(), &hMonitor);
    Record(L"InitializePrintMonitor2", m_table != nullptr);
    if (!m_table) {
        error = L"InitializePrintMonitor2 returned no table";
        return false;
    }
    return true;
}

bool MonitorSession::Record(const wchar_t* fn, BOOL result, long long written, ULONGLONG start) {
    CallRecord rec{fn, result != FALSE, result ? 0 : ::GetLastError(), written,
                   start ? static_cast<long long>(::GetTickCount64() - start) : -1};
    std::lock_guard<std::mutex> lock(m_callsLock);
    m_calls[::GetCurrentThreadId()].push_back(rec);
    return rec.result;
}

std::vector<CallRecord> MonitorSession::Calls() const {
    std::lock_guard<std::mutex> lock(m_callsLock);
    auto it = m_calls.find(::GetCurrentThreadId());
    return it == m_calls.end() ? std::vector<CallRecord>() : it->second;
}

bool MonitorSession::EnumPorts(std::vector<PortEntry>& ports) {
    DWORD needed = 0, returned = 0;
    ::SetLastError(0);
    BOOL ok = m_table->pfnEnumPorts(nullptr, nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buf(needed ? needed : 1);
    if (!ok) ok = m_table->pfnEnumPorts(nullptr, nullptr, 2, buf.data(), needed, &needed, &returned);
    Record(L"EnumPorts", ok);
    if (!ok) return false;
    ports.clear();
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < returned; ++i)
        ports.push_back({info[i].pPortName, info[i].pMonitorName, info[i].pDescription, info[i].fPortType});
    return true;
}

bool MonitorSession::HasPort(const std::wstring& name) {
    std::vector<PortEntry> ports;
    if (!EnumPorts(ports)) return false;
    for (const auto& p : ports)
        if (tw::EqualsNoCase(p.name, name)) return true;
    return false;
}

bool MonitorSession::XcvData(const wchar_t* dataName, const std::wstring& input, DWORD& code) {
    HANDLE hXcv = nullptr;
    std::wstring object = std::wstring(L",XcvMonitor ") + kMonitorName;
    if (!Record(L"XcvOpenPort", m_table->pfnXcvOpenPort(nullptr, object.c_str(), SERVER_ACCESS_ADMINISTER, &hXcv)))
        return false;
    DWORD needed = 0;
    code = m_table->pfnXcvDataPort(hXcv, dataName, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(input.c_str())),
                                   static_cast<DWORD>((input.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed);
    ::SetLastError(code);
    Record((std::wstring(L"XcvDataPort ") + dataName).c_str(), code == ERROR_SUCCESS);
    // No port of the object's name: closing reports that, which is expected here.
    m_table->pfnXcvClosePort(hXcv);
    return true;
}

namespace {

// Longer than any port addition takes, short enough that a hung installer does not hang us.
constexpr DWORD kPortInstallTimeoutMs = 60 * 1000;

}  // namespace

bool MonitorSession::AddPort(const std::wstring& name) {
    // One installer at a time hands a name over through the INI file.
    tw::NamedMutexLock install(tw::texts::kPortInstallMutex, kPortInstallTimeoutMs);
    if (!install.Owned()) return false;
    wchar_t windowsDir[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windowsDir, MAX_PATH);
    tw::IniFile ini(std::wstring(windowsDir) + L"\\" + tw::texts::kPortIniFile);
    ini.WriteString(tw::texts::kPortIniSection, tw::texts::kPortIniKey, name.c_str());
    DWORD code = 0;
    bool ok = XcvData(L"AddPort", name, code);
    // Leave no name behind for the next installer.
    ini.WriteString(tw::texts::kPortIniSection, tw::texts::kPortIniKey, nullptr);
    return ok && code == ERROR_SUCCESS;
}

bool MonitorSession::DeletePort(const std::wstring& name) {
    DWORD code = 0;
    return XcvData(L"DeletePort", name, code) && code == ERROR_SUCCESS;
}

HANDLE MonitorSession::OpenPort(const std::wstring& name) {
    HANDLE h = nullptr;
    if (!Record(L"OpenPort", m_table->pfnOpenPort(nullptr, const_cast<LPWSTR>(name.c_str()), &h))) return nullptr;
    return h;
}

bool MonitorSession::StartDocPort(HANDLE port, const std::wstring& printer, DWORD jobId, const std::wstring& doc) {
    DOC_INFO_1W info{const_cast<LPWSTR>(doc.c_str()), nullptr, nullptr};
    const ULONGLONG start = ::GetTickCount64();
    const BOOL ok = m_table->pfnStartDocPort(port, const_cast<LPWSTR>(printer.c_str()), jobId, 1,
                                             reinterpret_cast<BYTE*>(&info));
    return Record(L"StartDocPort", ok, -1, start);
}

bool MonitorSession::WritePort(HANDLE port, const BYTE* data, DWORD cb) {
    DWORD written = 0;
    const ULONGLONG start = ::GetTickCount64();
    BOOL ok = m_table->pfnWritePort(port, const_cast<BYTE*>(data), cb, &written);
    return Record(L"WritePort", ok, written, start);
}

bool MonitorSession::EndDocPort(HANDLE port) {
    const ULONGLONG start = ::GetTickCount64();
    const BOOL ok = m_table->pfnEndDocPort(port);
    return Record(L"EndDocPort", ok, -1, start);
}

bool MonitorSession::ClosePort(HANDLE port) { return Record(L"ClosePort", m_table->pfnClosePort(port)); }

}  // namespace twprint
