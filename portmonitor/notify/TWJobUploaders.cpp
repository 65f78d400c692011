// The job's uploader records: started with the document, one entry per finished file.
#include "job/JobOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "notify/UploaderRecords.h"

namespace tw {

uploader::UploaderJob CTWJob::UploaderFacts() const {
    uploader::UploaderJob job;
    job.dm = DevMode();
    job.jobId = m_dwJobID;
    job.postPrintId = m_postPrintId.value_or(0);
    job.environment = &m_environment;
    job.perJobOptions = IsSaveAsInUse(DevMode());
    job.outputInMemory = m_settings.bOutputInMemory;
    job.fileFormat = m_settings.dwEffectiveFormat;
    job.groupFile = MainGroupFile();
    job.printerName = m_szPrinterName;
    job.contentEmail = IsContentBasedEmail(DevMode(), m_dwJobID);
    job.simpleContentEmail = IsSimpleContentBasedEmail(DevMode(), m_dwJobID);
    job.multipageContentEmail = IsMultipageContentBasedEmail(DevMode(), m_dwJobID);
    job.mail = &m_mailFields;
    return job;
}

bool CTWJob::IsContentEmailChosen() const {
    return IsContentBasedEmail(DevMode(), m_dwJobID) || IsSimpleContentBasedEmail(DevMode(), m_dwJobID);
}

void CTWJob::WriteStartRecords() {
    m_bFileHandedOff = false;
    // The records are named by the post-print ID: without one no program would ever read them.
    if (!m_postPrintId) return;
    TW_TRACE(L"> CTWJob::WriteStartRecords");
    const uploader::UploaderJob job = UploaderFacts();
    const TarnwellDEVMODE* dm = DevMode();
    if (IsRedirectPrinting(dm, m_dwJobID, m_merge)) WriteForwardingStartRecord();
    if (IsSendInEmail(dm, m_dwJobID, m_merge) && !IsContentEmailChosen()) uploader::WriteEmailSendingProgramforStartApp(job, false);
    if (IsSharePointUpload(dm, m_dwJobID, m_merge)) uploader::WriteSharePointProgramforStart(job);
    if (IsFtpRouteOn())
        uploader::WriteFTPProgramforStart(job, settings::ReadNumberText(dm, settings::kFtpSettings,
                                                                        settings::kFtpSelectedConnection,
                                                                        settings::kFtpSelectedConnectionDefault));
    if (IsHttpUpload(dm, m_dwJobID, m_merge)) uploader::WritePipeRouteProgramforStart(job, uploader::kHttpRoute, m_settings.httpPipeName);
    if (IsDatabaseUpload(dm, m_dwJobID, m_merge))
        uploader::WritePipeRouteProgramforStart(job, uploader::kDatabaseRoute, m_settings.databasePipeName);
    if (IsMFilesUpload(dm, m_dwJobID, m_merge))
        uploader::WritePipeRouteProgramforStart(job, uploader::kMFilesRoute, m_settings.mfilesPipeName);
    TW_TRACE(L"< CTWJob::WriteStartRecords");
}

void CTWJob::WriteFileHandOffRecords(bool) {
    if (!m_postPrintId) return;
    // One file takes the whole document: it is handed on once.
    if (m_bFileHandedOff && IsMultipageOutput()) return;
    TW_TRACE(L"> CTWJob::WriteFileHandOffRecords");
    const uploader::UploaderJob job = UploaderFacts();
    const TarnwellDEVMODE* dm = DevMode();
    const DWORD page = MessageFields(static_cast<int>(PrnMessageKind::EndPage), L"").pageNumber;
    const std::wstring& file = m_szCurrentOutputFile;
    if (IsSendInEmail(dm, m_dwJobID, m_merge)) {
        if (!m_bFileHandedOff && IsContentEmailChosen()) uploader::WriteEmailSendingProgramforStartApp(job, true);
        uploader::WriteEmailFileEntry(job, page, file);
        if (IsContentEmailChosen()) uploader::WriteEmailContentEntry(job, page);
    }
    if (IsSharePointUpload(dm, m_dwJobID, m_merge)) uploader::WriteSharePointFileEntry(job, page, file);
    if (IsFtpRouteOn()) uploader::WriteFtpFileEntry(job, page, file);
    if (!m_settings.bOutputInMemory) {
        auto group = [&](const std::wstring& own) { return own.empty() ? MainGroupFile() : own; };
        if (IsHttpUpload(dm, m_dwJobID, m_merge))
            uploader::WritePipeRouteFileEntry(job, uploader::kHttpRoute, group(m_szHttpGroupFile));
        if (IsDatabaseUpload(dm, m_dwJobID, m_merge))
            uploader::WritePipeRouteFileEntry(job, uploader::kDatabaseRoute, group(m_szDatabaseGroupFile));
        if (IsMFilesUpload(dm, m_dwJobID, m_merge))
            uploader::WritePipeRouteFileEntry(job, uploader::kMFilesRoute, group(m_szMFilesGroupFile));
    }
    m_bFileHandedOff = true;
    // Each file's message takes the values of its own pages.
    if (job.multipageContentEmail) m_mailFields.ClearMail();
    TW_TRACE(L"< CTWJob::WriteFileHandOffRecords");
}

}  // namespace tw
