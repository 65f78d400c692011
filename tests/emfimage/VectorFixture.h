#pragma once
// A job on a simulated printer for the vector path, with a spooler in front of the simulated
// one that keeps the DEVMODE of every printer DC and, like some printer drivers, stores a
// messaging identifier of its own while the DC is made.
#include <windows.h>

#include <string>
#include <vector>

#include "support/RenderFixture.h"
#include "monitor/SpoolerSeam.h"

namespace twtest {

class DcWatchingSpooler : public tw::ISpooler {
public:
    explicit DcWatchingSpooler(tw::ISpooler& inner) : m_inner(inner) {}
    BOOL OpenPrinter(LPCWSTR n, HANDLE* h, PRINTER_DEFAULTSW* d) override { return m_inner.OpenPrinter(n, h, d); }
    BOOL ClosePrinter(HANDLE h) override { return m_inner.ClosePrinter(h); }
    BOOL GetJob(HANDLE h, DWORD id, DWORD l, LPBYTE b, DWORD cb, LPDWORD n) override {
        return m_inner.GetJob(h, id, l, b, cb, n);
    }
    BOOL SetJob(HANDLE h, DWORD id, DWORD l, LPBYTE j, DWORD c) override { return m_inner.SetJob(h, id, l, j, c); }
    BOOL GetPrinter(HANDLE h, DWORD l, LPBYTE b, DWORD cb, LPDWORD n) override { return m_inner.GetPrinter(h, l, b, cb, n); }
    DWORD GetPrinterData(HANDLE h, LPCWSTR v, LPDWORD t, LPBYTE d, DWORD cb, LPDWORD n) override {
        return m_inner.GetPrinterData(h, v, t, d, cb, n);
    }
    BOOL GetPrinterDriver(HANDLE h, LPCWSTR e, DWORD l, LPBYTE b, DWORD cb, LPDWORD n) override {
        return m_inner.GetPrinterDriver(h, e, l, b, cb, n);
    }
    BOOL GetPrinterDriverDirectory(LPCWSTR s, LPCWSTR e, DWORD l, LPBYTE b, DWORD cb, LPDWORD n) override {
        return m_inner.GetPrinterDriverDirectory(s, e, l, b, cb, n);
    }
    HANDLE RevertToPrinterSelf() override { return m_inner.RevertToPrinterSelf(); }
    BOOL ImpersonatePrinterClient(HANDLE t) override { return m_inner.ImpersonatePrinterClient(t); }
    HDC CreatePrinterDC(LPCWSTR printerName, const DEVMODEW* devMode) override;

    std::vector<std::vector<BYTE>> devModes;  // every DC's record, whole
    std::wstring overwriteKey;                // when set: the driver writes its own identifier here
    DWORD overwriteWith = 999;

private:
    tw::ISpooler& m_inner;
};

class VectorFixture : public RenderFixture {
public:
    VectorFixture();
    ~VectorFixture();
    DcWatchingSpooler& Dcs() { return m_watch; }
    // A value of the printer's group (a group format of SettingsStore.h), removed with the printer.
    void SetText(const wchar_t* group, const wchar_t* name, const wchar_t* value);
    void SetDword(const wchar_t* group, const wchar_t* name, DWORD value);
    std::wstring GroupKey(const wchar_t* group);

private:
    tw::ISpooler* m_previous;
    DcWatchingSpooler m_watch;
};

}  // namespace twtest
