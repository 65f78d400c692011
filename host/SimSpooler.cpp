// The host's side of the simulated spooler: printers, jobs and what the host reads back.
#include "host/SimSpooler.h"

#include <algorithm>

#include "base/WideString.h"
#include "monitor/Trace.h"

namespace twhost {
namespace {

constexpr wchar_t kDriverSubdirectory[] = L"\\spool\\drivers\\x64";

// Where the spooler of an x64 machine keeps its drivers.
std::wstring SystemDriverDirectory() {
    wchar_t system[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring(L"C:\\windows\\system32") + kDriverSubdirectory;
    return std::wstring(system, n) + kDriverSubdirectory;
}

std::wstring CurrentUserName() {
    wchar_t name[256] = {};
    DWORD cch = 256;
    return ::GetUserNameW(name, &cch) ? std::wstring(name) : std::wstring();
}

// The spooler names the submitting machine with leading backslashes.
std::wstring CurrentMachineName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD cch = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &cch) ? L"\\\\" + std::wstring(name) : std::wstring();
}

bool IsZero(const SYSTEMTIME& t) {
    return t.wYear == 0 && t.wMonth == 0 && t.wDay == 0 && t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0 &&
           t.wMilliseconds == 0;
}

}  // namespace

std::wstring SpoolerCall::ToString() const {
    if (succeeded) return tw::FormatW(L"%s(%s) -> TRUE", function.c_str(), arguments.c_str());
    return tw::FormatW(L"%s(%s) -> FALSE, error %lu", function.c_str(), arguments.c_str(), error);
}

SimSpooler::SimSpooler() : m_driverDirectory(SystemDriverDirectory()) { TW_TRACE(L"> SimSpooler::SimSpooler"); }

SimSpooler::~SimSpooler() { TW_TRACE(L"> SimSpooler::~SimSpooler"); }

bool SimSpooler::AddPrinter(const SimPrinter& printer) {
    TW_TRACE(L"> SimSpooler::AddPrinter: %s", printer.name.c_str());
    tw::CsLock lock(m_cs);
    if (printer.name.empty() || FindPrinterEntry(printer.name)) {
        TW_TRACE_FAILED(L"SimSpooler::AddPrinter", L"Name");
        return false;
    }
    m_printers.push_back({m_nextSerial++, printer});
    TW_TRACE_RESULT(L"SimSpooler::AddPrinter", true);
    return true;
}

bool SimSpooler::UpdatePrinter(const SimPrinter& printer) {
    TW_TRACE(L"> SimSpooler::UpdatePrinter: %s", printer.name.c_str());
    tw::CsLock lock(m_cs);
    PrinterEntry* entry = FindPrinterEntry(printer.name);
    if (entry) entry->def = printer;
    TW_TRACE_RESULT(L"SimSpooler::UpdatePrinter", entry != nullptr);
    return entry != nullptr;
}

bool SimSpooler::RemovePrinter(const std::wstring& name) {
    TW_TRACE(L"> SimSpooler::RemovePrinter: %s", name.c_str());
    tw::CsLock lock(m_cs);
    auto it = std::find_if(m_printers.begin(), m_printers.end(),
                           [&](const PrinterEntry& p) { return tw::EqualsNoCase(p.def.name, name); });
    if (it == m_printers.end()) {
        TW_TRACE_FAILED(L"SimSpooler::RemovePrinter", L"Find");
        return false;
    }
    for (JobEntry& entry : m_jobs) {
        if (entry.printerSerial == it->serial && !entry.job.deleted) LeaveQueue(entry);
    }
    m_printers.erase(it);
    TW_TRACE_RESULT(L"SimSpooler::RemovePrinter", true);
    return true;
}

std::optional<SimPrinter> SimSpooler::FindPrinter(const std::wstring& name) const {
    tw::CsLock lock(m_cs);
    const PrinterEntry* entry = FindPrinterEntry(name);
    if (!entry) return std::nullopt;
    return entry->def;
}

bool SimSpooler::SetPrinterData(const std::wstring& printer, const std::wstring& valueName, DWORD type,
                                const void* data, DWORD cbData) {
    TW_TRACE(L"> SimSpooler::SetPrinterData: %s, %s", printer.c_str(), valueName.c_str());
    if (!data && cbData != 0) {
        TW_TRACE_FAILED(L"SimSpooler::SetPrinterData", L"Data");
        return false;
    }
    tw::CsLock lock(m_cs);
    PrinterEntry* entry = FindPrinterEntry(printer);
    if (!entry) {
        TW_TRACE_FAILED(L"SimSpooler::SetPrinterData", L"Printer");
        return false;
    }
    const BYTE* bytes = static_cast<const BYTE*>(data);
    entry->def.data[valueName] = SimPrinterValue{type, std::vector<BYTE>(bytes, bytes + cbData)};
    TW_TRACE_RESULT(L"SimSpooler::SetPrinterData", true);
    return true;
}

void SimSpooler::SetDriverDirectory(const std::wstring& directory) {
    tw::CsLock lock(m_cs);
    m_driverDirectory = directory;
}

std::wstring SimSpooler::DriverDirectory() const {
    tw::CsLock lock(m_cs);
    return m_driverDirectory;
}

