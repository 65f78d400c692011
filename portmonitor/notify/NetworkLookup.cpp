#include "notify/NetworkLookup.h"

#include <lm.h>  // WKSTA_INFO_100 only: the functions are loaded at run time

#include <cstring>

#include "base/UniqueHandle.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr wchar_t kSocketLibrary[] = L"wsock32.dll";
constexpr wchar_t kNetworkLibrary[] = L"Netapi32.dll";
constexpr WORD kWinsockVersion = 257;  // 1.1
constexpr DWORD kWorkstationInfoLevel = 100;
constexpr int kHostNameBufferChars = 256;

using PfnWSAStartup = int(WINAPI*)(WORD, LPWSADATA);
using PfnWSACleanup = int(WINAPI*)();
using PfnGetHostByName = struct hostent*(WINAPI*)(const char*);
using PfnGetHostByAddr = struct hostent*(WINAPI*)(const char*, int, int);
using PfnGetHostName = int(WINAPI*)(char*, int);
using PfnInetAddr = unsigned long(WINAPI*)(const char*);
using PfnInetNtoa = char*(WINAPI*)(struct in_addr);
using PfnNetWkstaGetInfo = NET_API_STATUS(WINAPI*)(LMSTR, DWORD, LPBYTE*);
using PfnNetApiBufferFree = NET_API_STATUS(WINAPI*)(LPVOID);

