#include "SpoolerApi.h"

#include <winspool.h>

#include "base/UniqueHandle.h"

namespace twinstall {
namespace {

struct PrinterTraits {
    using type = HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::ClosePrinter(h); }
};
using UniquePrinter = tw::UniqueHandle<PrinterTraits>;

// Sized enumeration: ask for the size, then fill. Returns the error of the second call.
template <typename Call>
DWORD Enumerate(Call call, std::vector<BYTE>& buf, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    if (call(nullptr, 0, &needed, &count)) return ERROR_SUCCESS;
    DWORD err = ::GetLastError();
    if (err != ERROR_INSUFFICIENT_BUFFER) return err;
    buf.assign(needed, 0);
    if (!call(buf.data(), needed, &needed, &count)) return ::GetLastError();
    return ERROR_SUCCESS;
}

std::wstring Text(const wchar_t* s) { return s ? s : L""; }

}  // namespace

DWORD EnumMonitors(std::vector<MonitorEntry>& out) {
    std::vector<BYTE> buf;
    DWORD count = 0;
    DWORD err = Enumerate(
        [](BYTE* b, DWORD cb, DWORD* needed, DWORD* n) { return ::EnumMonitorsW(nullptr, 2, b, cb, needed, n); }, buf,
        count);
    if (err != ERROR_SUCCESS) return err;
    const auto* info = reinterpret_cast<const MONITOR_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < count; ++i)
        out.push_back({Text(info[i].pName), Text(info[i].pEnvironment), Text(info[i].pDLLName)});
    return ERROR_SUCCESS;
}

DWORD AddMonitor(const std::wstring& name, const std::wstring& dll) {
    MONITOR_INFO_2W info{};
    info.pName = const_cast<LPWSTR>(name.c_str());
    info.pEnvironment = nullptr;  // the spooler's own environment
    info.pDLLName = const_cast<LPWSTR>(dll.c_str());
    return ::AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&info)) ? ERROR_SUCCESS : ::GetLastError();
}

DWORD DeleteMonitor(const std::wstring& name) {
    return ::DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(name.c_str())) ? ERROR_SUCCESS : ::GetLastError();
}

DWORD EnumPortsOf(const std::wstring& monitor, std::vector<PortEntry>& out) {
    std::vector<BYTE> buf;
    DWORD count = 0;
    DWORD err = Enumerate(
        [](BYTE* b, DWORD cb, DWORD* needed, DWORD* n) { return ::EnumPortsW(nullptr, 2, b, cb, needed, n); }, buf,
        count);
    if (err != ERROR_SUCCESS) return err;
    const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pMonitorName && ::lstrcmpiW(info[i].pMonitorName, monitor.c_str()) == 0)
            out.push_back({Text(info[i].pPortName), Text(info[i].pMonitorName), Text(info[i].pDescription)});
    return ERROR_SUCCESS;
}

DWORD XcvPortCommand(const std::wstring& monitor, const wchar_t* command, const std::wstring& port, DWORD& xcvStatus) {
    std::wstring object = L",XcvMonitor " + monitor;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE opened = nullptr;
    if (!::OpenPrinterW(const_cast<LPWSTR>(object.c_str()), &opened, &defaults)) return ::GetLastError();
    UniquePrinter xcv(opened);
    DWORD needed = 0;
    xcvStatus = ERROR_SUCCESS;
    BOOL ok = ::XcvDataW(xcv.get(), command, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port.c_str())),
                         static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed, &xcvStatus);
    return ok ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace twinstall
