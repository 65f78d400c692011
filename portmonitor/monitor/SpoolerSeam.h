#pragma once
// The print spooler as the monitor sees it. Production code calls these, never the Win32
// functions directly: under Wine there are no printers, and the host installs a simulation.
#include <windows.h>
#include <winspool.h>

#include "base/UniqueHandle.h"

namespace tw {

class ISpooler {
public:
    virtual ~ISpooler() = default;
    virtual BOOL OpenPrinter(LPCWSTR printerName, HANDLE* phPrinter, PRINTER_DEFAULTSW* defaults) = 0;
    virtual BOOL ClosePrinter(HANDLE hPrinter) = 0;
    virtual BOOL GetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) = 0;
    virtual BOOL SetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE job, DWORD command) = 0;
    virtual BOOL GetPrinter(HANDLE hPrinter, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) = 0;
    // Returns a Win32 error code, as GetPrinterData does.
    virtual DWORD GetPrinterData(HANDLE hPrinter, LPCWSTR valueName, LPDWORD pType, LPBYTE data, DWORD cbData,
                                 LPDWORD pcbNeeded) = 0;
    virtual BOOL GetPrinterDriver(HANDLE hPrinter, LPCWSTR environment, DWORD level, LPBYTE buf, DWORD cbBuf,
                                  LPDWORD pcbNeeded) = 0;
    virtual BOOL GetPrinterDriverDirectory(LPCWSTR server, LPCWSTR environment, DWORD level, LPBYTE buf,
                                           DWORD cbBuf, LPDWORD pcbNeeded) = 0;
    // Returns the client token to hand back to ImpersonatePrinterClient, or null.
    virtual HANDLE RevertToPrinterSelf() = 0;
    virtual BOOL ImpersonatePrinterClient(HANDLE hToken) = 0;
    // A device context on the printer ("WINSPOOL" driver) for the given DEVMODE; null on failure.
    virtual HDC CreatePrinterDC(LPCWSTR printerName, const DEVMODEW* devMode) = 0;
};

// The spooler in use: the production one unless a host installed another.
ISpooler& Spooler();
// Installs `spooler` (not owned) for the whole process; null restores the production one.
void SetSpooler(ISpooler* spooler);

// A printer handle closed through the seam it came from.
class UniquePrinter {
public:
    UniquePrinter() = default;
    explicit UniquePrinter(HANDLE h) : m_h(h) {}
    ~UniquePrinter() { reset(); }
    UniquePrinter(UniquePrinter&& o) noexcept : m_h(o.release()) {}
    UniquePrinter& operator=(UniquePrinter&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    UniquePrinter(const UniquePrinter&) = delete;
    UniquePrinter& operator=(const UniquePrinter&) = delete;

    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE release() { HANDLE h = m_h; m_h = INVALID_HANDLE_VALUE; return h; }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) {
            PreserveLastError keep;
            Spooler().ClosePrinter(m_h);
        }
        m_h = h;
    }
    // Opens `printerName`; on failure the handle stays invalid.
    bool open(LPCWSTR printerName, PRINTER_DEFAULTSW* defaults = nullptr) {
        HANDLE h = nullptr;
        if (!Spooler().OpenPrinter(printerName, &h, defaults)) h = INVALID_HANDLE_VALUE;
        reset(h);
        return valid();
    }
private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// Switches to the spooler's own security context for its lifetime, then back to the client's.
class PrinterSelfScope {
public:
    PrinterSelfScope() : m_hToken(Spooler().RevertToPrinterSelf()) {}
    ~PrinterSelfScope() {
        if (m_hToken) {
            PreserveLastError keep;
            Spooler().ImpersonatePrinterClient(m_hToken);
        }
    }
    PrinterSelfScope(const PrinterSelfScope&) = delete;
    PrinterSelfScope& operator=(const PrinterSelfScope&) = delete;
private:
    HANDLE m_hToken;
};

}  // namespace tw
