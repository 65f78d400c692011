#pragma once
// A print spooler in memory for hosts and tests: Wine has no printers. It answers the monitor's
// spooler calls with the Win32 buffer and error protocol and records every call it gets.
#include <windows.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/CriticalSection.h"
#include "host/SimModel.h"
#include "monitor/SpoolerSeam.h"

namespace twhost {

class SimSpooler final : public tw::ISpooler {
public:
    SimSpooler();
    ~SimSpooler() override;
    SimSpooler(const SimSpooler&) = delete;
    SimSpooler& operator=(const SimSpooler&) = delete;

    // ---- The host's side.
    // False when the name is empty or taken (names compare without case).
    bool AddPrinter(const SimPrinter& printer);
    // Replaces the definition of an existing printer; open handles stay valid.
    bool UpdatePrinter(const SimPrinter& printer);
    // Its jobs leave the queue and its handles become invalid (ClosePrinter still accepts them).
    bool RemovePrinter(const std::wstring& name);
    std::optional<SimPrinter> FindPrinter(const std::wstring& name) const;
    bool SetPrinterData(const std::wstring& printer, const std::wstring& valueName, DWORD type, const void* data,
                        DWORD cbData);
    // What GetPrinterDriverDirectory answers, whatever the server and environment.
    void SetDriverDirectory(const std::wstring& directory);
    std::wstring DriverDirectory() const;

    // Queues a job on `printer`; returns its id, or 0 when the printer is unknown or the id taken.
    DWORD AddJob(const std::wstring& printer, const SimJob& job);
    // The user deleted the job from the queue while it prints: JOB_STATUS_DELETING, as the
    // monitor finds it at EndDocPort.
    bool MarkJobDeleting(DWORD jobId);
    // The port is done with the job (after EndDocPort): it leaves the queue, printed unless it
    // was being deleted.
    bool FinishJob(DWORD jobId);
    // A job's record, also after it has left the queue.
    std::optional<SimJob> FindJob(DWORD jobId) const;

    std::vector<SpoolerCall> Calls() const;
    void ClearCalls();
    size_t OpenHandleCount() const;
    // Tokens given out by RevertToPrinterSelf and not yet handed back.
    size_t OutstandingTokenCount() const;
    DWORD RevertCount() const;
    DWORD ImpersonateCount() const;
    DWORD PrinterDcCount() const;

    // ---- tw::ISpooler
    BOOL OpenPrinter(LPCWSTR printerName, HANDLE* phPrinter, PRINTER_DEFAULTSW* defaults) override;
    BOOL ClosePrinter(HANDLE hPrinter) override;
    BOOL GetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) override;
    BOOL SetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE job, DWORD command) override;
    BOOL GetPrinter(HANDLE hPrinter, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) override;
    DWORD GetPrinterData(HANDLE hPrinter, LPCWSTR valueName, LPDWORD pType, LPBYTE data, DWORD cbData,
                         LPDWORD pcbNeeded) override;
    BOOL GetPrinterDriver(HANDLE hPrinter, LPCWSTR environment, DWORD level, LPBYTE buf, DWORD cbBuf,
                          LPDWORD pcbNeeded) override;
    BOOL GetPrinterDriverDirectory(LPCWSTR server, LPCWSTR environment, DWORD level, LPBYTE buf, DWORD cbBuf,
                                   LPDWORD pcbNeeded) override;
    HANDLE RevertToPrinterSelf() override;
    BOOL ImpersonatePrinterClient(HANDLE hToken) override;
    HDC CreatePrinterDC(LPCWSTR printerName, const DEVMODEW* devMode) override;

private:
    struct PrinterEntry {
        unsigned serial;
        SimPrinter def;
    };
    struct JobEntry {
        unsigned printerSerial;
        SimJob job;
    };

    PrinterEntry* FindPrinterEntry(std::wstring_view name);
    const PrinterEntry* FindPrinterEntry(std::wstring_view name) const;
    PrinterEntry* PrinterOf(HANDLE hPrinter);
    JobEntry* FindJobEntry(DWORD jobId);
    const JobEntry* FindJobEntry(DWORD jobId) const;
    // The job only while it is in this printer's queue.
    JobEntry* QueuedJob(const PrinterEntry& printer, DWORD jobId);
    DWORD PositionOf(const JobEntry& entry) const;
    DWORD QueueLength(unsigned printerSerial) const;
    void LeaveQueue(JobEntry& entry);

    DWORD DoGetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded);
    DWORD DoSetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE job, DWORD command);
    DWORD DoGetPrinter(HANDLE hPrinter, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded);
    DWORD DoGetPrinterData(HANDLE hPrinter, LPCWSTR valueName, LPDWORD pType, LPBYTE data, DWORD cbData,
                           LPDWORD pcbNeeded);
    DWORD DoGetPrinterDriver(HANDLE hPrinter, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded);

    // Records the call; callers hold the lock.
    void Log(const wchar_t* function, std::wstring arguments, DWORD error);

    mutable tw::CriticalSection m_cs;
    std::vector<PrinterEntry> m_printers;
    std::vector<JobEntry> m_jobs;
    std::map<HANDLE, unsigned> m_handles;  // open printer handle -> printer serial
    std::set<HANDLE> m_tokens;
    std::wstring m_driverDirectory;
    std::vector<SpoolerCall> m_calls;
    unsigned m_nextSerial = 1;
    DWORD m_nextJobId = 1;
    DWORD m_revertCount = 0;
    DWORD m_impersonateCount = 0;
    DWORD m_printerDcCount = 0;
};

}  // namespace twhost
