// Printer forwarding: each produced page goes, with one annotation metafile per copy, into
// temporary metafiles that the forwarding program prints, described by records under the
// job's post-print ID.
#include <vector>

#include "emfimage/EMFImage.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/DebugLog.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"
#include "notify/ForwardingFile.h"
#include "notify/ForwardingRecords.h"

namespace tw {
namespace {

namespace fw = forwarding;

// The rendering copy for as long as a copy's metafiles are made; back to the first after.
class CopyInProgress {
public:
    explicit CopyInProgress(DWORD& slot) : m_slot(slot) {}
    ~CopyInProgress() { m_slot = 1; }
    CopyInProgress(const CopyInProgress&) = delete;
    CopyInProgress& operator=(const CopyInProgress&) = delete;
    void Set(DWORD copy) { m_slot = copy; }

private:
    DWORD& m_slot;
};

fw::ForwardingJob Facts(const CTWJob& job, DWORD postPrintId, std::wstring outputDirectory) {
    fw::ForwardingJob f;
    f.dm = job.DevMode();
    f.jobId = job.JobId();
    f.postPrintId = postPrintId;
    f.perJobOptions = IsSaveAsInUse(job.DevMode());
    f.printerName = job.PrinterName();
    f.documentName = job.DocumentName();
    f.iniFile = job.PrinterIniFile();
    f.outputDirectory = std::move(outputDirectory);
    return f;
}

}  // namespace

void CTWJob::WriteForwardingStartRecord() {
    if (!m_postPrintId) return;
    m_dwForwardedPages = 0;
    fw::WriteStartDocForPrinterForwardingToRegistry(
        Facts(*this, *m_postPrintId, ExpandedOutputDirectory(EffectiveOutputDirectory(DevMode(), m_dwJobID))));
}

void CTWJob::WriteForwardingEndRecord() {
    if (!m_postPrintId) return;
    const fw::ForwardingJob facts = Facts(*this, *m_postPrintId, L"");
    if (IsRedirectPrinting(DevMode(), m_dwJobID, m_merge))
        fw::WriteEndDocForPrinterForwardingToRegistry(facts, m_dwForwardedPages);
    else if (IsStartApplicationOn() || AnyPostPrintRoute() || IsOcrOutputOpened() || IsSaveAsInUse(DevMode()))
        fw::WriteNoRedirectMsgForPrinterForwardingToRegistry(facts);
}

void CTWJob::ForwardPage(HGLOBAL hData, bool raw) {
    // The records are named by the post-print ID: without one no program would read them.
    if (!m_postPrintId || !IsRedirectPrinting(&m_sDevMode, m_dwJobID, m_merge)) return;
    TW_TRACE(L"> CTWJob::ForwardPage %lu", m_dwActPage);
    const fw::ForwardingCopies copies = fw::ResolveCopies(&m_sDevMode, m_dwJobID);
    CForwardingFile pageFile;
    std::vector<CForwardingFile> copyFiles;
    {
        CopyInProgress copy(m_dwRenderingCopy);
        for (DWORD c = 1; c <= copies.copies; ++c) {
            copy.Set(c);  // the annotations may differ per copy (the COPY token)
            TarnwellDEVMODE dm = m_sDevMode;
            CEMFImage image(this);
            UniqueEnhMetaFile page, annotations;
            VectorSize size{}, dpi{};
            const BOOL made =
                raw ? image.CreateEnhMetaFileFromRawDataExt(hData, m_dwPageDataSize, dm, page, annotations, size, dpi)
                    : image.CreateEnhMetaFileExt(hData, m_dwPageDataSize, dm, page, annotations, size, dpi, FALSE);
            if (!made || !page) {
                TW_TRACE(L"< CTWJob::ForwardPage[!metafiles of copy %lu]", c);
                return;
            }
            if (c == 1) pageFile.Save(page.get(), fw::kPagePrefix);
            CForwardingFile above;
            if (annotations && !above.Save(annotations.get(), fw::kAbovePrefix)) {
                MessageCaptureLog().print(diag::kLevelError, L"%s", fw::kLogTemporaryFile);
                return;
            }
            copyFiles.push_back(std::move(above));
        }
    }
    const DWORD pageSize = pageFile.SizeOnDisk();
    if (pageSize == 0) {
        MessageCaptureLog().print(diag::kLevelError, L"%s", fw::kLogTemporaryFile);
        TW_TRACE(L"< CTWJob::ForwardPage: %s", fw::kLogTemporaryFile);
        return;
    }
    ++m_dwForwardedPages;
    std::vector<std::wstring> abovePaths;
    for (const CForwardingFile& f : copyFiles) abovePaths.push_back(f.Path());
    const fw::ForwardingJob facts = Facts(*this, *m_postPrintId, L"");
    if (fw::WritePrinterForwardingDataToRegistry(facts, m_dwForwardedPages, pageFile.Path(), pageSize, L"",
                                                 abovePaths)) {
        // Handed on: the forwarding program deletes them once printed.
        pageFile.Keep();
        for (CForwardingFile& f : copyFiles) f.Keep();
    }
    TW_TRACE(L"< CTWJob::ForwardPage: page %lu", m_dwForwardedPages);
}

}  // namespace tw
