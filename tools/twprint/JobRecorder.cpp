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
    m_outcome.messageCaptureWarning = job.MessageCaptureWarning();
    m_outcome.groupFile = job.MainGroupFile();
    m_outcome.outputFiles = job.OutputFileNames();
}

}  // namespace twprint
