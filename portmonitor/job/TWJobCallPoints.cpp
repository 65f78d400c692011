// Where the job hands work to the subsystems that name, render, write and hand off its output.
// Each of these is filled in by the subsystem it names; until that exists the step does nothing
// and the document goes on without it.
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

void CTWJob::ForwardPage(HGLOBAL, bool) {}
// Temporary registry data and the merge window's shared memory.
void CTWJob::CleanUp(bool) {}

}  // namespace tw
