// The spooler functions the monitor calls, answered from the simulated spooler's model with the
// Win32 protocol: sizes through *pcbNeeded, failures through the last error.
#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "base/WideString.h"
#include "host/FakeHandle.h"
#include "host/InfoPacker.h"
#include "host/SimSpooler.h"
#include "host/SpoolerRecords.h"
#include "monitor/Trace.h"

namespace twhost {
namespace {

// Sets the last error of a failed call; the lock must already be released.
BOOL Finish(DWORD error) {
    if (error == ERROR_SUCCESS) return TRUE;
    ::SetLastError(error);
    return FALSE;
}

const wchar_t* Text(LPCWSTR s) { return s ? s : L"(null)"; }

}  // namespace

BOOL SimSpooler::OpenPrinter(LPCWSTR printerName, HANDLE* phPrinter, PRINTER_DEFAULTSW* defaults) {
    TW_TRACE(L"> SimSpooler::OpenPrinter: %s", Text(printerName));
    DWORD error = ERROR_SUCCESS;
    HANDLE h = nullptr;
    {
        tw::CsLock lock(m_cs);
        const PrinterEntry* printer = printerName ? FindPrinterEntry(printerName) : nullptr;
        if (!phPrinter) {
            error = ERROR_INVALID_PARAMETER;
        } else if (!printer) {
            error = ERROR_INVALID_PRINTER_NAME;
        } else {
            h = NextFakeHandle();
            m_handles[h] = printer->serial;
        }
        if (phPrinter) *phPrinter = h;
        Log(L"OpenPrinter", tw::FormatW(L"%s -> %p", Text(printerName), h), error);
    }
    TW_TRACE_RESULT(L"SimSpooler::OpenPrinter", error == ERROR_SUCCESS);
    return Finish(error);
}

BOOL SimSpooler::ClosePrinter(HANDLE hPrinter) {
    TW_TRACE(L"> SimSpooler::ClosePrinter");
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        error = m_handles.erase(hPrinter) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
        Log(L"ClosePrinter", tw::FormatW(L"%p", hPrinter), error);
    }
    TW_TRACE_RESULT(L"SimSpooler::ClosePrinter", error == ERROR_SUCCESS);
    return Finish(error);
}

BOOL SimSpooler::GetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) {
    TW_TRACE(L"> SimSpooler::GetJob: %lu, level %lu", jobId, level);
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        error = DoGetJob(hPrinter, jobId, level, buf, cbBuf, pcbNeeded);
        Log(L"GetJob",
            tw::FormatW(L"%p, job %lu, level %lu, cb %lu, needed %lu", hPrinter, jobId, level, cbBuf,
                        pcbNeeded ? *pcbNeeded : 0),
            error);
    }
    TW_TRACE_RESULT(L"SimSpooler::GetJob", error == ERROR_SUCCESS);
    return Finish(error);
}

DWORD SimSpooler::DoGetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (pcbNeeded) *pcbNeeded = 0;
    PrinterEntry* printer = PrinterOf(hPrinter);
    if (!printer) return ERROR_INVALID_HANDLE;
    if (level != 1 && level != 2) return ERROR_INVALID_LEVEL;
    JobEntry* entry = QueuedJob(*printer, jobId);
    if (!entry) return ERROR_INVALID_PARAMETER;
    const JobPlace place{printer->def, entry->job, PositionOf(*entry)};
    if (level == 1) {
        return PackRecord<JOB_INFO_1W>(buf, cbBuf, pcbNeeded,
                                       [&](JOB_INFO_1W& info, InfoPacker& pack) { FillJobInfo1(info, pack, place); });
    }
    return PackRecord<JOB_INFO_2W>(buf, cbBuf, pcbNeeded,
                                   [&](JOB_INFO_2W& info, InfoPacker& pack) { FillJobInfo2(info, pack, place); });
}

BOOL SimSpooler::SetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE job, DWORD command) {
    TW_TRACE(L"> SimSpooler::SetJob: %lu, command %lu", jobId, command);
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        error = DoSetJob(hPrinter, jobId, level, job, command);
        Log(L"SetJob", tw::FormatW(L"%p, job %lu, level %lu, command %lu", hPrinter, jobId, level, command), error);
    }
    TW_TRACE_RESULT(L"SimSpooler::SetJob", error == ERROR_SUCCESS);
    return Finish(error);
}

