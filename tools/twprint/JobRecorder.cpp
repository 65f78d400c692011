#include "JobRecorder.h"

#include "job/TWJob.h"

namespace twprint {

void JobRecorder::OnJobOperation(const tw::CTWJob&, const wchar_t* operation, const wchar_t* detail, BOOL result) {
    m_operations.push_back({operation ? operation : L"", detail ? detail : L"", result != FALSE});
}

void JobRecorder::OnJobFinished(const tw::CTWJob& job) {
    m_outcome.seen = true;
    m_outcome.status = job.StatusText();
    m_outcome.failed = job.HasError();
    m_outcome.receivedPages = job.ReceivedPages();
    m_outcome.outputPages = job.OutputPageNumber();
    m_outcome.documentNumber = job.DocumentNumber();
    m_outcome.abortPrinting = job.AbortPrinting();
    m_outcome.statusMessages = job.StatusMessages();
    m_outcome.files = job.WrittenFiles();
    m_outcome.outputFiles = job.OutputFileNames();
    m_outcome.groupFile = job.GroupFileName();
    m_outcome.imageFile = job.ImageFileName();
    m_outcome.textFile = job.TextFileName();
    m_outcome.mailMergeFile = job.MailMergeFileName();
    m_outcome.ocrTextFile = job.OCRTextFileName();
    m_outcome.firstImageFile = job.FirstImageFileName();
    m_outcome.firstTextFile = job.FirstTextFileName();
    m_outcome.currentOutputFile = job.CurrentOutputFile();
    m_outcome.statusIniFile = job.StatusIniFile();
    m_outcome.httpGroupFile = job.HttpGroupFile();
    m_outcome.databaseGroupFile = job.DatabaseGroupFile();
    m_outcome.mfilesGroupFile = job.MFilesGroupFile();
    m_outcome.messageCaptureWarning = job.MessageCaptureWarning();
}

}  // namespace twprint
