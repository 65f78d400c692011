#pragma once
// Reads shared by the option resolvers: the job's Save-As answers, which count only when the
// record asks for them, and the merge override rules.
#include <windows.h>

#include <optional>
#include <string>

#include "job/JobOptions.h"

namespace tw::jobopt {

// A Save-As DWORD answer by its row in the dialog's table; none when the answers are not in
// use or the value cannot be read.
std::optional<DWORD> SaveAsDword(const TarnwellDEVMODE* dm, DWORD jobId, int row);
// A Save-As DWORD answer as a switch (non-zero = on).
std::optional<bool> SaveAsSwitch(const TarnwellDEVMODE* dm, DWORD jobId, int row);
// A Save-As text answer read into a buffer of `bufferBytes`; a longer value cannot be read.
std::optional<std::wstring> SaveAsText(const TarnwellDEVMODE* dm, DWORD jobId, int row, DWORD bufferBytes);
// A Save-As switch stored as text: on exactly when it reads "Yes" (case counts).
std::optional<bool> SaveAsYesText(const TarnwellDEVMODE* dm, DWORD jobId, int row);

// Switches that follow the merged document: its answer unless the merge was cancelled.
bool MergedAnswer(const MergeState& merge, bool answer);
// Switches of the post-print hand-off: only the last job of a merged set that was not
// cancelled hands the merged document on.
bool MergedPostPrint(const MergeState& merge, bool answer);

}  // namespace tw::jobopt
