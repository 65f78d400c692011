#pragma once
// Listens to the jobs of a run: the operations the command stream drove and each job's end state.
#include <string>
#include <vector>

#include "HandOffRecords.h"
#include "job/JobObserver.h"

namespace twprint {

struct JobOperation {
    std::wstring name, detail;
    bool result = false;
};

struct JobOutcome {
    bool seen = false;  // a job existed and ended
    std::wstring status;
    bool failed = false;
    DWORD receivedPages = 0;
    DWORD outputPages = 0;
    DWORD documentNumber = 0;
    bool abortPrinting = false;
    std::vector<std::wstring> statusMessages;
    std::vector<std::wstring> files;  // written by the job, in order
    // The job's output names as they stood at its end.
    std::vector<std::wstring> outputFiles;  // one entry per output page
    std::wstring groupFile, imageFile, textFile, mailMergeFile, ocrTextFile, firstImageFile, firstTextFile;
    std::wstring currentOutputFile, statusIniFile;
    std::wstring httpGroupFile, databaseGroupFile, mfilesGroupFile;
    std::wstring messageCaptureWarning;  // the first client failure of the document
    std::vector<std::wstring> pageTexts;  // each page's text as laid out
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> fields;  // marker name -> values
    std::wstring memoryText;              // the text handed to the clients in memory
};

// Records the jobs of the run, or with a job id only that job's: jobs printing in parallel each
// have their own recorder. Recorders register with the one process-wide observer while they live.
class JobRecorder final : public tw::IJobObserver {
public:
    explicit JobRecorder(DWORD jobId = 0);
    ~JobRecorder() override;
    JobRecorder(const JobRecorder&) = delete;
    JobRecorder& operator=(const JobRecorder&) = delete;

    void OnJobOperation(const tw::CTWJob& job, const wchar_t* operation, const wchar_t* detail, BOOL result) override;
    void OnJobFinished(const tw::CTWJob& job) override;
    void OnProcessStarted(const tw::CTWJob& job, const wchar_t* commandLine, HANDLE process) override;
    void OnHandOffRecords(const tw::CTWJob& job) override;
    DWORD JobId() const { return m_jobId; }
    // --wait-post-print: the processes the job started, given at most `timeoutMs` to end.
    void WaitForStartedProcesses(DWORD timeoutMs) const { WaitForProcesses(m_processes, timeoutMs); }
    const std::vector<StartedProcess>& Processes() const { return m_processes; }
    const HandOffSnapshot& HandOff() const { return m_handOff; }

    const std::vector<JobOperation>& Operations() const { return m_operations; }
    const JobOutcome& Outcome() const { return m_outcome; }

private:
    DWORD m_jobId;
    std::vector<JobOperation> m_operations;
    JobOutcome m_outcome;
    std::vector<StartedProcess> m_processes;
    HandOffSnapshot m_handOff;
};

}  // namespace twprint
