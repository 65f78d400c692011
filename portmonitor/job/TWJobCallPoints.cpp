// Where the job hands work to the subsystems that name, render, write and hand off its output.
// Each of these is filled in by the subsystem it names; until that exists the step does nothing
// and the document goes on without it.
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

// Cover pages of the form filler started before printing.
BOOL CTWJob::AddFormFillerCoverPages() { return TRUE; }
// Fonts embedded in a page the selection leaves out.
BOOL CTWJob::RegisterPageFonts(HGLOBAL) { return TRUE; }
// The text-only image of a page when image generation is disabled.
BOOL CTWJob::CollectPageText(HGLOBAL, bool) { return TRUE; }
void CTWJob::ForwardPage(HGLOBAL, bool) {}
// Content-based naming of the page's file.
BOOL CTWJob::RenameByContent(std::wstring&) { return TRUE; }
// Temporary registry data and the merge window's shared memory.
void CTWJob::CleanUp(bool) {}

}  // namespace tw
