#include "job/JobOptionsRead.h"

#include <algorithm>
#include <vector>

#include "base/WideString.h"
#include "job/JobOptionsNames.h"
#include "job/SettingsStore.h"

namespace tw::jobopt {

std::optional<DWORD> SaveAsDword(const TarnwellDEVMODE* dm, DWORD jobId, int row) {
    if (!IsSaveAsInUse(dm)) return std::nullopt;
    DWORD value = 0;
    if (!settings::ReadSaveAsDword(dm, row, jobId, value)) return std::nullopt;
    return value;
}

std::optional<bool> SaveAsSwitch(const TarnwellDEVMODE* dm, DWORD jobId, int row) {
    std::optional<DWORD> value = SaveAsDword(dm, jobId, row);
    if (!value) return std::nullopt;
    return *value != 0;
}

std::optional<std::wstring> SaveAsText(const TarnwellDEVMODE* dm, DWORD jobId, int row, DWORD bufferBytes) {
    if (!IsSaveAsInUse(dm)) return std::nullopt;
    const size_t capacity = bufferBytes / sizeof(wchar_t);
    // Zero-filled, so a value stored without its terminator still ends inside the buffer.
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    DWORD size = bufferBytes;
    if (!settings::ReadSaveAsText(dm, row, jobId, buffer.data(), size)) return std::nullopt;
    const size_t read = std::min<size_t>(size / sizeof(wchar_t), capacity);
    return std::wstring(buffer.data(), BoundedLength(buffer.data(), read));
}

std::optional<bool> SaveAsYesText(const TarnwellDEVMODE* dm, DWORD jobId, int row) {
    std::optional<std::wstring> text = SaveAsText(dm, jobId, row, saveas::kYesBufferBytes);
    if (!text) return std::nullopt;
    // The dialog writes exactly "Yes"; other spellings are not its answer and count as off.
    return *text == saveas::kYes;
}

bool MergedAnswer(const MergeState& merge, bool answer) { return !merge.cancelled && answer; }

bool MergedPostPrint(const MergeState& merge, bool answer) {
    return merge.lastOfSet && !merge.cancelled && answer;
}

}  // namespace tw::jobopt
