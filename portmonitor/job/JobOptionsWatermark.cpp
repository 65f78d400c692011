// The image and text watermark options, for portrait and landscape pages and the unique
// first-page picture.
#include <vector>

#include "base/WideString.h"
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

constexpr bool IsLandscape(WatermarkOrientation o) { return o == WatermarkOrientation::Landscape; }

// The bit each orientation's placement code is stored as; code 4 is also what no bit means.
struct PositionBits {
    DWORD portrait;
    DWORD landscape;
    DWORD code;
};
constexpr PositionBits kPositionBits[] = {
    {dmwm::PortraitPosition1, dmwm::LandscapePosition1, 1},
    {dmwm::PortraitPosition2, dmwm::LandscapePosition2, 2},
    {dmwm::PortraitPosition4, dmwm::LandscapePosition4, 4},
    {dmwm::PortraitPosition8, dmwm::LandscapePosition8, 8},
    {dmwm::PortraitPosition16, dmwm::LandscapePosition16, 16},
    {dmwm::PortraitPosition32, dmwm::LandscapePosition32, 32},
    {dmwm::PortraitPosition64, dmwm::LandscapePosition64, 64},
    {dmwm::PortraitPosition128, dmwm::LandscapePosition128, 128},
};

DWORD BrightnessOrDefault(DWORD brightness) {
    return brightness > optrule::kMaxBrightness ? optrule::kDefaultBrightness : brightness;
}

// A first-page picture path of the printer, at most 520 bytes; none when missing or longer.
std::optional<std::wstring> ReadFirstImageSetting(const TarnwellDEVMODE* dm, const wchar_t* name) {
    constexpr size_t kCapacity = settings::kNameChars;
    std::vector<wchar_t> buffer(kCapacity + 1, L'\0');
    DWORD size = settings::kNameBytes;
    if (!settings::ReadText(dm, settings::kRoot, settings::kWatermarkSettings, name, buffer.data(), size)) {
        return std::nullopt;
    }
    const size_t read = size / sizeof(wchar_t) < kCapacity ? size / sizeof(wchar_t) : kCapacity;
    return std::wstring(buffer.data(), BoundedLength(buffer.data(), read));
}

}  // namespace

bool IsWatermarkPositionCode(DWORD code) {
    for (const PositionBits& bits : kPositionBits) {
        if (bits.code == code) return true;
    }
    return false;
}

DWORD WatermarkPositionFromFlags(DWORD watermarkFlags, WatermarkOrientation orientation) {
    const bool landscape = IsLandscape(orientation);
    const DWORD masked =
        watermarkFlags & (landscape ? dmwm::LandscapePositionMask : dmwm::PortraitPositionMask);
    for (const PositionBits& bits : kPositionBits) {
        if (masked == (landscape ? bits.landscape : bits.portrait)) return bits.code;
    }
    return optrule::kDefaultPosition;
}

bool IsPrintImageWatermark(const TarnwellDEVMODE* dm, DWORD jobId, const MergeState& merge) {
    TW_TRACE(L"> IsPrintImageWatermark");
    bool on;
    if (IsMergeOverrideActive(dm, jobId, merge)) {
        on = jobopt::MergedAnswer(merge, merge.answers.imageWatermark);
    } else if (std::optional<bool> answer = jobopt::SaveAsSwitch(dm, jobId, saveas::kPrintImageWatermark)) {
        on = *answer;
    } else {
        on = !dm || dm->HasWatermarkFlag(dmwm::WatermarkImage);
    }
    TW_TRACE_RESULT(L"IsPrintImageWatermark", on);
    return on;
}

bool IsPrintTextWatermark(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsPrintTextWatermark");
    bool on = false;
    if (std::optional<bool> answer = jobopt::SaveAsSwitch(dm, jobId, saveas::kPrintWatermark)) {
        on = *answer;
    } else if (dm) {
        on = settings::ReadNumberText(dm, settings::kTextWatermarkStampSettings, settings::kTextWatermarkEnable,
                                     settings::kStampNumberDefault) != 0;
    }
    TW_TRACE_RESULT(L"IsPrintTextWatermark", on);
    return on;
}

bool IsWatermarkFirstPageOnly(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsWatermarkFirstPageOnly");
    bool on;
    if (!dm) {
        on = true;
    } else if (IsSaveAsInUse(dm)) {
        on = jobopt::SaveAsSwitch(dm, jobId, saveas::kWatermarkFirstPageOnly).value_or(false);
    } else {
        on = dm->HasWatermarkFlag(dmwm::WatermarkFirstPageOnly);
    }
    TW_TRACE_RESULT(L"IsWatermarkFirstPageOnly", on);
    return on;
}

