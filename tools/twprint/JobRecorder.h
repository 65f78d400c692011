#pragma once
// Listens to the jobs of a run: the operations the command stream drove and each job's end state.
#include <string>
#include <vector>

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
};

class JobRecorder final : public tw::IJobObserver {
public:
    JobRecorder() { tw::SetJobObserver(this); }
    ~JobRecorder() override { tw::SetJobObserver(nullptr); }
    JobRecorder(const JobRecorder&) = delete;
    JobRecorder& operator=(const JobRecorder&) = delete;

    void OnJobOperation(const tw::CTWJob& job, const wchar_t* operation, const wchar_t* detail, BOOL result) override;
    void OnJobFinished(const tw::CTWJob& job) override;

    const std::vector<JobOperation>& Operations() const { return m_operations; }
    const JobOutcome& Outcome() const { return m_outcome; }

private:
    std::vector<JobOperation> m_operations;
    JobOutcome m_outcome;
};

}  // namespace twprint
