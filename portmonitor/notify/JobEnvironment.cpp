#include "notify/JobEnvironment.h"

#include <winspool.h>

#include <vector>

#include "job/SettingsStore.h"
#include "monitor/DebugLog.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr wchar_t kLogOpenPrinterFailed[] = L"CTWJob::GetEnvironmentVariables: OpenPrinter failed. Error: %d";
constexpr wchar_t kLogGetJobFailed[] = L"CTWJob::GetEnvironmentVariables: GetJob failed. Error: %d";
// Nothing here fails the job, so a failed lookup is a warning.
constexpr int kLogLevelWarning = 2;
constexpr DWORD kJobInfoLevel = 2;

constexpr wchar_t kVarUserName[] = L"USERNAME";
constexpr wchar_t kVarUserDomain[] = L"USERDOMAIN";
constexpr wchar_t kVarComputerName[] = L"COMPUTERNAME";

// Cut to what a buffer of `capacity` characters holds with its terminator.
std::wstring Fit(std::wstring s, size_t capacity) {
    if (s.size() >= capacity) s.resize(capacity - 1);
    return s;
}

// "DOMAIN\user" gives "user", "\\PC01" gives "PC01".
std::wstring AfterLastBackslash(const wchar_t* s) {
    if (!s) return {};
    std::wstring_view v(s);
    size_t pos = v.rfind(L'\\');
    return std::wstring(pos == std::wstring_view::npos ? v : v.substr(pos + 1));
}

struct SpoolerJobNames {
    std::wstring user;
    std::wstring machine;
};

// User and machine of the spooler's job record (JOB_INFO_2).
bool ReadSpoolerJobNames(const std::wstring& printerName, DWORD jobId, SpoolerJobNames& names) {
    TW_TRACE(L"> ReadSpoolerJobNames %s %lu", printerName.c_str(), jobId);
    UniquePrinter printer;
    if (!printer.open(printerName.c_str())) {
        MessageCaptureLog().print(kLogLevelWarning, kLogOpenPrinterFailed, static_cast<int>(::GetLastError()));
        TW_TRACE_FAILED(L"ReadSpoolerJobNames", L"OpenPrinter");
        return false;
    }
    DWORD needed = 0;
    std::vector<BYTE> buffer;
    BOOL ok = Spooler().GetJob(printer.get(), jobId, kJobInfoLevel, nullptr, 0, &needed);
    if (!ok && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed >= sizeof(JOB_INFO_2W)) {
        buffer.resize(needed);
        ok = Spooler().GetJob(printer.get(), jobId, kJobInfoLevel, buffer.data(), needed, &needed);
    } else {
        ok = FALSE;
    }
    if (!ok) {
        MessageCaptureLog().print(kLogLevelWarning, kLogGetJobFailed, static_cast<int>(::GetLastError()));
        TW_TRACE_FAILED(L"ReadSpoolerJobNames", L"GetJob");
        return false;
    }
    const auto* info = reinterpret_cast<const JOB_INFO_2W*>(buffer.data());
    names.user = AfterLastBackslash(info->pUserName);
    names.machine = AfterLastBackslash(info->pMachineName);
    TW_TRACE(L"< ReadSpoolerJobNames: %s %s", names.user.c_str(), names.machine.c_str());
    return true;
}