DWORD SimSpooler::DoSetJob(HANDLE hPrinter, DWORD jobId, DWORD level, LPBYTE job, DWORD command) {
    PrinterEntry* printer = PrinterOf(hPrinter);
    if (!printer) return ERROR_INVALID_HANDLE;
    // Commands, and of a job's fields (levels 1 to 4) only the priority of level 1.
    if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
    JobEntry* entry = QueuedJob(*printer, jobId);
    if (!entry) return ERROR_INVALID_PARAMETER;
    SimJob& j = entry->job;
    if (level == 1) {
        if (!job) return ERROR_INVALID_PARAMETER;
        const DWORD priority = reinterpret_cast<const JOB_INFO_1W*>(job)->Priority;
        if (priority < MIN_PRIORITY || priority > MAX_PRIORITY) return ERROR_INVALID_PRIORITY;
        j.priority = priority;
    }
    switch (command) {
    case 0:
        break;
    case JOB_CONTROL_PAUSE:
        j.status |= JOB_STATUS_PAUSED;
        break;
    case JOB_CONTROL_RESUME:
        j.status &= ~JOB_STATUS_PAUSED;
        break;
    case JOB_CONTROL_CANCEL:
    case JOB_CONTROL_DELETE:
        // Like the real spooler: a job that a port is printing stays, marked deleting, until the
        // port lets it go (FinishJob); any other job leaves the queue at once.
        j.cancelled = true;
        j.status |= JOB_STATUS_DELETING;
        if (!(j.status & JOB_STATUS_PRINTING)) LeaveQueue(*entry);
        break;
    case JOB_CONTROL_RESTART:
        j.status |= JOB_STATUS_RESTART;
        break;
    case JOB_CONTROL_SENT_TO_PRINTER:
    case JOB_CONTROL_LAST_PAGE_EJECTED:
        break;
    default:
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

BOOL SimSpooler::GetPrinter(HANDLE hPrinter, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) {
    TW_TRACE(L"> SimSpooler::GetPrinter: level %lu", level);
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        error = DoGetPrinter(hPrinter, level, buf, cbBuf, pcbNeeded);
        Log(L"GetPrinter",
            tw::FormatW(L"%p, level %lu, cb %lu, needed %lu", hPrinter, level, cbBuf, pcbNeeded ? *pcbNeeded : 0),
            error);
    }
    TW_TRACE_RESULT(L"SimSpooler::GetPrinter", error == ERROR_SUCCESS);
    return Finish(error);
}

DWORD SimSpooler::DoGetPrinter(HANDLE hPrinter, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (pcbNeeded) *pcbNeeded = 0;
    PrinterEntry* printer = PrinterOf(hPrinter);
    if (!printer) return ERROR_INVALID_HANDLE;
    const SimPrinter& def = printer->def;
    switch (level) {
    case 2: {
        DWORD jobs = QueueLength(printer->serial);
        return PackRecord<PRINTER_INFO_2W>(buf, cbBuf, pcbNeeded, [&](PRINTER_INFO_2W& info, InfoPacker& pack) {
            FillPrinterInfo2(info, pack, def, jobs);
        });
    }
    case 8:
        return PackRecord<PRINTER_INFO_8W>(
            buf, cbBuf, pcbNeeded, [&](PRINTER_INFO_8W& info, InfoPacker& pack) { FillPrinterInfo8(info, pack, def); });
    case 9:
        return PackRecord<PRINTER_INFO_9W>(
            buf, cbBuf, pcbNeeded, [&](PRINTER_INFO_9W& info, InfoPacker& pack) { FillPrinterInfo9(info, pack, def); });
    default:
        return ERROR_INVALID_LEVEL;
    }
}

DWORD SimSpooler::GetPrinterData(HANDLE hPrinter, LPCWSTR valueName, LPDWORD pType, LPBYTE data, DWORD cbData,
                                 LPDWORD pcbNeeded) {
    TW_TRACE(L"> SimSpooler::GetPrinterData: %s", Text(valueName));
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        error = DoGetPrinterData(hPrinter, valueName, pType, data, cbData, pcbNeeded);
        Log(L"GetPrinterData",
            tw::FormatW(L"%p, %s, cb %lu, needed %lu", hPrinter, Text(valueName), cbData, pcbNeeded ? *pcbNeeded : 0),
            error);
    }
    TW_TRACE(L"< SimSpooler::GetPrinterData: %lu", error);
    return error;  // GetPrinterData returns its error and leaves the last error alone
}

DWORD SimSpooler::DoGetPrinterData(HANDLE hPrinter, LPCWSTR valueName, LPDWORD pType, LPBYTE data, DWORD cbData,
                                   LPDWORD pcbNeeded) {
    if (pcbNeeded) *pcbNeeded = 0;
    PrinterEntry* printer = PrinterOf(hPrinter);
    if (!printer) return ERROR_INVALID_HANDLE;
    if (!pcbNeeded) return ERROR_INVALID_PARAMETER;
    auto it = printer->def.data.find(valueName ? valueName : L"");
    if (it == printer->def.data.end()) return ERROR_FILE_NOT_FOUND;
    const SimPrinterValue& value = it->second;
    *pcbNeeded = static_cast<DWORD>(value.bytes.size());
    if (pType) *pType = value.type;
    if (value.bytes.empty()) return ERROR_SUCCESS;
    // A null buffer counts as no room at all, whatever size it claims.
    if (!data || cbData < value.bytes.size()) return ERROR_MORE_DATA;
    std::memcpy(data, value.bytes.data(), value.bytes.size());
    return ERROR_SUCCESS;
}

