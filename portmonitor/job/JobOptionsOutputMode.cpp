// E-mail switches and the two output modes that content-based e-mail bends: one file for the
// whole document, and what happens to a file that already exists.
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

// A content-based switch: the dialog's exact "Yes", else the printer's yes-flag.
bool ContentSwitch(const TarnwellDEVMODE* dm, DWORD jobId, int saveAsRow, const wchar_t* settingName) {
    if (!dm) return false;
    if (std::optional<bool> answer = jobopt::SaveAsYesText(dm, jobId, saveAsRow)) return *answer;
    return settings::ReadYesFlag(dm, settings::kEmailSettings, settingName);
}

// Content-based e-mail splits the output by the addresses found in the pages.
bool IsContentBasedSplitting(const TarnwellDEVMODE* dm, DWORD jobId) {
    return IsSendInEmail(dm, jobId) && (IsContentBasedEmail(dm, jobId) || IsSimpleContentBasedEmail(dm, jobId));
}

}  // namespace

bool IsSendInEmail(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsSendInEmail");
    bool on;
    if (IsMergeOverrideActive(dm, jobId, merge)) {
        on = jobopt::MergedPostPrint(merge, merge.answers.email);
    } else if (!dm) {
        on = false;
    } else if (IsSaveAsInUse(dm)) {
        // A dialog that did not answer did not ask for e-mail: the printer's setting is not used.
        on = jobopt::SaveAsSwitch(dm, jobId, saveas::kSendInEmail).value_or(false);
    } else {
        on = settings::ReadYesFlag(dm, settings::kPostPrintSettings, settings::kSendInEmail);
    }
    TW_TRACE_RESULT(L"IsSendInEmail", on);
    return on;
}

bool IsContentBasedEmail(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsContentBasedEmail");
    bool on = ContentSwitch(dm, jobId, saveas::kContentBasedEmail, settings::kContentBasedEmail);
    TW_TRACE_RESULT(L"IsContentBasedEmail", on);
    return on;
}

bool IsSimpleContentBasedEmail(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsSimpleContentBasedEmail");
    bool on = ContentSwitch(dm, jobId, saveas::kSimpleContentBasedEmail, settings::kSimpleContentBasedEmail);
    TW_TRACE_RESULT(L"IsSimpleContentBasedEmail", on);
    return on;
}

bool IsMultipageContentBasedEmail(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsMultipageContentBasedEmail");
    bool on = ContentSwitch(dm, jobId, saveas::kMultipageContentBasedEmail, settings::kMultipageContentBasedEmail);
    TW_TRACE_RESULT(L"IsMultipageContentBasedEmail", on);
    return on;
}

bool IsMultiPageOutput(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsMultiPageOutput");
    bool multiPage;
    if (IsSaveAsInUse(dm)) {
        std::optional<DWORD> separate = jobopt::SaveAsDword(dm, jobId, saveas::kSeparateFiles);
        multiPage = separate && *separate == 0;
    } else {
        multiPage = !dm || dm->HasFlag(dmflag::IsMultipageImageEnabled);
    }
    // Content-based e-mail sends each page to its own addresses unless it keeps pages together.
    if (multiPage && IsContentBasedSplitting(dm, jobId)) multiPage = IsMultipageContentBasedEmail(dm, jobId);
    TW_TRACE_RESULT(L"IsMultiPageOutput", multiPage);
    return multiPage;
}

DWORD ExistingFileMode(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> ExistingFileMode");
    std::optional<DWORD> append = jobopt::SaveAsDword(dm, jobId, saveas::kAppendFile);
    if (!append || *append == 0) {
        if (!dm) {
            TW_TRACE(L"< ExistingFileMode[!DevMode]: %lu", kExistingFileNewNumberedName);
            return kExistingFileNewNumberedName;
        }
        if (!dm->HasFlag(dmflag::IsKeepExistingFilesEnabled)) {
            DWORD mode = dm->HasFlag(dmflag::OverwriteExistingFiles) ? kExistingFileOverwrite
                                                                     : kExistingFileNewNumberedName;
            TW_TRACE(L"< ExistingFileMode: %lu", mode);
            return mode;
        }
    }
    DWORD mode = kExistingFileAppend;
    if (IsContentBasedSplitting(dm, jobId) && IsMultipageContentBasedEmail(dm, jobId)) {
        mode = kExistingFileNewNumberedName;
    }
    TW_TRACE(L"< ExistingFileMode: %lu", mode);
    return mode;
}

}  // namespace tw