std::wstring WatermarkImagePath(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation) {
    TW_TRACE(L"> WatermarkImagePath");
    const bool landscape = IsLandscape(orientation);
    std::optional<std::wstring> answer =
        jobopt::SaveAsText(dm, jobId, landscape ? saveas::kWatermarkLandscapeImage : saveas::kWatermarkPortraitImage,
                           saveas::kPathBufferBytes);
    std::wstring path =
        answer ? *answer : DmText(dm, landscape ? dmtext::LandscapeWatermarkImage : dmtext::PortraitWatermarkImage);
    TW_TRACE(L"< WatermarkImagePath: %s", path.c_str());
    return path;
}

DWORD WatermarkPosition(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation) {
    TW_TRACE(L"> WatermarkPosition");
    const bool landscape = IsLandscape(orientation);
    DWORD position = optrule::kDefaultPosition;
    if (std::optional<DWORD> answer = jobopt::SaveAsDword(
            dm, jobId, landscape ? saveas::kWatermarkLPosition : saveas::kWatermarkPPosition)) {
        position = *answer;
    } else if (dm) {
        position = WatermarkPositionFromFlags(dm->WatermarkFlags(), orientation);
    }
    TW_TRACE(L"< WatermarkPosition: %lu", position);
    return position;
}

DWORD WatermarkBrightness(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation) {
    TW_TRACE(L"> WatermarkBrightness");
    const bool landscape = IsLandscape(orientation);
    DWORD brightness = optrule::kDefaultBrightness;
    // The lightener takes a percentage; the dialog's answer is held to it like the record's field.
    if (std::optional<DWORD> answer = jobopt::SaveAsDword(
            dm, jobId, landscape ? saveas::kWatermarkLBrightness : saveas::kWatermarkPBrightness)) {
        brightness = BrightnessOrDefault(*answer);
    } else if (dm) {
        brightness = BrightnessOrDefault(dm->Read<WORD>(landscape ? dmoff::LandscapeWatermarkBrightness
                                                                  : dmoff::PortraitWatermarkBrightness));
    }
    TW_TRACE(L"< WatermarkBrightness: %lu", brightness);
    return brightness;
}

bool IsFirstImageWatermarkEnabled(const TarnwellDEVMODE* dm, DWORD jobId) {
    TW_TRACE(L"> IsFirstImageWatermarkEnabled");
    bool on;
    if (!dm) {
        on = false;
    } else if (IsSaveAsInUse(dm)) {
        on = jobopt::SaveAsSwitch(dm, jobId, saveas::kFirstImageEnabled).value_or(false);
    } else {
        on = dm->HasWatermarkFlag(dmwm::WatermarkFirstPagePicture);
    }
    TW_TRACE_RESULT(L"IsFirstImageWatermarkEnabled", on);
    return on;
}

std::optional<std::wstring> FirstImagePath(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation) {
    TW_TRACE(L"> FirstImagePath");
    const bool landscape = IsLandscape(orientation);
    std::optional<std::wstring> path = jobopt::SaveAsText(
        dm, jobId, landscape ? saveas::kWatermarkLandscapeFirstImage : saveas::kWatermarkPortraitFirstImage,
        saveas::kPathBufferBytes);
    if (!path && dm) {
        path = ReadFirstImageSetting(dm, landscape ? settings::kFirstImageLandscape : settings::kFirstImagePortrait);
    }
    if (path) {
        TW_TRACE(L"< FirstImagePath: %s", path->c_str());
    } else {
        TW_TRACE_FAILED(L"FirstImagePath", L"ReadText");
    }
    return path;
}

DWORD FirstImagePosition(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation) {
    TW_TRACE(L"> FirstImagePosition");
    const bool landscape = IsLandscape(orientation);
    // An answer that is not a placement code counts as not given.
    std::optional<DWORD> answer =
        jobopt::SaveAsDword(dm, jobId, landscape ? saveas::kWatermarkLFirstPosition : saveas::kWatermarkPFirstPosition);
    DWORD position = optrule::kDefaultPosition;
    if (answer && IsWatermarkPositionCode(*answer)) {
        position = *answer;
    } else if (dm) {
        position = settings::ReadFirstImagePosition(dm, landscape);
    }
    TW_TRACE(L"< FirstImagePosition: %lu", position);
    return position;
}

DWORD FirstImageBrightness(const TarnwellDEVMODE* dm, DWORD jobId, WatermarkOrientation orientation) {
    TW_TRACE(L"> FirstImageBrightness");
    const bool landscape = IsLandscape(orientation);
    // An answer above 100 counts as not given.
    std::optional<DWORD> answer = jobopt::SaveAsDword(
        dm, jobId, landscape ? saveas::kWatermarkLFirstBrightness : saveas::kWatermarkPFirstBrightness);
    DWORD brightness = optrule::kDefaultBrightness;
    if (answer && *answer <= optrule::kMaxBrightness) {
        brightness = *answer;
    } else if (dm) {
        brightness = settings::ReadFirstImageBrightness(dm, landscape);
    }
    TW_TRACE(L"< FirstImageBrightness: %lu", brightness);
    return brightness;
}

}  // namespace tw
