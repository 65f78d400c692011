#pragma once
// The name and address lookups behind the job environment. The production implementation loads
// the socket and network libraries at run time, so that the monitor starts on machines where
// they are missing; each lookup opens and closes its own socket session.
#include <windows.h>

#include <string>

namespace tw {

// The entry gethostbyname gives for a name: its official name and its first IPv4 address.
struct HostEntry {
    std::wstring name;
    std::wstring address;  // dotted, as inet_ntoa formats it
};

class INetworkLookup {
public:
    virtual ~INetworkLookup() = default;
    // Empty members when the name does not resolve.
    virtual HostEntry HostByName(const std::wstring& hostName) = 0;
    // The DNS name of a dotted IPv4 address; empty when it has none.
    virtual std::wstring HostByAddr(const std::wstring& address) = 0;
    // This computer's host name as gethostname gives it; empty on failure.
    virtual std::wstring LocalHostName() = 0;
    // The LAN group (domain or workgroup) of a computer, from its workstation information.
    virtual std::wstring WorkstationDomain(const std::wstring& computerName) = 0;
};

// "wsock32.dll" (WSAStartup 1.1, WSACleanup after each lookup) and "Netapi32.dll".
class CNetworkLookup final : public INetworkLookup {
public:
    HostEntry HostByName(const std::wstring& hostName) override;
    std::wstring HostByAddr(const std::wstring& address) override;
    std::wstring LocalHostName() override;
    std::wstring WorkstationDomain(const std::wstring& computerName) override;
};

// The process's production lookups.
INetworkLookup& ProductionNetworkLookup();

}  // namespace tw
