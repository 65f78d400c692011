// The font of a header, footer or text stamp: fourteen values that only make a font together.
#include <cstring>
#include <string>

#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"

namespace tw::settings {

namespace {

// The LOGFONTW fields in the order their values are read.
struct FontLongField {
    const wchar_t* name;
    LONG LOGFONTW::*field;
};
struct FontByteField {
    const wchar_t* name;
    BYTE LOGFONTW::*field;
};

constexpr FontLongField kLongFields[] = {
    {kFontHeight, &LOGFONTW::lfHeight},
    {kFontWidth, &LOGFONTW::lfWidth},
    {kFontEscapement, &LOGFONTW::lfEscapement},
    {kFontOrientation, &LOGFONTW::lfOrientation},
    {kFontWeight, &LOGFONTW::lfWeight},
};
constexpr FontByteField kByteFields[] = {
    {kFontItalic, &LOGFONTW::lfItalic},
    {kFontUnderline, &LOGFONTW::lfUnderline},
    {kFontStrikeout, &LOGFONTW::lfStrikeOut},
    {kFontCharset, &LOGFONTW::lfCharSet},
    {kFontOutPrecision, &LOGFONTW::lfOutPrecision},
    {kFontClipPrecision, &LOGFONTW::lfClipPrecision},
    {kFontQuality, &LOGFONTW::lfQuality},
    {kFontPitchAndFamily, &LOGFONTW::lfPitchAndFamily},
};

}  // namespace

bool ReadFont(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* prefix, LOGFONTW& out) {
    TW_TRACE(L"> settings::ReadFont %s", prefix ? prefix : L"(null)");
    if (!dm || !groupFormat || !prefix) {
        TW_TRACE_FAILED(L"settings::ReadFont", L"Arguments");
        return false;
    }
    std::memset(&out, 0, sizeof(out));
    // Filled aside so that a font with a value missing leaves no half record behind.
    LOGFONTW font;
    std::memset(&font, 0, sizeof(font));
    auto read = [&](const wchar_t* name, DWORD& value) {
        return ReadDword(HKEY_CURRENT_USER, dm, kRoot, groupFormat, (std::wstring(prefix) + name).c_str(), value);
    };
    for (const auto& f : kLongFields) {
        DWORD value = 0;
        if (!read(f.name, value)) {
            TW_TRACE_FAILED(L"settings::ReadFont", L"Value");
            return false;
        }
        font.*f.field = static_cast<LONG>(value);
    }
    for (const auto& f : kByteFields) {
        DWORD value = 0;
        if (!read(f.name, value)) {
            TW_TRACE_FAILED(L"settings::ReadFont", L"Value");
            return false;
        }
        font.*f.field = static_cast<BYTE>(value & 0xFF);
    }
    DWORD size = kFaceNameBytes;
    std::wstring faceName = std::wstring(prefix) + kFontFaceName;
    if (!ReadText(dm, kRoot, groupFormat, faceName.c_str(), font.lfFaceName, size)) {
        TW_TRACE_FAILED(L"settings::ReadFont", L"Facename");
        return false;
    }
    out = font;
    TW_TRACE_RESULT(L"settings::ReadFont", true);
    return true;
}

}  // namespace tw::settings
