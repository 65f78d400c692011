#include "job/JobMergeHost.h"

#include <vector>

#include "base/UniqueHandle.h"
#include "monitor/DebugLog.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// The job's JOB_INFO_1, or nothing when the spooler no longer has the job.
std::vector<BYTE> JobInfo1(HANDLE printer, DWORD jobId) {
    DWORD needed = 0;
    Spooler().GetJob(printer, jobId, 1, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_1W)) return {};
    std::vector<BYTE> buf(needed);
    if (!Spooler().GetJob(printer, jobId, 1, buf.data(), needed, &needed)) return {};
    return buf;
}

}  // namespace

bool CJobMergeHost::JobExists(DWORD jobId) {
    UniquePrinter printer;
    return printer.open(m_printerName.c_str()) && !JobInfo1(printer.get(), jobId).empty();
}

void CJobMergeHost::SetJobPriority(DWORD jobId, DWORD priority) {
    TW_TRACE(L"> CJobMergeHost::SetJobPriority: job %lu, %lu", static_cast<unsigned long>(jobId),
             static_cast<unsigned long>(priority));
    UniquePrinter printer;
    if (!printer.open(m_printerName.c_str())) return;
    std::vector<BYTE> buf = JobInfo1(printer.get(), jobId);
    if (buf.empty()) return;
    auto* info = reinterpret_cast<JOB_INFO_1W*>(buf.data());
    info->Priority = priority;
    info->Position = JOB_POSITION_UNSPECIFIED;
    if (!Spooler().SetJob(printer.get(), jobId, 1, buf.data(), 0))
        TW_TRACE(L"CJobMergeHost::SetJobPriority: SetJob failed: %lu", ::GetLastError());
}

bool CJobMergeHost::ProcessRunning(DWORD processId) {
    UniqueKernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    // A process we may not ask about still exists.
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    return ::GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

void CJobMergeHost::Log(const std::wstring& text) {
    TW_TRACE(L"%s", text.c_str());
    MessageCaptureLog().print(diag::kLevelInfo, L"%s", text.c_str());
}

}  // namespace tw
