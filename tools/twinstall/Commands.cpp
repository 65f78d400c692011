#include "Commands.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>

#include "InstallFiles.h"
#include "Messages.h"
#include "SpoolerApi.h"
#include "base/NamedMutexLock.h"
#include "base/UniqueHandle.h"
#include "monitor/MonitorTexts.h"

namespace twinstall {
namespace {

using tw::texts::kPortIniFile;
using tw::texts::kPortIniKey;
using tw::texts::kPortIniSection;

// Longer than any port addition takes, short enough that a hung installer does not hang us.
constexpr DWORD kPortInstallTimeoutMs = 60 * 1000;

bool IsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID raw = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &raw))
        return false;
    tw::UniqueSid admins(raw);
    BOOL member = FALSE;
    return ::CheckTokenMembership(nullptr, admins.get(), &member) && member;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// The installed monitor of that name, if any; an error means the spooler could not be asked.
DWORD FindMonitor(const std::wstring& name, MonitorEntry& found, bool& installed) {
    std::vector<MonitorEntry> monitors;
    DWORD err = EnumMonitors(monitors);
    installed = false;
    for (const MonitorEntry& m : monitors)
        if (SameName(m.name, name)) {
            found = m;
            installed = true;
        }
    return err;
}

std::wstring PortIniPath() {
    wchar_t dir[MAX_PATH] = {};
    ::GetWindowsDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\" + kPortIniFile;
}

// The monitor takes the name of a port to add from TwMonitor.ini in the Windows directory: hand
// it over for the one Xcv call, one installer at a time, then put back what was there.
DWORD AddPortThroughXcv(const std::wstring& monitor, const std::wstring& port, DWORD& xcvStatus) {
    tw::NamedMutexLock install(tw::texts::kPortInstallMutex, kPortInstallTimeoutMs);
    if (!install.Owned()) return ERROR_TIMEOUT;
    const std::wstring ini = PortIniPath();
    wchar_t previous[256] = {};
    ::GetPrivateProfileStringW(kPortIniSection, kPortIniKey, L"", previous, 256, ini.c_str());
    if (!::WritePrivateProfileStringW(kPortIniSection, kPortIniKey, port.c_str(), ini.c_str())) return ::GetLastError();
    DWORD err = XcvPortCommand(monitor, L"AddPort", port, xcvStatus);
    ::WritePrivateProfileStringW(kPortIniSection, kPortIniKey, previous[0] ? previous : nullptr, ini.c_str());
    return err;
}

int CheckCaller(const Options& options, MonitorEntry& monitor, bool& installed) {
    if (!IsAdministrator())
        return Fail(L"administrator rights are needed to install or remove a port monitor. Run twinstall from an "
                    L"elevated command prompt.");
    DWORD err = FindMonitor(options.monitor, monitor, installed);
    if (err != ERROR_SUCCESS) return FailWithError(L"EnumMonitors", err);
    return kExitOk;
}

int AddPorts(const Options& options) {
    std::vector<PortEntry> existing;
    DWORD err = EnumPortsOf(options.monitor, existing);
    if (err != ERROR_SUCCESS) return FailWithError(L"EnumPorts", err);
    for (const std::wstring& port : options.ports) {
        if (std::any_of(existing.begin(), existing.end(), [&](const PortEntry& p) { return SameName(p.name, port); })) {
            Say(L"port %ls: already there", port.c_str());
            continue;
        }
        DWORD status = ERROR_SUCCESS;
        err = AddPortThroughXcv(options.monitor, port, status);
        if (err != ERROR_SUCCESS) return FailWithError(L"XcvData \"AddPort\" " + port, err);
        if (status != ERROR_SUCCESS) return FailWithError(L"the monitor refused port " + port, status);
        std::vector<PortEntry> now;
        EnumPortsOf(options.monitor, now);
        if (std::none_of(now.begin(), now.end(), [&](const PortEntry& p) { return SameName(p.name, port); }))
            return Fail(L"port %ls: the monitor answered the add but does not list the port", port.c_str());
        Say(L"port %ls: added", port.c_str());
    }
    return kExitOk;
}

void MergeRecord(const std::wstring& monitor, const std::wstring& directory, const CopyResult& copy) {
    InstallRecord record;
    if (!ReadRecord(monitor, record) || !SameName(record.directory, directory)) record = InstallRecord{directory, {}};
    for (const auto* list : {&copy.copied, &copy.unchanged})
        for (const std::wstring& f : *list)
            if (std::none_of(record.files.begin(), record.files.end(), [&](const std::wstring& r) { return SameName(r, f); }))
                record.files.push_back(f);
    if (DWORD err = WriteRecord(monitor, record); err != ERROR_SUCCESS)
        Say(L"warning: the list of installed files could not be recorded (error %lu)", err);
}

}  // namespace

