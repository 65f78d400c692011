#include "monitor/TWPortInfo.h"

#include <vector>

#include "base/WideString.h"
#include "job/TWJob.h"
#include "monitor/MonitorTexts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// JOB_INFO_1 of a job as the spooler gives it, in a buffer that owns the strings it points to.
std::vector<BYTE> QueryJobInfo1(HANDLE hPrinter, DWORD jobId, bool alwaysCall) {
    DWORD needed = 0;
    BOOL ok = Spooler().GetJob(hPrinter, jobId, 1, nullptr, 0, &needed);
    if (!alwaysCall && (ok || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)) return {};
    if (needed < sizeof(JOB_INFO_1W)) return {};
    std::vector<BYTE> buf(needed);
    if (!Spooler().GetJob(hPrinter, jobId, 1, buf.data(), needed, &needed)) return {};
    return buf;
}

}  // namespace

CTWPortInfo::CTWPortInfo(const std::wstring& monitorName, const std::wstring& portName, const std::wstring& path)
    : m_szPortName(portName), m_szDescription(texts::kPortDescription), m_szPath(path) {
    CopyToBuffer(m_szMonitorName, monitorName);
}

CTWPortInfo::~CTWPortInfo() = default;

BOOL CTWPortInfo::Open() {
    TW_TRACE(L"> CTWPortInfo::Open");
    m_wFlags |= kFlagOpen;
    ++m_wUseCount;
    return TRUE;
}

BOOL CTWPortInfo::Close() {
    TW_TRACE(L"> CTWPortInfo::Close");
    // A close without a matching open (an Xcv handle on this port) must not wrap the count.
    if (m_wUseCount == 0) return TRUE;
    if (m_wUseCount-- == 1) m_wFlags &= ~kFlagOpen;
    return TRUE;
}

BOOL CTWPortInfo::Configure() {
    ::MessageBoxW(nullptr, texts::kNothingToConfigure, texts::kMessageCaption, MB_OK | MB_SYSTEMMODAL);
    return TRUE;
}

BOOL CTWPortInfo::StartDocPort(LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
    TW_TRACE(L"> CTWPortInfo::StartDocPort(%s, %lu)", pPrinterName ? pPrinterName : L"", JobId);
    if (m_wFlags & kFlagDocStarted) {
        TW_TRACE(L"< CTWPortInfo::StartDocPort[document already started]: TRUE");
        return TRUE;
    }
    m_wFlags |= kFlagDocStarted;
    m_pJob.reset();
    m_pJob.reset(new (std::nothrow) CTWJob());
    if (!m_pJob) {
        TW_TRACE_FAILED(L"CTWPortInfo::StartDocPort", L"new CTWJob");
        return FALSE;
    }
    m_dwJobID = JobId;
    m_pJob->SetJobId(JobId);
    m_pJob->SetPrinterName(pPrinterName);
    const auto* docInfo = reinterpret_cast<const DOC_INFO_1W*>(pDocInfo);
    if (docInfo && Level == 1) m_pJob->SetDocumentName(docInfo->pDocName);

    if (!m_hPrinter.open(pPrinterName)) TW_TRACE(L"CTWPortInfo::StartDocPort: OpenPrinter failed (%lu)", ::GetLastError());

    if (m_hPrinter.valid()) {
        std::vector<BYTE> info = QueryJobInfo1(m_hPrinter.get(), JobId, true);
        if (!info.empty()) {
            const auto* job = reinterpret_cast<const JOB_INFO_1W*>(info.data());
            m_pJob->SetDocumentName(job->pDocument);
            SYSTEMTIME local{};
            if (::SystemTimeToTzSpecificLocalTime(nullptr, &job->Submitted, &local)) m_pJob->SetSubmissionTime(local);
        } else {
            TW_TRACE(L"CTWPortInfo::StartDocPort: GetJob failed (%lu)", ::GetLastError());
        }
    }
    TW_TRACE_RESULT(L"CTWPortInfo::StartDocPort", TRUE);
    return TRUE;
}

BOOL CTWPortInfo::WritePort(LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    if (!pBuffer || cbBuf == 0) {
        if (pcbWritten) *pcbWritten = 0;
        return TRUE;
    }
    if (!m_pJob) {
        TW_TRACE_FAILED(L"CTWPortInfo::WritePort", L"no job");
        return FALSE;
    }
    DWORD done = 0;
    if (!m_pJob->WritePort(pBuffer, cbBuf, &done)) {
        TW_TRACE(L"CTWPortInfo::WritePort: the job failed, cancelling spooler job %lu", m_dwJobID);
        if (m_hPrinter.valid()) Spooler().SetJob(m_hPrinter.get(), m_dwJobID, 0, nullptr, JOB_CONTROL_CANCEL);
    }
    // The spooler must never retry bytes: they are all taken, whatever the job made of them.
    if (pcbWritten) *pcbWritten = cbBuf;
    return TRUE;
}

BOOL CTWPortInfo::ReadPort(LPBYTE, DWORD, LPDWORD pcbRead) {
    if (pcbRead) *pcbRead = 0;
    return TRUE;
}

BOOL CTWPortInfo::EndDocPort() {
    TW_TRACE(L"> CTWPortInfo::EndDocPort");
    std::vector<BYTE> jobInfo;
    bool deleted = false;
    if (m_hPrinter.valid()) {
        jobInfo = QueryJobInfo1(m_hPrinter.get(), m_dwJobID, false);
        const auto* info = jobInfo.empty() ? nullptr : reinterpret_cast<const JOB_INFO_1W*>(jobInfo.data());
        deleted = info && (info->Status & JOB_STATUS_DELETING);
        if (deleted && m_pJob) {
            TW_TRACE(L"CTWPortInfo::EndDocPort: %s", texts::kPrintJobAborted);
            m_pJob->OnSpoolerJobDeleted();
        }
    }
    // A document the data left unfinished ends now, as failed, before its statistics are sent.
    if (!deleted && m_pJob) m_pJob->EndOfData();
    if (m_hPrinter.valid()) {
        const auto* info = jobInfo.empty() ? nullptr : reinterpret_cast<const JOB_INFO_1W*>(jobInfo.data());
        Spooler().SetJob(m_hPrinter.get(), m_dwJobID, 0, nullptr, JOB_CONTROL_CANCEL);
        // Without the spooler's record of the job there are no statistics to send.
        if (info && m_pJob) m_pJob->SendStatisticsThroughThePipe(info, m_hPrinter.get());
        m_hPrinter.reset();
    }
    m_wFlags &= ~kFlagDocStarted;
    m_pJob.reset();
    TW_TRACE_RESULT(L"CTWPortInfo::EndDocPort", TRUE);
    return TRUE;
}

}  // namespace tw
