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
    std::wstring messageCaptureWarning;  // the first client failure of the document
    std::wstring groupFile;
    std::vector<std::wstring> outputFiles;  // one name per output page, as the job named them
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
