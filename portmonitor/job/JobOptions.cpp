#include "job/JobOptions.h"

#include <algorithm>

#include "job/JobOptionsNames.h"
#include "job/JobOptionsRead.h"
#include "job/SettingsAccessors.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

using jobopt::SaveAsDword;
using jobopt::SaveAsSwitch;
using jobopt::SaveAsText;

namespace {

DWORD ClampColorDepth(DWORD depth) { return std::min(depth, dmrule::kMaxColorMode); }

DWORD ClampLossRatio(DWORD ratio) { return std::clamp(ratio, dmrule::kMinLossRatio, dmrule::kMaxLossRatio); }

// The TIFF switches: the Save-As answer, else the record's flag; on without a record.
bool TiffSwitch(const TarnwellDEVMODE* dm, DWORD jobId, int saveAsRow, DWORD flag) {
    if (!dm) return true;
    if (std::optional<bool> answer = SaveAsSwitch(dm, jobId, saveAsRow)) return *answer;
    return dm->HasFlag(flag);
}

}  // namespace

bool IsSaveAsInUse(const TarnwellDEVMODE* dm) { return dm && dm->HasFlag(dmflag::PrintedFromSession0); }

bool IsMergeOverrideActive(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    return merge.joined && ExistingFileMode(dm, jobId) == kExistingFileAppend;
}

DWORD EffectiveOutputFormat(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> EffectiveOutputFormat");
    DWORD format;
    if (IsMergeOverrideActive(dm, jobId, merge)) {
        // The merged document has one format, whatever became of the merge.
        format = merge.answers.fileFormat;
    } else if (std::optional<DWORD> answer = SaveAsDword(dm, jobId, saveas::kFileFormat)) {
        format = *answer;
    } else {
        format = DmFileFormat(dm);
    }
    TW_TRACE(L"< EffectiveOutputFormat: %lu", format);
    return format;
}

std::wstring EffectiveOutputDirectory(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> EffectiveOutputDirectory");
    std::optional<std::wstring> answer = SaveAsText(dm, jobId, saveas::kOutputPath, saveas::kPathBufferBytes);
    std::wstring directory = answer ? *answer : DmText(dm, dmtext::OutputDirectory);
    TW_TRACE(L"< EffectiveOutputDirectory: %s", directory.c_str());
    return directory;
}

DWORD EffectiveColorDepth(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> EffectiveColorDepth");
    // The dialog's answer is held to the same range as the record's field: the writers know
    // only the four depths.
    std::optional<DWORD> answer = SaveAsDword(dm, jobId, saveas::kColorDepth);
    DWORD depth = answer ? ClampColorDepth(*answer) : DmColorMode(dm);
    TW_TRACE(L"< EffectiveColorDepth: %lu", depth);
    return depth;
}

WORD EffectiveBitsPerPixel(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> EffectiveBitsPerPixel");
    WORD bits;
    switch (EffectiveColorDepth(dm, jobId)) {
    case dmrule::kColorModeGray:
    case dmrule::kColorModePalette: bits = dmrule::kBitsIndexed; break;
    case dmrule::kColorModeTrueColor: bits = dmrule::kBitsTrueColor; break;
    default: bits = dmrule::kBitsBlackWhite; break;
    }
    TW_TRACE(L"< EffectiveBitsPerPixel: %u", static_cast<unsigned>(bits));
    return bits;
}

DWORD EffectiveLossRatio(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> EffectiveLossRatio");
    // A quality outside 1..100 means nothing to the JPEG writer, whichever source gave it.
    std::optional<DWORD> answer = SaveAsDword(dm, jobId, saveas::kLossRatio);
    DWORD ratio = answer ? ClampLossRatio(*answer) : DmLossRatio(dm);
    TW_TRACE(L"< EffectiveLossRatio: %lu", ratio);
    return ratio;
}

bool IsInternetTiff(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsInternetTiff");
    bool on = TiffSwitch(dm, jobId, saveas::kInternetTiff, dmflag::IsInternetTiffFormatEnabled);
    TW_TRACE_RESULT(L"IsInternetTiff", on);
    return on;
}

bool IsReverseBitOrder(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsReverseBitOrder");
    bool on = TiffSwitch(dm, jobId, saveas::kReverseBitOrder, dmflag::IsReverseBitOrderEnabled);
    TW_TRACE_RESULT(L"IsReverseBitOrder", on);
    return on;
}

bool IsTiffPageNumberTag(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsTiffPageNumberTag");
    bool on = TiffSwitch(dm, jobId, saveas::kPageNumberTag, dmflag::IsPageNumberingEnabled);
    TW_TRACE_RESULT(L"IsTiffPageNumberTag", on);
    return on;
}

DWORD HtmlSeparatePages(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> HtmlSeparatePages");
    DWORD separate = 0;
    if (std::optional<DWORD> answer = SaveAsDword(dm, jobId, saveas::kHtmlSeparatePages)) {
        separate = *answer;
    } else if (dm) {
        separate = static_cast<DWORD>(settings::ReadNumberText(
            dm, settings::kHtmlSettings, settings::kHtmlSeparatePages, settings::kHtmlSeparatePagesDefault));
    }
    TW_TRACE(L"< HtmlSeparatePages: %lu", separate);
    return separate;
}

bool IsOcrEnabled(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsOcrEnabled");
    bool on;
    if (IsMergeOverrideActive(dm, jobId, merge)) {
        on = jobopt::MergedAnswer(merge, merge.answers.ocr);
    } else if (std::optional<bool> answer = SaveAsSwitch(dm, jobId, saveas::kEnableOcr)) {
        on = *answer;
    } else {
        on = dm && settings::ReadNumberText(dm, settings::kOcrSettings, settings::kOcrEnabled,
                                            settings::kOcrNumberDefault) != 0;
    }
    TW_TRACE_RESULT(L"IsOcrEnabled", on);
    return on;
}

}  // namespace tw
