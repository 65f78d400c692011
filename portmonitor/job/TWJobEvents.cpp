// Where the job's reports go: its group files, the status message to the client and the event
// log. None of them can fail the job.
#include <string>

#include "base/IniDocument.h"
#include "base/IniSectionBatch.h"
#include "job/JobObserver.h"
#include "job/TWJob.h"
#include "monitor/EventReporter.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {

JobEventData EventData(const CTWJob& job) {
    JobEventData data;
    data.printerName = job.PrinterName();
    data.documentName = job.DocumentName();
    data.userName = job.Environment().userName;
    data.submitted = job.SubmissionTime();
    data.computerName = job.Environment().computerName;
    data.ipAddress = job.Environment().ipAddress;
    data.hostName = job.Environment().hostName;
    return data;
}

// The main group file (index 0) also answers to the DEVMODE's switch; the others only to their own.
bool GroupFileInUse(size_t index, const std::wstring& path, bool enabled, const TarnwellDEVMODE* dm) {
    if (path.empty() || !enabled) return false;
    return index != 0 || !DmHasFlag(dm, dmflag::IsGroupFileDisabled);
}

}  // namespace

void CTWJob::SetGroupFile(size_t index, const std::wstring& path, bool enabled) {
    TW_TRACE(L"> CTWJob::SetGroupFile %u %s %d", static_cast<unsigned>(index), path.c_str(), enabled ? 1 : 0);
    if (index >= kGroupFileCount) {
        TW_TRACE_FAILED(L"CTWJob::SetGroupFile", L"Index");
        return;
    }
    m_groupFiles[index].path = path;
    m_groupFiles[index].enabled = enabled;
}

bool CTWJob::HasGroupFile() const {
    for (size_t i = 0; i < kGroupFileCount; ++i)
        if (GroupFileInUse(i, m_groupFiles[i].path, m_groupFiles[i].enabled, DevMode())) return true;
    return false;
}

void CTWJob::WriteGroupFileEntry(const wchar_t* key, const wchar_t* value) {
    TW_TRACE(L"> CTWJob::WriteGroupFileEntry %s", key ? key : L"(null)");
    WriteGroupValue(m_szPrinterName.c_str(), key, value);
    TW_TRACE(L"< CTWJob::WriteGroupFileEntry");
}

BOOL CTWJob::WriteGroupValue(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    // A null value would delete the key instead of writing it.
    if (!section || !key || !value) {
        TW_TRACE_FAILED(L"CTWJob::WriteGroupValue", L"Arguments");
        return FALSE;
    }
    BOOL all = TRUE;
    for (size_t i = 0; i < kGroupFileCount; ++i) {
        const GroupFile& file = m_groupFiles[i];
        if (!GroupFileInUse(i, file.path, file.enabled, DevMode())) continue;
        if (!IniDocument::Update(file.path, [&](IniDocument& doc) { doc.Set(section, key, value); })) {
            TW_TRACE(L"CTWJob::WriteGroupValue: cannot write %s (%lu)", file.path.c_str(), ::GetLastError());
            all = FALSE;
        }
    }
    return all;
}

BOOL CTWJob::WriteGroupBatch(const IniSectionBatch& batch) {
    BOOL all = TRUE;
    for (size_t i = 0; i < kGroupFileCount; ++i) {
        const GroupFile& file = m_groupFiles[i];
        if (!GroupFileInUse(i, file.path, file.enabled, DevMode())) continue;
        if (!batch.WriteTo(file.path)) {
            TW_TRACE(L"CTWJob::WriteGroupBatch: cannot write %s (%lu)", file.path.c_str(), ::GetLastError());
            all = FALSE;
        }
    }
    return all;
}

void CTWJob::PostStatusMessage(const wchar_t* text) {
    TW_TRACE(L"> CTWJob::PostStatusMessage %s", text ? text : L"(null)");
    if (!text || m_bStatusMessageSent) {
        // The client hears of the first error only: later ones follow from it.
        TW_TRACE_FAILED(L"CTWJob::PostStatusMessage", L"AlreadySent");
        return;
    }
    m_bStatusMessageSent = true;
    m_statusMessages.emplace_back(text);
    if (IJobObserver* observer = JobObserver()) observer->OnJobOperation(*this, L"StatusMessage", text, TRUE);
    PostWindowMessage(5, text);
    TW_TRACE(L"< CTWJob::PostStatusMessage");
}

void CTWJob::ReportErrorEvent(const wchar_t* text, bool leaveFinishTimeEmpty) {
    if (!text) return;
    ReportJobEvent(JobEventKind::Error, EventData(*this), text,
                   JobEventOptions{m_nEventLoggingLevel, m_hClientToken != nullptr, leaveFinishTimeEmpty});
}

void CTWJob::ReportFinishedEvent() {
    TW_TRACE(L"> CTWJob::ReportFinishedEvent");
    ReportJobEvent(JobEventKind::Finished, EventData(*this), nullptr,
                   JobEventOptions{m_nEventLoggingLevel, m_hClientToken != nullptr, false});
}

void CTWJob::ReportAbortedEvent() {
    TW_TRACE(L"> CTWJob::ReportAbortedEvent");
    ReportJobEvent(JobEventKind::Aborted, EventData(*this), nullptr,
                   JobEventOptions{m_nEventLoggingLevel, m_hClientToken != nullptr, false});
}

void CTWJob::ReportWarningEvent(const wchar_t* text) {
    TW_TRACE(L"> CTWJob::ReportWarningEvent");
    if (!text) {
        TW_TRACE_FAILED(L"CTWJob::ReportWarningEvent", L"Text");
        return;
    }
    ReportJobEvent(JobEventKind::Warning, EventData(*this), text,
                   JobEventOptions{m_nEventLoggingLevel, m_hClientToken != nullptr, false});
}

}  // namespace tw
