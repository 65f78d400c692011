// Printer forwarding and the post-print switches: what the job hands on after printing.
#include "job/JobOptions.h"
#include "job/JobOptionsNames.h"
#include "job/JobOptionsRead.h"
#include "job/SettingsAccessors.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

namespace {

// The switches the Save-As dialog does not ask about.
constexpr int kNoSaveAsAnswer = -1;

// The job's own answer for a post-print switch: the Save-As answer when the dialog has one
// (kNoSaveAsAnswer: the dialog does not ask), else the printer's yes-flag.
bool OwnPostPrintSwitch(const TarnwellDEVMODE* dm, DWORD jobId, int saveAsRow, const wchar_t* group,
                        const wchar_t* setting) {
    if (!dm) return false;
    if (saveAsRow != kNoSaveAsAnswer) {
        if (std::optional<bool> answer = jobopt::SaveAsSwitch(dm, jobId, saveAsRow)) return *answer;
    }
    return settings::ReadYesFlag(dm, group, setting);
}

// A switch the merged document answers for: only its last job hands the merged output on.
bool MergeablePostPrintSwitch(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge, bool mergedAnswer,
                              int saveAsRow, const wchar_t* group, const wchar_t* setting) {
    if (IsMergeOverrideActive(dm, jobId, merge)) return jobopt::MergedPostPrint(merge, mergedAnswer);
    return OwnPostPrintSwitch(dm, jobId, saveAsRow, group, setting);
}

// Uploads the merge utility does not answer for: the printer's setting, given to the last job.
bool GatedUploadSwitch(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge, const wchar_t* setting) {
    bool on = OwnPostPrintSwitch(dm, jobId, kNoSaveAsAnswer, settings::kPostPrintSettings, setting);
    if (IsMergeOverrideActive(dm, jobId, merge)) on = jobopt::MergedPostPrint(merge, on);
    return on;
}

}  // namespace

bool IsRedirectPrinting(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsRedirectPrinting");
    bool on;
    if (IsMergeOverrideActive(dm, jobId, merge)) {
        on = jobopt::MergedAnswer(merge, merge.answers.forwarding);
    } else if (!dm) {
        on = true;
    } else if (IsSaveAsInUse(dm)) {
        // The record's flag speaks only for jobs that did not go through the dialog.
        on = jobopt::SaveAsSwitch(dm, jobId, saveas::kRedirectPrinting).value_or(false);
    } else {
        on = dm->HasFlag(dmflag::PrinterForwardingEnabled);
    }
    TW_TRACE_RESULT(L"IsRedirectPrinting", on);
    return on;
}

bool UseNumberOfCopies(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> UseNumberOfCopies");
    bool on;
    if (!dm) {
        on = false;
    } else if (IsSaveAsInUse(dm)) {
        on = jobopt::SaveAsSwitch(dm, jobId, saveas::kUseNumberOfCopies).value_or(false);
    } else {
        on = settings::ReadYesFlag(dm, settings::kRedirectPrintingSettings, settings::kUseNumberOfCopies);
    }
    TW_TRACE_RESULT(L"UseNumberOfCopies", on);
    return on;
}

DWORD NumberOfCopies(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> NumberOfCopies");
    DWORD copies = settings::kNumberOfCopiesDefault;
    if (std::optional<DWORD> answer = jobopt::SaveAsDword(dm, jobId, saveas::kNumberOfCopies)) {
        copies = *answer;
    } else if (dm) {
        copies = settings::ReadDwordOr(dm, settings::kRedirectPrintingSettings, settings::kNumberOfCopies,
                                       settings::kNumberOfCopiesDefault);
    }
    TW_TRACE(L"< NumberOfCopies: %lu", copies);
    return copies;
}

bool IsCollatePages(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsCollatePages");
    bool on = true;
    if (std::optional<bool> answer = jobopt::SaveAsSwitch(dm, jobId, saveas::kCollatePages)) {
        on = *answer;
    } else if (dm) {
        // Collating is the forwarding program's habit: only an explicit answer turns it off.
        on = settings::ReadCollatePages(dm);
    }
    TW_TRACE_RESULT(L"IsCollatePages", on);
    return on;
}

bool IsPrintAsBitmap(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsPrintAsBitmap");
    bool on = false;
    if (std::optional<bool> answer = jobopt::SaveAsSwitch(dm, jobId, saveas::kPrintAsBitmap)) {
        on = *answer;
    } else if (dm) {
        on = settings::ReadYesFlag(dm, settings::kRedirectPrintingSettings, settings::kPrintAsBitmap);
    }
    TW_TRACE_RESULT(L"IsPrintAsBitmap", on);
    return on;
}

bool IsOpenOutputFolder(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsOpenOutputFolder");
    bool on = MergeablePostPrintSwitch(dm, jobId, merge, merge.answers.openFolder, saveas::kOpenOutputFolder,
                                       settings::kPostPrintSettings, settings::kOpenOutputFolder);
    TW_TRACE_RESULT(L"IsOpenOutputFolder", on);
    return on;
}

bool IsViewInDefaultViewer(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsViewInDefaultViewer");
    bool on = MergeablePostPrintSwitch(dm, jobId, merge, merge.answers.viewer, saveas::kOpenWithViewer,
                                       settings::kPostPrintSettings, settings::kViewInDefaultViewer);
    TW_TRACE_RESULT(L"IsViewInDefaultViewer", on);
    return on;
}

bool IsSharePointUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsSharePointUpload");
    bool on = MergeablePostPrintSwitch(dm, jobId, merge, merge.answers.sharePoint, saveas::kUploadToSharePoint,
                                       settings::kSharePointSettings, settings::kSharePointUpload);
    TW_TRACE_RESULT(L"IsSharePointUpload", on);
    return on;
}

bool IsFtpUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsFtpUpload");
    bool on = MergeablePostPrintSwitch(dm, jobId, merge, merge.answers.ftp, kNoSaveAsAnswer,
                                       settings::kPostPrintSettings, settings::kFtpUpload);
    TW_TRACE_RESULT(L"IsFtpUpload", on);
    return on;
}

bool IsHttpUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsHttpUpload");
    bool on = MergeablePostPrintSwitch(dm, jobId, merge, merge.answers.http, kNoSaveAsAnswer,
                                       settings::kPostPrintSettings, settings::kHttpUpload);
    TW_TRACE_RESULT(L"IsHttpUpload", on);
    return on;
}

bool IsDatabaseUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsDatabaseUpload");
    bool on = GatedUploadSwitch(dm, jobId, merge, settings::kDatabaseUpload);
    TW_TRACE_RESULT(L"IsDatabaseUpload", on);
    return on;
}

bool IsMFilesUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsMFilesUpload");
    bool on = GatedUploadSwitch(dm, jobId, merge, settings::kMFilesUpload);
    TW_TRACE_RESULT(L"IsMFilesUpload", on);
    return on;
}

}  // namespace tw
