#pragma once
// The merge window's view of the spooler, the processes and the job's diagnostics.
#include <windows.h>

#include <string>

#include "notify/MergeWindow.h"

namespace tw {

class CJobMergeHost final : public IMergeWindowHost {
public:
    explicit CJobMergeHost(std::wstring printerName) : m_printerName(std::move(printerName)) {}
    bool JobExists(DWORD jobId) override;
    // Keeps the job's other fields: the spooler takes a whole JOB_INFO_1.
    void SetJobPriority(DWORD jobId, DWORD priority) override;
    bool ProcessRunning(DWORD processId) override;
    void Sleep(DWORD ms) override { ::Sleep(ms); }
    void Log(const std::wstring& text) override;

private:
    std::wstring m_printerName;
};

}  // namespace tw
