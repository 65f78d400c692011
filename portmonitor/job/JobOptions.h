#pragma once
// The effective value of every job option. An option can come from the job's Save-As answers
// (only when the record is marked as printed from session 0), from the job's DEVMODE, or from
// the printer's registry settings; each resolver applies the one fixed order for its option so
// that every part of the monitor gets the same answer. The resolvers only read, never cache.
//
// Each takes the job's DEVMODE (null: the value the monitor prints with when it has none) and
// the job id that names the Save-As answers.
#include <windows.h>

#include <optional>
#include <string>

namespace tw {

class TarnwellDEVMODE;

// What the merge utility decided for the merged document a job was joined to. The merge window
// of the job settings fills it from its entry in the merge table.
struct MergeAnswers {
    DWORD fileFormat = 0;
    bool forwarding = false;
    bool imageWatermark = false;
    bool ocr = false;
    bool openFolder = false;
    bool viewer = false;
    bool email = false;
    bool sharePoint = false;
    bool ftp = false;
    bool http = false;
};

struct MergeState {
    bool joined = false;     // the merge window joined this job to a merged document
    bool cancelled = false;  // the merge was cancelled
    bool lastOfSet = false;  // this job is the last of the merged set
    MergeAnswers answers;
};

// A job that prints alone.
inline constexpr MergeState kNotMerged{};

// What the writers do with an output file that already exists.
inline constexpr DWORD kExistingFileAppend = 0;
inline constexpr DWORD kExistingFileOverwrite = 1;
inline constexpr DWORD kExistingFileNewNumberedName = 2;

enum class WatermarkOrientation { Portrait, Landscape };

// The record asks for the Save-As answers (flags bit 0x80000000).
bool IsSaveAsInUse(const TarnwellDEVMODE* dm);

// The merged document's answers replace the job's own only when the job was joined and appends
// to the merged output (existing-file mode 0).
bool IsMergeOverrideActive(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge);

// ---- Output format and image options.
DWORD EffectiveOutputFormat(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
std::wstring EffectiveOutputDirectory(const TarnwellDEVMODE* dm, DWORD jobId);
// 0 black and white, 1 grey, 2 palette, 3 true colour; larger values count as 3.
DWORD EffectiveColorDepth(const TarnwellDEVMODE* dm, DWORD jobId);
// 1, 8 or 24 from the colour depth.
WORD EffectiveBitsPerPixel(const TarnwellDEVMODE* dm, DWORD jobId);
// JPEG quality 1 to 100 (0 only without a record).
DWORD EffectiveLossRatio(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsInternetTiff(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsReverseBitOrder(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsTiffPageNumberTag(const TarnwellDEVMODE* dm, DWORD jobId);
DWORD HtmlSeparatePages(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsOcrEnabled(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);

// ---- One output file for the whole document, and the existing-file mode (kExistingFile...).
bool IsMultiPageOutput(const TarnwellDEVMODE* dm, DWORD jobId);
DWORD ExistingFileMode(const TarnwellDEVMODE* dm, DWORD jobId);

// ---- Printer forwarding.
bool IsRedirectPrinting(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool UseNumberOfCopies(const TarnwellDEVMODE* dm, DWORD jobId);
DWORD NumberOfCopies(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsCollatePages(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsPrintAsBitmap(const TarnwellDEVMODE* dm, DWORD jobId);

// ---- E-mail. The content-based answers of the Save-As dialog count only as exactly "Yes".
bool IsSendInEmail(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsContentBasedEmail(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsSimpleContentBasedEmail(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsMultipageContentBasedEmail(const TarnwellDEVMODE* dm, DWORD jobId);

// ---- Post-print switches. They are the switches alone: the routes add their own conditions
// (an FTP connection, output not in memory).
bool IsOpenOutputFolder(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsViewInDefaultViewer(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsSharePointUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsFtpUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsHttpUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsDatabaseUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsMFilesUpload(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);

// ---- Watermarks.
bool IsPrintImageWatermark(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge = kNotMerged);
bool IsPrintTextWatermark(const TarnwellDEVMODE* dm, DWORD jobId);
bool IsWatermarkFirstPageOnly(const TarnwellDEVMODE* dm, DWORD jobId);
std::wstring WatermarkImagePath(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation);
// One of the placement codes 1, 2, 4, 8, 16, 32, 64, 128 (a Save-As answer is passed on as given).
DWORD WatermarkPosition(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation);
// 0 to 100; a larger value counts as 40.
DWORD WatermarkBrightness(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation);
bool IsFirstImageWatermarkEnabled(const TarnwellDEVMODE* dm, DWORD jobId);
// None when neither the Save-As answer nor the printer setting can be read.
std::optional<std::wstring> FirstImagePath(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation);
DWORD FirstImagePosition(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation);
DWORD FirstImageBrightness(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation);

// The placement code that the watermark flags word carries for one orientation: the single
// bit of the orientation's mask; no bit, several bits or the code-4 bit give 4.
DWORD WatermarkPositionFromFlags(DWORD watermarkFlags, WatermarkOrientation orientation);
// The placement codes; anything else is not a position.
bool IsWatermarkPositionCode(DWORD code);

}  // namespace tw
