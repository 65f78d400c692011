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
    // The job is about to be destroyed; its final state is still readable.
    virtual void OnJobFinished(const CTWJob& job) = 0;
};

IJobObserver* JobObserver();
void SetJobObserver(IJobObserver* observer);

}  // namespace tw
