#include "JobRecorder.h"

#include <algorithm>
#include <mutex>

#include "job/TWJob.h"

namespace twprint {
namespace {

// The process-wide observer: hands each job's news to the recorders that want it.
class RecorderHub final : public tw::IJobObserver {
public:
    void Add(JobRecorder* recorder) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_recorders.push_back(recorder);
        tw::SetJobObserver(this);
    }
    void Remove(JobRecorder* recorder) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_recorders.erase(std::remove(m_recorders.begin(), m_recorders.end(), recorder), m_recorders.end());
        if (m_recorders.empty()) tw::SetJobObserver(nullptr);
    }
    void OnJobOperation(const tw::CTWJob& job, const wchar_t* operation, const wchar_t* detail, BOOL result) override {
        std::lock_guard<std::mutex> lock(m_lock);
        for (JobRecorder* r : m_recorders)
            if (Wants(*r, job)) r->OnJobOperation(job, operation, detail, result);
    }
    void OnJobFinished(const tw::CTWJob& job) override {
        std::lock_guard<std::mutex> lock(m_lock);
        for (JobRecorder* r : m_recorders)
            if (Wants(*r, job)) r->OnJobFinished(job);
    }
    void OnProcessStarted(const tw::CTWJob& job, const wchar_t* commandLine, HANDLE process) override {
        std::lock_guard<std::mutex> lock(m_lock);
        for (JobRecorder* r : m_recorders)
            if (Wants(*r, job)) r->OnProcessStarted(job, commandLine, process);
    }
    void OnHandOffRecords(const tw::CTWJob& job) override {
        std::lock_guard<std::mutex> lock(m_lock);
        for (JobRecorder* r : m_recorders)
            if (Wants(*r, job)) r->OnHandOffRecords(job);
    }

private:
    static bool Wants(const JobRecorder& r, const tw::CTWJob& job) { return r.JobId() == 0 || r.JobId() == job.JobId(); }
    std::mutex m_lock;
    std::vector<JobRecorder*> m_recorders;
};

RecorderHub& Hub() {
    static RecorderHub hub;
    return hub;
}

}  // namespace

JobRecorder::JobRecorder(DWORD jobId) : m_jobId(jobId) { Hub().Add(this); }

JobRecorder::~JobRecorder() { Hub().Remove(this); }

void JobRecorder::OnJobOperation(const tw::CTWJob&, const wchar_t* operation, const wchar_t* detail, BOOL result) {
    m_operations.push_back({operation ? operation : L"", detail ? detail : L"", result != FALSE});
}

void JobRecorder::OnProcessStarted(const tw::CTWJob&, const wchar_t* commandLine, HANDLE process) {
    // The job closes its handle at once: the recorder keeps its own to wait and read the exit code.
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), process, ::GetCurrentProcess(), &copy,
                           SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0))
        copy = nullptr;
    m_processes.push_back({commandLine ? commandLine : L"", tw::UniqueKernelObject(copy)});
}

void JobRecorder::OnHandOffRecords(const tw::CTWJob& job) { m_handOff = ReadHandOffRecords(job); }

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
    m_outcome.pageTexts = job.PageTexts();
    m_outcome.fields = job.MarkerFields();
    m_outcome.memoryText = job.MemoryText();
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