BOOL SimSpooler::GetPrinterDriver(HANDLE hPrinter, LPCWSTR environment, DWORD level, LPBYTE buf, DWORD cbBuf,
                                  LPDWORD pcbNeeded) {
    TW_TRACE(L"> SimSpooler::GetPrinterDriver: level %lu", level);
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        error = DoGetPrinterDriver(hPrinter, level, buf, cbBuf, pcbNeeded);
        Log(L"GetPrinterDriver",
            tw::FormatW(L"%p, %s, level %lu, cb %lu, needed %lu", hPrinter, Text(environment), level, cbBuf,
                        pcbNeeded ? *pcbNeeded : 0),
            error);
    }
    TW_TRACE_RESULT(L"SimSpooler::GetPrinterDriver", error == ERROR_SUCCESS);
    return Finish(error);
}

DWORD SimSpooler::DoGetPrinterDriver(HANDLE hPrinter, DWORD level, LPBYTE buf, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (pcbNeeded) *pcbNeeded = 0;
    PrinterEntry* printer = PrinterOf(hPrinter);
    if (!printer) return ERROR_INVALID_HANDLE;
    if (level != 2) return ERROR_INVALID_LEVEL;
    const SimPrinter& def = printer->def;
    return PackRecord<DRIVER_INFO_2W>(
        buf, cbBuf, pcbNeeded, [&](DRIVER_INFO_2W& info, InfoPacker& pack) { FillDriverInfo2(info, pack, def); });
}

BOOL SimSpooler::GetPrinterDriverDirectory(LPCWSTR server, LPCWSTR environment, DWORD level, LPBYTE buf,
                                           DWORD cbBuf, LPDWORD pcbNeeded) {
    TW_TRACE(L"> SimSpooler::GetPrinterDriverDirectory: level %lu", level);
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        if (pcbNeeded) *pcbNeeded = 0;
        error = level == 1 ? PackText(buf, cbBuf, pcbNeeded, m_driverDirectory) : ERROR_INVALID_LEVEL;
        Log(L"GetPrinterDriverDirectory",
            tw::FormatW(L"%s, %s, level %lu, cb %lu, needed %lu", Text(server), Text(environment), level, cbBuf,
                        pcbNeeded ? *pcbNeeded : 0),
            error);
    }
    TW_TRACE_RESULT(L"SimSpooler::GetPrinterDriverDirectory", error == ERROR_SUCCESS);
    return Finish(error);
}

HANDLE SimSpooler::RevertToPrinterSelf() {
    TW_TRACE(L"> SimSpooler::RevertToPrinterSelf");
    HANDLE token = NextFakeHandle();
    {
        tw::CsLock lock(m_cs);
        m_tokens.insert(token);
        ++m_revertCount;
        Log(L"RevertToPrinterSelf", tw::FormatW(L"-> %p", token), ERROR_SUCCESS);
    }
    TW_TRACE(L"< SimSpooler::RevertToPrinterSelf: %p", token);
    return token;
}

BOOL SimSpooler::ImpersonatePrinterClient(HANDLE hToken) {
    TW_TRACE(L"> SimSpooler::ImpersonatePrinterClient");
    DWORD error;
    {
        tw::CsLock lock(m_cs);
        // The real call closes the token, so each one is accepted once.
        error = m_tokens.erase(hToken) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
        if (error == ERROR_SUCCESS) ++m_impersonateCount;
        Log(L"ImpersonatePrinterClient", tw::FormatW(L"%p", hToken), error);
    }
    TW_TRACE_RESULT(L"SimSpooler::ImpersonatePrinterClient", error == ERROR_SUCCESS);
    return Finish(error);
}

HDC SimSpooler::CreatePrinterDC(LPCWSTR printerName, const DEVMODEW* devMode) {
    TW_TRACE(L"> SimSpooler::CreatePrinterDC: %s", Text(printerName));
    DWORD error = ERROR_SUCCESS;
    HDC dc = nullptr;
    {
        tw::CsLock lock(m_cs);
        if (!printerName || !FindPrinterEntry(printerName)) {
            error = ERROR_INVALID_PRINTER_NAME;
        } else {
            // No printer driver under Wine: a screen-compatible memory DC stands in; callers take
            // the physical page from the DEVMODE.
            dc = ::CreateCompatibleDC(nullptr);
            if (dc) ++m_printerDcCount;
            else error = ::GetLastError() ? ::GetLastError() : ERROR_INVALID_HANDLE;
        }
        Log(L"CreatePrinterDC", tw::FormatW(L"%s, devmode %s", Text(printerName), devMode ? L"given" : L"none"),
            error);
    }
    TW_TRACE_RESULT(L"SimSpooler::CreatePrinterDC", dc != nullptr);
    if (!dc) ::SetLastError(error);
    return dc;
}

}  // namespace twhost
