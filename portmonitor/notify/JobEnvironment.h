#pragma once
// Who printed a job and from where: the printing user, the user's domain, the computer, its
// address and host name. The monitor runs in the spooler service, so its own environment says
// nothing about the printing user; these are collected once per job and offered to the path
// and text expansions.
#include <windows.h>

#include <string>
#include <string_view>

#include "notify/NetworkLookup.h"

namespace tw {

class TarnwellDEVMODE;

// Capacities in characters, terminator included.
inline constexpr size_t kJobEnvValueChars = 260;    // user name, domain, computer name
inline constexpr size_t kJobEnvAddressChars = 128;  // IP address and host name

struct JobEnvironment {
    std::wstring userName;      // USERNAME
    std::wstring domain;        // USERDOMAIN (DOMAINNAME in annotation texts)
    std::wstring computerName;  // COMPUTERNAME
    std::wstring ipAddress;     // IPADDRESS, dotted IPv4
    std::wstring hostName;      // DNS name of the address; no token
};

// Whose token expands a user variable. The spooler thread impersonates the printing user, so
// the job uses the thread's token only; a host that prints as itself (no impersonation) lets
// the expansion fall back to the process's token.
enum class UserTokenSource {
    ThreadOnly,
    ThreadOrProcess,
};

// "%" + name + "%" expanded for the printing user. False when there is no usable token, when
// the expansion fails, or when the user has no such variable (the text comes back unchanged).
bool ExpandUserVariable(std::wstring_view name, std::wstring& out,
                        UserTokenSource source = UserTokenSource::ThreadOnly);

// Collects the job's values. A shared-printer job starts from the client values the driver put
// into the record and asks the spooler's job record and the network only for what is missing; a
// local job takes the printing user's variables, the "%s\EnvVars" settings and the local
// address. Nothing here fails: a value that cannot be found stays empty.
JobEnvironment CollectJobEnvironment(const TarnwellDEVMODE* dm, const std::wstring& printerName, DWORD jobId,
                                     bool sharedPrinterJob);
JobEnvironment CollectJobEnvironment(const TarnwellDEVMODE* dm, const std::wstring& printerName, DWORD jobId,
                                     bool sharedPrinterJob, UserTokenSource tokenSource, INetworkLookup& network);

}  // namespace tw
