// Where the job hands work to the subsystems that name, render, write and hand off its output.
// Each of these is filled in by the subsystem it names; until that exists the step does nothing
// and the document goes on without it.
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

// The merge window's shared memory goes with the job's end; the job's per-job registry key went
// with the post-print record (ClosePostPrint).
void CTWJob::CleanUp(bool) { LeaveMergeWindow(); }

}  // namespace tw