template <typename Fn>
Fn Proc(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

std::wstring FromAnsi(const char* s) {
    if (!s || !*s) return {};
    int n = ::MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string ToAnsi(const std::wstring& s) {
    if (s.empty()) return {};
    int n = ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// The socket library, loaded and started for one lookup; cleaned up and unloaded at the end.
class WinsockSession {
public:
    WinsockSession() : m_module(::LoadLibraryW(kSocketLibrary)) {
        if (!m_module) return;
        auto startup = Proc<PfnWSAStartup>(m_module.get(), "WSAStartup");
        m_cleanup = Proc<PfnWSACleanup>(m_module.get(), "WSACleanup");
        GetHostByName = Proc<PfnGetHostByName>(m_module.get(), "gethostbyname");
        GetHostByAddr = Proc<PfnGetHostByAddr>(m_module.get(), "gethostbyaddr");
        GetHostName = Proc<PfnGetHostName>(m_module.get(), "gethostname");
        InetAddr = Proc<PfnInetAddr>(m_module.get(), "inet_addr");
        InetNtoa = Proc<PfnInetNtoa>(m_module.get(), "inet_ntoa");
        if (!startup || !m_cleanup || !GetHostByName || !GetHostByAddr || !GetHostName || !InetAddr || !InetNtoa)
            return;
        WSADATA data{};
        m_started = startup(kWinsockVersion, &data) == 0;
    }
    ~WinsockSession() {
        if (m_started) {
            PreserveLastError keep;
            m_cleanup();
        }
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

    bool ok() const { return m_started; }

    PfnGetHostByName GetHostByName = nullptr;
    PfnGetHostByAddr GetHostByAddr = nullptr;
    PfnGetHostName GetHostName = nullptr;
    PfnInetAddr InetAddr = nullptr;
    PfnInetNtoa InetNtoa = nullptr;

private:
    UniqueModule m_module;
    PfnWSACleanup m_cleanup = nullptr;
    bool m_started = false;
};

// A buffer the network library allocated, released by the library's own function.
class NetApiBuffer {
public:
    explicit NetApiBuffer(PfnNetApiBufferFree release) : m_release(release) {}
    ~NetApiBuffer() {
        if (m_p && m_release) {
            PreserveLastError keep;
            m_release(m_p);
        }
    }
    NetApiBuffer(const NetApiBuffer&) = delete;
    NetApiBuffer& operator=(const NetApiBuffer&) = delete;

    LPBYTE* put() { return &m_p; }
    LPBYTE get() const { return m_p; }

private:
    PfnNetApiBufferFree m_release;
    LPBYTE m_p = nullptr;
};

}  // namespace

HostEntry CNetworkLookup::HostByName(const std::wstring& hostName) {
    TW_TRACE(L"> CNetworkLookup::HostByName %s", hostName.c_str());
    HostEntry entry;
    std::string name = ToAnsi(hostName);
    if (name.empty()) {
        TW_TRACE_FAILED(L"CNetworkLookup::HostByName", L"Name");
        return entry;
    }
    WinsockSession ws;
    if (!ws.ok()) {
        TW_TRACE_FAILED(L"CNetworkLookup::HostByName", L"WSAStartup");
        return entry;
    }
    const hostent* he = ws.GetHostByName(name.c_str());
    if (!he) {
        TW_TRACE_FAILED(L"CNetworkLookup::HostByName", L"gethostbyname");
        return entry;
    }
    entry.name = FromAnsi(he->h_name);
    if (he->h_addrtype == AF_INET && he->h_length == sizeof(in_addr) && he->h_addr_list && he->h_addr_list[0]) {
        in_addr addr{};
        std::memcpy(&addr, he->h_addr_list[0], sizeof(addr));
        entry.address = FromAnsi(ws.InetNtoa(addr));
    }
    TW_TRACE(L"< CNetworkLookup::HostByName: %s %s", entry.name.c_str(), entry.address.c_str());
    return entry;
}

std::wstring CNetworkLookup::HostByAddr(const std::wstring& address) {
    TW_TRACE(L"> CNetworkLookup::HostByAddr %s", address.c_str());
    std::string dotted = ToAnsi(address);
    if (dotted.empty()) {
        TW_TRACE_FAILED(L"CNetworkLookup::HostByAddr", L"Address");
        return {};
    }
    WinsockSession ws;
    if (!ws.ok()) {
        TW_TRACE_FAILED(L"CNetworkLookup::HostByAddr", L"WSAStartup");
        return {};
    }
    unsigned long addr = ws.InetAddr(dotted.c_str());
    // inet_addr's failure value is also the broadcast address, which names no host either.
    if (addr == INADDR_NONE) {
        TW_TRACE_FAILED(L"CNetworkLookup::HostByAddr", L"inet_addr");
        return {};
    }
    const hostent* he = ws.GetHostByAddr(reinterpret_cast<const char*>(&addr), sizeof(addr), AF_INET);
    if (!he) {
        TW_TRACE_FAILED(L"CNetworkLookup::HostByAddr", L"gethostbyaddr");
        return {};
    }
    std::wstring name = FromAnsi(he->h_name);
    TW_TRACE(L"< CNetworkLookup::HostByAddr: %s", name.c_str());
    return name;
}

std::wstring CNetworkLookup::LocalHostName() {
    TW_TRACE(L"> CNetworkLookup::LocalHostName");
    WinsockSession ws;
    if (!ws.ok()) {
        TW_TRACE_FAILED(L"CNetworkLookup::LocalHostName", L"WSAStartup");
        return {};
    }
    char buffer[kHostNameBufferChars] = {};
    if (ws.GetHostName(buffer, sizeof(buffer) - 1) != 0) {
        TW_TRACE_FAILED(L"CNetworkLookup::LocalHostName", L"gethostname");
        return {};
    }
    std::wstring name = FromAnsi(buffer);
    TW_TRACE(L"< CNetworkLookup::LocalHostName: %s", name.c_str());
    return name;
}

std::wstring CNetworkLookup::WorkstationDomain(const std::wstring& computerName) {
    TW_TRACE(L"> CNetworkLookup::WorkstationDomain %s", computerName.c_str());
    UniqueModule module(::LoadLibraryW(kNetworkLibrary));
    if (!module) {
        TW_TRACE_FAILED(L"CNetworkLookup::WorkstationDomain", L"LoadLibrary");
        return {};
    }
    auto getInfo = Proc<PfnNetWkstaGetInfo>(module.get(), "NetWkstaGetInfo");
    auto release = Proc<PfnNetApiBufferFree>(module.get(), "NetApiBufferFree");
    if (!getInfo || !release) {
        TW_TRACE_FAILED(L"CNetworkLookup::WorkstationDomain", L"GetProcAddress");
        return {};
    }
    std::wstring server = computerName;  // the function takes a writable string
    NetApiBuffer info(release);
    if (getInfo(server.data(), kWorkstationInfoLevel, info.put()) != NERR_Success || !info.get()) {
        TW_TRACE_FAILED(L"CNetworkLookup::WorkstationDomain", L"NetWkstaGetInfo");
        return {};
    }
    const auto* wksta = reinterpret_cast<const WKSTA_INFO_100*>(info.get());
    std::wstring domain = wksta->wki100_langroup ? wksta->wki100_langroup : L"";
    TW_TRACE(L"< CNetworkLookup::WorkstationDomain: %s", domain.c_str());
    return domain;
}

INetworkLookup& ProductionNetworkLookup() {
    static CNetworkLookup lookup;
    return lookup;
}

}  // namespace tw