DWORD SimSpooler::AddJob(const std::wstring& printer, const SimJob& job) {
    TW_TRACE(L"> SimSpooler::AddJob: %s, %lu", printer.c_str(), job.id);
    tw::CsLock lock(m_cs);
    PrinterEntry* entry = FindPrinterEntry(printer);
    if (!entry) {
        TW_TRACE_FAILED(L"SimSpooler::AddJob", L"Printer");
        return 0;
    }
    DWORD id = job.id;
    if (id == 0) {
        while (FindJobEntry(m_nextJobId)) ++m_nextJobId;
        id = m_nextJobId++;
    } else if (FindJobEntry(id)) {
        TW_TRACE_FAILED(L"SimSpooler::AddJob", L"Id");
        return 0;
    }
    JobEntry added{entry->serial, job};
    SimJob& j = added.job;
    j.id = id;
    j.printer = entry->def.name;
    j.cancelled = false;
    j.deleted = false;
    if (j.user.empty()) j.user = CurrentUserName();
    if (j.machine.empty()) j.machine = CurrentMachineName();
    if (IsZero(j.submitted)) ::GetSystemTime(&j.submitted);
    m_jobs.push_back(std::move(added));
    TW_TRACE(L"< SimSpooler::AddJob: %lu", id);
    return id;
}

bool SimSpooler::MarkJobDeleting(DWORD jobId) {
    TW_TRACE(L"> SimSpooler::MarkJobDeleting: %lu", jobId);
    tw::CsLock lock(m_cs);
    JobEntry* entry = FindJobEntry(jobId);
    bool ok = entry && !entry->job.deleted;
    if (ok) entry->job.status |= JOB_STATUS_DELETING;
    TW_TRACE_RESULT(L"SimSpooler::MarkJobDeleting", ok);
    return ok;
}

bool SimSpooler::FinishJob(DWORD jobId) {
    TW_TRACE(L"> SimSpooler::FinishJob: %lu", jobId);
    tw::CsLock lock(m_cs);
    JobEntry* entry = FindJobEntry(jobId);
    bool ok = entry && !entry->job.deleted;
    if (ok) {
        entry->job.status &= ~JOB_STATUS_PRINTING;
        if (!(entry->job.status & JOB_STATUS_DELETING)) entry->job.status |= JOB_STATUS_PRINTED;
        LeaveQueue(*entry);
    }
    TW_TRACE_RESULT(L"SimSpooler::FinishJob", ok);
    return ok;
}

std::optional<SimJob> SimSpooler::FindJob(DWORD jobId) const {
    tw::CsLock lock(m_cs);
    const JobEntry* entry = FindJobEntry(jobId);
    if (!entry) return std::nullopt;
    return entry->job;
}

std::vector<SpoolerCall> SimSpooler::Calls() const {
    tw::CsLock lock(m_cs);
    return m_calls;
}

void SimSpooler::ClearCalls() {
    tw::CsLock lock(m_cs);
    m_calls.clear();
}

size_t SimSpooler::OpenHandleCount() const {
    tw::CsLock lock(m_cs);
    return m_handles.size();
}

size_t SimSpooler::OutstandingTokenCount() const {
    tw::CsLock lock(m_cs);
    return m_tokens.size();
}

DWORD SimSpooler::RevertCount() const {
    tw::CsLock lock(m_cs);
    return m_revertCount;
}

DWORD SimSpooler::ImpersonateCount() const {
    tw::CsLock lock(m_cs);
    return m_impersonateCount;
}

DWORD SimSpooler::PrinterDcCount() const {
    tw::CsLock lock(m_cs);
    return m_printerDcCount;
}

// ---- Lookups; callers hold the lock.

SimSpooler::PrinterEntry* SimSpooler::FindPrinterEntry(std::wstring_view name) {
    for (PrinterEntry& p : m_printers) {
        if (tw::EqualsNoCase(p.def.name, name)) return &p;
    }
    return nullptr;
}

const SimSpooler::PrinterEntry* SimSpooler::FindPrinterEntry(std::wstring_view name) const {
    return const_cast<SimSpooler*>(this)->FindPrinterEntry(name);
}

SimSpooler::PrinterEntry* SimSpooler::PrinterOf(HANDLE hPrinter) {
    auto it = m_handles.find(hPrinter);
    if (it == m_handles.end()) return nullptr;
    for (PrinterEntry& p : m_printers) {
        if (p.serial == it->second) return &p;
    }
    return nullptr;  // the printer was removed while the handle was open
}

SimSpooler::JobEntry* SimSpooler::FindJobEntry(DWORD jobId) {
    for (JobEntry& j : m_jobs) {
        if (j.job.id == jobId) return &j;
    }
    return nullptr;
}

const SimSpooler::JobEntry* SimSpooler::FindJobEntry(DWORD jobId) const {
    return const_cast<SimSpooler*>(this)->FindJobEntry(jobId);
}

SimSpooler::JobEntry* SimSpooler::QueuedJob(const PrinterEntry& printer, DWORD jobId) {
    JobEntry* entry = FindJobEntry(jobId);
    if (!entry || entry->job.deleted || entry->printerSerial != printer.serial) return nullptr;
    return entry;
}

DWORD SimSpooler::PositionOf(const JobEntry& entry) const {
    DWORD position = 0;
    for (const JobEntry& j : m_jobs) {
        if (j.printerSerial == entry.printerSerial && !j.job.deleted) ++position;
        if (&j == &entry) break;
    }
    return position;
}

DWORD SimSpooler::QueueLength(unsigned printerSerial) const {
    return static_cast<DWORD>(std::count_if(m_jobs.begin(), m_jobs.end(), [&](const JobEntry& j) {
        return j.printerSerial == printerSerial && !j.job.deleted;
    }));
}

void SimSpooler::LeaveQueue(JobEntry& entry) {
    entry.job.deleted = true;
    entry.job.status |= JOB_STATUS_DELETED;
}

void SimSpooler::Log(const wchar_t* function, std::wstring arguments, DWORD error) {
    m_calls.push_back(SpoolerCall{function, std::move(arguments), error == ERROR_SUCCESS, error});
}

}  // namespace twhost
