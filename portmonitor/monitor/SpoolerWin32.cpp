#include "monitor/SpoolerSeam.h"

#include <winsplp.h>

namespace tw {
namespace {

class Win32Spooler final : public ISpooler {
public:
    BOOL OpenPrinter(LPCWSTR name, HANDLE* ph, PRINTER_DEFAULTSW* d) override {
        return ::OpenPrinterW(const_cast<LPWSTR>(name), ph, d);
    }
    BOOL ClosePrinter(HANDLE h) override { return ::ClosePrinter(h); }
    BOOL GetJob(HANDLE h, DWORD id, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) override {
        return ::GetJobW(h, id, level, buf, cb, needed);
    }
    BOOL SetJob(HANDLE h, DWORD id, DWORD level, LPBYTE job, DWORD command) override {
        return ::SetJobW(h, id, level, job, command);
    }
    BOOL GetPrinter(HANDLE h, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) override {
        return ::GetPrinterW(h, level, buf, cb, needed);
    }
    DWORD GetPrinterData(HANDLE h, LPCWSTR value, LPDWORD type, LPBYTE data, DWORD cb, LPDWORD needed) override {
        return ::GetPrinterDataW(h, const_cast<LPWSTR>(value), type, data, cb, needed);
    }
    BOOL GetPrinterDriver(HANDLE h, LPCWSTR env, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) override {
        return ::GetPrinterDriverW(h, const_cast<LPWSTR>(env), level, buf, cb, needed);
    }
    BOOL GetPrinterDriverDirectory(LPCWSTR server, LPCWSTR env, DWORD level, LPBYTE buf, DWORD cb,
                                   LPDWORD needed) override {
        return ::GetPrinterDriverDirectoryW(const_cast<LPWSTR>(server), const_cast<LPWSTR>(env), level, buf, cb,
                                            needed);
    }
    HANDLE RevertToPrinterSelf() override { return ::RevertToPrinterSelf(); }
    BOOL ImpersonatePrinterClient(HANDLE token) override { return ::ImpersonatePrinterClient(token); }
    HDC CreatePrinterDC(LPCWSTR printerName, const DEVMODEW* dm) override {
        return ::CreateDCW(L"WINSPOOL", printerName, nullptr, dm);
    }
};

Win32Spooler g_win32Spooler;
ISpooler* g_spooler = &g_win32Spooler;

}  // namespace

ISpooler& Spooler() { return *g_spooler; }
void SetSpooler(ISpooler* spooler) { g_spooler = spooler ? spooler : &g_win32Spooler; }

}  // namespace tw
