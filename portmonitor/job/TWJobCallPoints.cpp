// Where the job hands work to the subsystems that name, render, write and hand off its output.
// Each of these is filled in by the subsystem it names; until that exists the step does nothing
// and the document goes on without it.
#include "job/TWJob.h"
#include "monitor/Trace.h"

namespace tw {

// Output file naming: the document's names, and the name of each new file group.
BOOL CTWJob::GenerateFilenames(bool) { return TRUE; }
// The output writer for the document's format.
BOOL CTWJob::CreateOutputFile() { return TRUE; }
// The multipage TIFF file and the status INI file's "Group File".
BOOL CTWJob::OpenDocumentOutput() { return TRUE; }
// Start records of printer forwarding and the uploaders.
void CTWJob::WriteStartRecords() {}
void CTWJob::StartOcrDocument() {}
void CTWJob::FinishOcrDocument() {}
// Cover pages of the form filler started before printing.
BOOL CTWJob::AddFormFillerCoverPages() { return TRUE; }
// Fonts embedded in a page the selection leaves out.
BOOL CTWJob::RegisterPageFonts(HGLOBAL) { return TRUE; }
// Rendering and the writer.
BOOL CTWJob::SavePageImage(HGLOBAL, bool) { return TRUE; }
// The text-only image of a page when image generation is disabled.
BOOL CTWJob::CollectPageText(HGLOBAL, bool) { return TRUE; }
void CTWJob::ForwardPage(HGLOBAL, bool) {}
// Hand-off records of a finished file, the group file, and message kind 3.
BOOL CTWJob::CloseFileGroup(bool) {
    PostWindowMessage(3, m_szCurrentOutputFile);
    return TRUE;
}
void CTWJob::UpdateBatesNumber() {}
// "Last Output File" of the status INI file.
void CTWJob::SetLastOutputFile() {}
BOOL CTWJob::CloseMultipageTiff() { return TRUE; }
void CTWJob::DeleteTemporaryFiles() {}
void CTWJob::StartPostPrintApplication() {}
// Forwarding end record, "Job Finished" post-print record.
void CTWJob::WriteHandOffEndRecords() {}
// Temporary registry data and the merge window's shared memory.
void CTWJob::CleanUp(bool) {}

}  // namespace tw
