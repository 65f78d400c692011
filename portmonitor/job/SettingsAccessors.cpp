#include "job/SettingsAccessors.h"

#include <algorithm>

#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/SettingsStoreDetail.h"
#include "monitor/Trace.h"

namespace tw::settings {

int ReadVisibility(const TarnwellDEVMODE* dm) {
    DWORD stored = 0;
    if (!ReadDword(HKEY_CURRENT_USER, dm, kRoot, kTextWatermarkStampSettings, kVisibility, stored))
        return kVisibilityDefault;
    return std::clamp(static_cast<int>(static_cast<LONG>(stored)), kVisibilityMin, kVisibilityMax);
}

bool ReadCollatePages(const TarnwellDEVMODE* dm) {
    return ReadYesFlag(dm, kRedirectPrintingSettings, kCollatePages, kCollatePagesDefault);
}

DWORD ReadFirstImageBrightness(const TarnwellDEVMODE* dm, bool landscape) {
    DWORD value = ReadDwordOr(dm, kWatermarkSettings,
                              landscape ? kFirstImageLandscapeBrightness : kFirstImagePortraitBrightness,
                              kFirstImageBrightnessDefault);
    return value > kFirstImageBrightnessMax ? kFirstImageBrightnessDefault : value;
}

DWORD ReadFirstImagePosition(const TarnwellDEVMODE* dm, bool landscape) {
    DWORD value = ReadDwordOr(dm, kWatermarkSettings,
                              landscape ? kFirstImageLandscapePosition : kFirstImagePortraitPosition,
                              kFirstImagePositionDefault);
    // Exactly one placement bit.
    bool single = value != 0 && (value & (value - 1)) == 0 && (value & ~kFirstImagePositionMask) == 0;
    return single ? value : kFirstImagePositionDefault;
}

bool ReadNoPageHeaders(const TarnwellDEVMODE* dm) {
    std::optional<std::wstring> text = ReadString(dm, kTextOutputSettings, kNoPageHeaders);
    return text && detail::EqualsAsciiNoCase(*text, kNo);
}

bool ReadUseOutputDirectoryFromClient(const TarnwellDEVMODE* dm) {
    DWORD value = kUseOutputDirectoryFromClientDefault;
    return ReadDword(HKEY_USERS, dm, kDefaultUserRoot, kFilenameGenerationSettings, kUseOutputDirectoryFromClient,
                     value) &&
           value != 0;
}

std::wstring FtpConnectionGroupFormat(int connection) { return FormatW(L"%s\\%d", kFtpSettings, connection); }

std::optional<std::wstring> ReadFtpPassword(const TarnwellDEVMODE* dm, int connection, const wchar_t* valueName) {
    TW_TRACE(L"> settings::ReadFtpPassword %s", valueName ? valueName : L"(null)");
    wchar_t buffer[kNameChars] = {};
    DWORD size = sizeof(buffer);
    if (!ReadText(dm, kRoot, FtpConnectionGroupFormat(connection).c_str(), valueName, buffer, size)) {
        TW_TRACE_FAILED(L"settings::ReadFtpPassword", L"ReadText");
        return std::nullopt;
    }
    std::wstring plain = UnscramblePassword(std::wstring_view(buffer, BoundedLength(buffer, kNameChars)));
    TW_TRACE_RESULT(L"settings::ReadFtpPassword", true);
    return plain;
}

}  // namespace tw::settings