void CollectForSharedPrinter(const TarnwellDEVMODE* dm, const std::wstring& printerName, DWORD jobId,
                             INetworkLookup& network, JobEnvironment& env) {
    TW_TRACE(L"> CollectForSharedPrinter");
    env.userName = Fit(DmText(dm, dmtext::ClientUserName), kJobEnvValueChars);
    env.computerName = Fit(DmText(dm, dmtext::ClientComputerName), kJobEnvValueChars);
    env.domain = Fit(DmText(dm, dmtext::ClientDomain), kJobEnvValueChars);
    env.ipAddress = Fit(DmText(dm, dmtext::ClientIPAddress), kJobEnvAddressChars);
    if (!env.userName.empty() && !env.computerName.empty() && !env.domain.empty() && !env.ipAddress.empty()) {
        TW_TRACE(L"< CollectForSharedPrinter: client values");
        return;
    }

    SpoolerJobNames names;
    if (!ReadSpoolerJobNames(printerName, jobId, names)) {
        TW_TRACE_FAILED(L"CollectForSharedPrinter", L"ReadSpoolerJobNames");
        return;
    }
    if (env.userName.empty()) env.userName = Fit(names.user, kJobEnvValueChars);
    if (env.computerName.empty()) env.computerName = Fit(names.machine, kJobEnvValueChars);
    // Without a computer name the lookups would describe this server, not the printing client.
    if (!env.computerName.empty()) {
        if (env.ipAddress.empty())
            env.ipAddress = Fit(network.HostByName(env.computerName).address, kJobEnvAddressChars);
        if (env.domain.empty()) env.domain = Fit(network.WorkstationDomain(env.computerName), kJobEnvValueChars);
    }
    TW_TRACE(L"< CollectForSharedPrinter");
}

// A user variable, else the printer's "%s\EnvVars" value of the same name; empty when neither.
std::wstring LocalValue(const TarnwellDEVMODE* dm, const wchar_t* name, UserTokenSource tokenSource) {
    std::wstring value;
    if (ExpandUserVariable(name, value, tokenSource)) return Fit(std::move(value), kJobEnvValueChars);
    std::optional<std::wstring> stored = settings::ReadString(dm, settings::kEnvVars, name);
    return stored ? Fit(std::move(*stored), kJobEnvValueChars) : std::wstring();
}

void CollectForLocalJob(const TarnwellDEVMODE* dm, UserTokenSource tokenSource, INetworkLookup& network,
                        JobEnvironment& env) {
    TW_TRACE(L"> CollectForLocalJob");
    env.userName = LocalValue(dm, kVarUserName, tokenSource);
    env.domain = LocalValue(dm, kVarUserDomain, tokenSource);
    env.computerName = LocalValue(dm, kVarComputerName, tokenSource);
    std::wstring localHost = network.LocalHostName();
    if (!localHost.empty()) env.ipAddress = Fit(network.HostByName(localHost).address, kJobEnvAddressChars);
    TW_TRACE(L"< CollectForLocalJob");
}

std::wstring FindHostName(const JobEnvironment& env, INetworkLookup& network) {
    if (!env.ipAddress.empty()) return Fit(network.HostByAddr(env.ipAddress), kJobEnvAddressChars);
    std::wstring localHost = network.LocalHostName();
    if (localHost.empty()) return {};
    return Fit(network.HostByName(localHost).name, kJobEnvAddressChars);
}

}  // namespace

JobEnvironment CollectJobEnvironment(const TarnwellDEVMODE* dm, const std::wstring& printerName, DWORD jobId,
                                     bool sharedPrinterJob) {
    return CollectJobEnvironment(dm, printerName, jobId, sharedPrinterJob, UserTokenSource::ThreadOnly,
                                 ProductionNetworkLookup());
}

JobEnvironment CollectJobEnvironment(const TarnwellDEVMODE* dm, const std::wstring& printerName, DWORD jobId,
                                     bool sharedPrinterJob, UserTokenSource tokenSource, INetworkLookup& network) {
    TW_TRACE(L"> CollectJobEnvironment %s job %lu, %s", printerName.c_str(), jobId,
             sharedPrinterJob ? L"shared printer" : L"local");
    JobEnvironment env;
    if (sharedPrinterJob)
        CollectForSharedPrinter(dm, printerName, jobId, network, env);
    else
        CollectForLocalJob(dm, tokenSource, network, env);
    env.hostName = FindHostName(env, network);
    TW_TRACE(L"< CollectJobEnvironment: %s, %s, %s, %s, %s", env.userName.c_str(), env.domain.c_str(),
             env.computerName.c_str(), env.ipAddress.c_str(), env.hostName.c_str());
    return env;
}

}  // namespace tw