int Install(const Options& options) {
    MonitorEntry monitor;
    bool installed = false;
    if (int rc = CheckCaller(options, monitor, installed); rc != kExitOk) return rc;
    const std::wstring system = SystemDirectory();
    const std::wstring target = options.directory.empty() ? system : options.directory;
    const std::wstring source = options.source.empty() ? ProgramDirectory() : options.source;

    CopyResult copy = CopyInstallFiles(source, target);
    if (!copy.copied.empty() || !copy.unchanged.empty()) MergeRecord(options.monitor, target, copy);
    for (const std::wstring& f : copy.copied) Say(L"file %ls: copied", f.c_str());
    for (const std::wstring& f : copy.unchanged) Say(L"file %ls: unchanged", f.c_str());
    if (copy.error != ERROR_SUCCESS) return FailWithError(L"copying " + copy.failedFile, copy.error);

    // The spooler looks for a bare DLL name in the system directory.
    const std::wstring dll = SameName(target, system) ? std::wstring(kMonitorDll) : target + L"\\" + kMonitorDll;
    if (installed) {
        Say(L"monitor %ls: already installed (%ls)", options.monitor.c_str(), monitor.dll.c_str());
    } else {
        DWORD err = AddMonitor(options.monitor, dll);
        if (err == ERROR_PRINT_MONITOR_ALREADY_INSTALLED)
            Say(L"monitor %ls: already installed", options.monitor.c_str());
        else if (err != ERROR_SUCCESS)
            return FailWithError(L"AddMonitor \"" + options.monitor + L"\"", err);
        else
            Say(L"monitor %ls: installed (%ls)", options.monitor.c_str(), dll.c_str());
    }
    return AddPorts(options);
}

int Uninstall(const Options& options) {
    MonitorEntry monitor;
    bool installed = false;
    if (int rc = CheckCaller(options, monitor, installed); rc != kExitOk) return rc;
    if (installed) {
        std::vector<PortEntry> ports;
        DWORD err = EnumPortsOf(options.monitor, ports);
        if (err != ERROR_SUCCESS) return FailWithError(L"EnumPorts", err);
        for (const PortEntry& port : ports) {
            DWORD status = ERROR_SUCCESS;
            err = XcvPortCommand(options.monitor, L"DeletePort", port.name, status);
            if (err != ERROR_SUCCESS) return FailWithError(L"XcvData \"DeletePort\" " + port.name, err);
            Say(L"port %ls: deleted", port.name.c_str());
        }
        err = DeleteMonitor(options.monitor);
        if (err != ERROR_SUCCESS && err != ERROR_UNKNOWN_PRINT_MONITOR)
            return FailWithError(L"DeleteMonitor \"" + options.monitor + L"\"", err);
        Say(L"monitor %ls: removed", options.monitor.c_str());
    } else {
        Say(L"monitor %ls: not installed", options.monitor.c_str());
    }
    InstallRecord record;
    if (!ReadRecord(options.monitor, record)) {
        Say(L"no record of installed files");
        return kExitOk;
    }
    InstallRecord left{record.directory, {}};
    DWORD firstError = ERROR_SUCCESS;
    std::wstring firstFile;
    for (const std::wstring& f : record.files) {
        if (::DeleteFileW(f.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND) {
            Say(L"file %ls: removed", f.c_str());
            continue;
        }
        if (firstError == ERROR_SUCCESS) {
            firstError = ::GetLastError();
            firstFile = f;
        }
        left.files.push_back(f);
    }
    if (left.files.empty()) {
        DeleteRecord(options.monitor);
        return kExitOk;
    }
    WriteRecord(options.monitor, left);
    return FailWithError(L"removing " + firstFile, firstError);
}

int Status(const Options& options) {
    MonitorEntry monitor;
    bool installed = false;
    DWORD err = FindMonitor(options.monitor, monitor, installed);
    if (err != ERROR_SUCCESS) return FailWithError(L"EnumMonitors", err);
    if (installed)
        Say(L"monitor %ls: installed (%ls, %ls)", options.monitor.c_str(), monitor.dll.c_str(),
            monitor.environment.c_str());
    else
        Say(L"monitor %ls: not installed", options.monitor.c_str());
    std::vector<PortEntry> ports;
    if (installed) {
        err = EnumPortsOf(options.monitor, ports);
        if (err != ERROR_SUCCESS) return FailWithError(L"EnumPorts", err);
    }
    for (const PortEntry& port : ports)
        Say(L"port %ls: monitor \"%ls\", description \"%ls\"", port.name.c_str(), port.monitor.c_str(),
            port.description.c_str());
    InstallRecord record;
    if (ReadRecord(options.monitor, record)) {
        for (const std::wstring& f : record.files) {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (::GetFileAttributesExW(f.c_str(), GetFileExInfoStandard, &data))
                Say(L"file %ls: %llu bytes", f.c_str(),
                    (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
            else
                Say(L"file %ls: missing", f.c_str());
        }
    }
    return kExitOk;
}

}  // namespace twinstall
