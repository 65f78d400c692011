#pragma once
// A process-wide listener for what jobs do: twprint reports it and tests compare it. The
// monitor itself never needs one; with none installed nothing is recorded.
#include <windows.h>

namespace tw {

class CTWJob;

class IJobObserver {
public:
    virtual ~IJobObserver() = default;
    // One job operation has run: "SetDevMode", "StartDoc", "StartPage", "EndPage", "EndPageRaw",
    // "EndDoc", "TextOut", "AbortDoc". `detail` describes its input (may be empty).
    virtual void OnJobOperation(const CTWJob& job, const wchar_t* operation, const wchar_t* detail, BOOL result) = 0;
    // A process the job started: the application starter or the start application. The handle
    // is the job's, closed after the call; an observer that wants it duplicates it.
    virtual void OnProcessStarted(const CTWJob&, const wchar_t* /*commandLine*/, HANDLE /*process*/) {}
    // The job's hand-off records are complete; its per-job key goes right after.
    virtual void OnHandOffRecords(const CTWJob&) {}
    // The job is about to be destroyed; its final state is still readable.
    virtual void OnJobFinished(const CTWJob& job) = 0;
};

IJobObserver* JobObserver();
void SetJobObserver(IJobObserver* observer);

}  // namespace tw
