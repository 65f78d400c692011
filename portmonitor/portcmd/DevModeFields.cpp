#include "portcmd/DevModeFields.h"

#include <cwctype>

#include "base/WideString.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

using K = DmFieldKind;

constexpr size_t WidthOf(DmFieldKind kind) {
    switch (kind) {
    case K::U8: return sizeof(BYTE);
    case K::U16:
    case K::I16: return sizeof(WORD);
    default: return sizeof(DWORD);
    }
}

constexpr DmField Num(const wchar_t* name, DmFieldKind kind, size_t offset) {
    return {name, nullptr, kind, offset, WidthOf(kind), 0};
}
constexpr DmField Str(const wchar_t* name, DmTextField field) {
    return {name, nullptr, K::Text, field.offset, field.capacity, 0};
}
constexpr DmField Bit(const wchar_t* name, size_t word, size_t width, DWORD mask, const wchar_t* alias = nullptr) {
    return {name, alias, K::Flag, word, width, mask};
}
constexpr DmField Opt(const wchar_t* name, DWORD mask, const wchar_t* alias = nullptr) {
    return Bit(name, dmoff::Flags, sizeof(DWORD), mask, alias);
}
constexpr DmField Start(const wchar_t* name, DWORD mask) { return Bit(name, dmoff::StartFlags, sizeof(DWORD), mask); }
constexpr DmField Wm(const wchar_t* name, DWORD mask) { return Bit(name, dmoff::WatermarkFlags, sizeof(DWORD), mask); }
constexpr DmField Annot(const wchar_t* name, DWORD mask) {
    return Bit(name, dmoff::AnnotationOptions, sizeof(DWORD), mask);
}
constexpr size_t AnnotationFontMember(size_t member) { return dmoff::AnnotationFont + member; }
constexpr DmField Byte(const wchar_t* name, size_t offset, BYTE mask) { return Bit(name, offset, sizeof(BYTE), mask); }
constexpr size_t WideParameter(size_t index) { return dmoff::StartAppParameters + index * sizeof(WORD); }
constexpr size_t ByteParameter(size_t index) {
    return dmoff::StartAppParameterBytes + (index - dmrule::kStartAppWideParameters);
}

constexpr DmField kFields[] = {
    // Public part.
    Str(L"dmDeviceName", dmtext::dmDeviceName),
    Num(L"dmSpecVersion", K::U16, dmoff::dmSpecVersion),
    Num(L"dmDriverVersion", K::U16, dmoff::dmDriverVersion),
    Num(L"dmSize", K::U16, dmoff::dmSize),
    Num(L"dmDriverExtra", K::U16, dmoff::dmDriverExtra),
    Num(L"dmFields", K::U32, dmoff::dmFields),
    Num(L"dmOrientation", K::I16, dmoff::dmOrientation),
    Num(L"dmPaperSize", K::I16, dmoff::dmPaperSize),
    Num(L"dmPaperLength", K::I16, dmoff::dmPaperLength),
    Num(L"dmPaperWidth", K::I16, dmoff::dmPaperWidth),
    Num(L"dmScale", K::I16, dmoff::dmScale),
    Num(L"dmCopies", K::I16, dmoff::dmCopies),
    Num(L"dmPrintQuality", K::I16, dmoff::dmPrintQuality),
    Num(L"dmColor", K::I16, dmoff::dmColor),
    Num(L"dmDuplex", K::I16, dmoff::dmDuplex),
    Num(L"dmYResolution", K::I16, dmoff::dmYResolution),
    Num(L"dmCollate", K::I16, dmoff::dmCollate),
    Str(L"dmFormName", dmtext::dmFormName),
    Num(L"dmBitsPerPel", K::U32, dmoff::dmBitsPerPel),

    // Private part.
    Num(L"Flags", K::U32, dmoff::Flags),
    Num(L"FileFormat", K::U32, dmoff::FileFormat),
    Num(L"ColorModeFormat", K::U32, dmoff::ColorModeFormat),
    Num(L"FaxHeader", K::I32, dmoff::FaxHeader),
    Num(L"LossRatio", K::U32, dmoff::LossRatio),
    Num(L"Dithering", K::I32, dmoff::Dithering),
    Num(L"Brightness", K::U32, dmoff::Brightness),
    Num(L"PageWidthInPixels", K::I32, dmoff::PageWidthInPixels),
    Num(L"PageHeightInPixels", K::I32, dmoff::PageHeightInPixels),
    Str(L"ApplicationPath", dmtext::ApplicationPath),
    Num(L"StartFlags", K::U32, dmoff::StartFlags),
    Num(L"FileGenerationMethod", K::U32, dmoff::FileGenerationMethod),
    Str(L"OutputDirectory", dmtext::OutputDirectory),
    Str(L"ImageFileName", dmtext::ImageFileName),
    Str(L"FileNamePrefix", dmtext::FileNamePrefix),
    Str(L"FileExtension", dmtext::FileExtension),
    Str(L"MessagingInterfaceName", dmtext::MessagingInterfaceName),
    Str(L"NameSource", dmtext::NameSource),
    Str(L"TIFFDllName", dmtext::TIFFDllName),
    Str(L"JPEGDllName", dmtext::JPEGDllName),
    Str(L"ResourceDLLName", dmtext::ResourceDLLName),
    Num(L"MessagingSessionId", K::U32, dmoff::MessagingSessionId),
    Num(L"UserFlags", K::U32, dmoff::UserFlags),
    Str(L"UserSid", dmtext::UserSid),
    Str(L"ClientUserName", dmtext::ClientUserName),
    Str(L"ClientComputerName", dmtext::ClientComputerName),
    Str(L"ClientDomain", dmtext::ClientDomain),
    Str(L"ClientIPAddress", dmtext::ClientIPAddress),
    Str(L"PortraitWatermarkImage", dmtext::PortraitWatermarkImage),
    Str(L"LandscapeWatermarkImage", dmtext::LandscapeWatermarkImage),
    Num(L"WatermarkFlags", K::U32, dmoff::WatermarkFlags),
    Num(L"LandscapeWatermarkBrightness", K::U16, dmoff::LandscapeWatermarkBrightness),
    Num(L"PortraitWatermarkBrightness", K::U16, dmoff::PortraitWatermarkBrightness),
    Num(L"AnnotationFontHeight", K::I32, AnnotationFontMember(dmlogfont::lfHeight)),
    Num(L"AnnotationFontWidth", K::I32, AnnotationFontMember(dmlogfont::lfWidth)),
    Num(L"AnnotationFontEscapement", K::I32, AnnotationFontMember(dmlogfont::lfEscapement)),
    Num(L"AnnotationFontOrientation", K::I32, AnnotationFontMember(dmlogfont::lfOrientation)),
    Num(L"AnnotationFontWeight", K::I32, AnnotationFontMember(dmlogfont::lfWeight)),
    Num(L"AnnotationFontItalic", K::U8, AnnotationFontMember(dmlogfont::lfItalic)),
    Num(L"AnnotationFontUnderline", K::U8, AnnotationFontMember(dmlogfont::lfUnderline)),
    Num(L"AnnotationFontStrikeOut", K::U8, AnnotationFontMember(dmlogfont::lfStrikeOut)),
    Num(L"AnnotationFontCharSet", K::U8, AnnotationFontMember(dmlogfont::lfCharSet)),
    Num(L"AnnotationFontOutPrecision", K::U8, AnnotationFontMember(dmlogfont::lfOutPrecision)),
    Num(L"AnnotationFontClipPrecision", K::U8, AnnotationFontMember(dmlogfont::lfClipPrecision)),
    Num(L"AnnotationFontQuality", K::U8, AnnotationFontMember(dmlogfont::lfQuality)),
    Num(L"AnnotationFontPitchAndFamily", K::U8, AnnotationFontMember(dmlogfont::lfPitchAndFamily)),
    Str(L"AnnotationFontFaceName", dmtext::AnnotationFaceName),
    Num(L"AnnotationEscapement", K::I32, dmoff::AnnotationEscapement),
    Num(L"AnnotationOffsetX", K::I32, dmoff::AnnotationOffsetX),
    Num(L"AnnotationOffsetY", K::I32, dmoff::AnnotationOffsetY),
    Num(L"AnnotationColor", K::U32, dmoff::AnnotationColor),
    Str(L"AnnotationText1", dmtext::AnnotationText1),
    Str(L"AnnotationText2", dmtext::AnnotationText2),
    Num(L"BatesFormatIndex", K::U8, dmoff::BatesFormatIndex),
    Num(L"AnnotationOptions", K::U32, dmoff::AnnotationOptions),
    Num(L"StartAppParameter0", K::U16, WideParameter(0)),
    Num(L"StartAppParameter1", K::U16, WideParameter(1)),
    Num(L"StartAppParameter2", K::U16, WideParameter(2)),
    Num(L"StartAppParameter3", K::U16, WideParameter(3)),
    Num(L"StartAppParameter4", K::U16, WideParameter(4)),
    Num(L"StartAppParameter5", K::U16, WideParameter(5)),
    Num(L"StartAppParameter6", K::U16, WideParameter(6)),
    Num(L"StartAppParameter7", K::U16, WideParameter(7)),
    Num(L"ServerOptionByte", K::U8, dmoff::ServerOptionByte),
    Str(L"CustomParameter", dmtext::CustomParameter),
    Num(L"PrinterId", K::U32, dmoff::PrinterId),
    Num(L"FontOptions", K::U8, dmoff::FontOptions),
    // The barcode flags word has all its bits in this byte.
    {L"CoverPageOptions", L"BarcodeFlags", K::U8, dmoff::CoverPageOptions, sizeof(BYTE), 0},
    Num(L"AdvancedText", K::U8, dmoff::AdvancedText),
    Num(L"TextEncoding", K::U8, dmoff::TextEncoding),
    Num(L"StartAppParameter8", K::U8, ByteParameter(8)),
    Num(L"StartAppParameter9", K::U8, ByteParameter(9)),
    Num(L"StartAppParameter10", K::U8, ByteParameter(10)),
    Num(L"StartAppParameter11", K::U8, ByteParameter(11)),
    Num(L"StartAppParameter12", K::U8, ByteParameter(12)),
    Num(L"StartAppParameter13", K::U8, ByteParameter(13)),
    Num(L"StartAppParameter14", K::U8, ByteParameter(14)),
    Num(L"StartAppParameter15", K::U8, ByteParameter(15)),
    Num(L"ExtraFlags", K::U8, dmoff::ExtraFlags),
    Num(L"PagesPerSheet", K::U8, dmoff::PagesPerSheet),
    Num(L"SheetOptions", K::U8, dmoff::SheetOptions),
    Num(L"BarcodeKind", K::U8, dmoff::BarcodeKind),
    Num(L"BarcodeSymbology", K::U8, dmoff::BarcodeSymbology),
    Num(L"BarcodeHorizontalAlignment", K::U8, dmoff::BarcodeHorizontalAlignment),
    Num(L"BarcodeVerticalAlignment", K::U8, dmoff::BarcodeVerticalAlignment),
    Num(L"BarcodeXOffset", K::I32, dmoff::BarcodeXOffset),
    Num(L"BarcodeYOffset", K::I32, dmoff::BarcodeYOffset),
    Num(L"BarcodeRotation", K::U8, dmoff::BarcodeRotation),
    Num(L"BarcodeOffsetUnit", K::U8, dmoff::BarcodeOffsetUnit),
    Num(L"BarcodeValueSource", K::U8, dmoff::BarcodeValueSource),
    Num(L"BarcodeOneDParam1", K::U8, dmoff::BarcodeOneDParams),
    Num(L"BarcodeOneDParam2", K::U8, dmoff::BarcodeOneDParams + 1),
    Num(L"BarcodeOneDParam3", K::U8, dmoff::BarcodeOneDParams + 2),
    Num(L"BarcodeOneDParam4", K::U8, dmoff::BarcodeOneDParams + 3),
    Num(L"BarcodeQRParam1", K::U8, dmoff::BarcodeQRParams),
    Num(L"BarcodeQRParam2", K::U8, dmoff::BarcodeQRParams + 1),
    Num(L"BarcodeQRParam3", K::U8, dmoff::BarcodeQRParams + 2),
    Num(L"BarcodeDataMatrixParam1", K::U8, dmoff::BarcodeDataMatrixParams),
    Num(L"BarcodeDataMatrixParam2", K::U8, dmoff::BarcodeDataMatrixParams + 1),
    Num(L"BarcodeDataMatrixParam3", K::U8, dmoff::BarcodeDataMatrixParams + 2),
    Num(L"BarcodeDataMatrixParam4", K::U8, dmoff::BarcodeDataMatrixParams + 3),
    Num(L"BarcodeDataMatrixValue", K::U16, dmoff::BarcodeDataMatrixValue),
    Num(L"BarcodePDF417Param1", K::U8, dmoff::BarcodePDF417Params),
    Num(L"BarcodePDF417Param2", K::U8, dmoff::BarcodePDF417Params + 1),
    Num(L"BarcodePDF417Param3", K::U8, dmoff::BarcodePDF417Params + 2),
    Num(L"BarcodePDF417Param4", K::U8, dmoff::BarcodePDF417Params + 3),
    Num(L"BarcodePDF417Param5", K::U8, dmoff::BarcodePDF417Params + 4),
    Num(L"BarcodePDF417Param6", K::U8, dmoff::BarcodePDF417Params + 5),
    Num(L"BarcodeOneDMargin", K::U16, dmoff::BarcodeOneDMargin),

    // Option flags.
    Opt(L"FaxResolutionMode1", dmflag::FaxResolutionMode1),
    Opt(L"IsInternetTiffFormatEnabled", dmflag::IsInternetTiffFormatEnabled),
    Opt(L"IsPageNumberingEnabled", dmflag::IsPageNumberingEnabled),
    Opt(L"IsReverseBitOrderEnabled", dmflag::IsReverseBitOrderEnabled),
    Opt(L"IsMultipageImageEnabled", dmflag::IsMultipageImageEnabled, L"IsAppendImageEnabled"),
    Opt(L"IsWriteTextEnabled", dmflag::IsWriteTextEnabled),
    Opt(L"UnicodeOcrText", dmflag::UnicodeOcrText),
    Opt(L"IsMailMergeEnabled", dmflag::IsMailMergeEnabled),
    Opt(L"IsAdvancedTextEnabled", dmflag::IsAdvancedTextEnabled),
    Opt(L"ImageGenerationDisabled", dmflag::ImageGenerationDisabled),
    Opt(L"IsGroupFileDisabled", dmflag::IsGroupFileDisabled),
    Opt(L"FaxResolutionMode3", dmflag::FaxResolutionMode3),
    Opt(L"IsMessagingInterfaceEnabled", dmflag::IsMessagingInterfaceEnabled),
    Opt(L"IsTiffDllEnabled", dmflag::IsTiffDllEnabled),
    Opt(L"IsJpegDllEnabled", dmflag::IsJpegDllEnabled),
    Opt(L"IsFaxOutputEnabled", dmflag::IsFaxOutputEnabled),
    Opt(L"OverwriteExistingFiles", dmflag::OverwriteExistingFiles),
    Opt(L"IsRotatePaperEnabled", dmflag::IsRotatePaperEnabled),
    Opt(L"IsDeleteGroupFileEnabled", dmflag::IsDeleteGroupFileEnabled),
    Opt(L"IsKeepExistingFilesEnabled", dmflag::IsKeepExistingFilesEnabled),
    Opt(L"FaxResolutionMode2", dmflag::FaxResolutionMode2),
    Opt(L"ForceResolution", dmflag::ForceResolution),
    Opt(L"PrinterForwardingEnabled", dmflag::PrinterForwardingEnabled),
    Opt(L"OutputInMemory", dmflag::OutputInMemory),
    Opt(L"BatesNumberingEnabled", dmflag::BatesNumberingEnabled),
    Opt(L"PrintedFromSession0", dmflag::PrintedFromSession0),

    // Start flags.
    Start(L"IsStartApplicationEnabled", dmstart::IsStartApplicationEnabled),
    Start(L"IsStartBeforePrint", dmstart::IsStartBeforePrint),
    Start(L"IsPassParametersEnabled", dmstart::IsPassParametersEnabled),
    Start(L"IsStartNormal", dmstart::IsStartNormal),
    Start(L"IsStartMinimized", dmstart::IsStartMinimized),
    Start(L"IsStartHidden", dmstart::IsStartHidden),
    Start(L"StartFromMonitor", dmstart::StartFromMonitor),
    Start(L"IsStartForMessaging", dmstart::IsStartForMessaging),
    Start(L"CustomParameterFromSettings", dmstart::CustomParameterFromSettings),

    // Watermark flags.
    Wm(L"WatermarkImage", dmwm::WatermarkImage),
    Wm(L"WatermarkFirstPageOnly", dmwm::WatermarkFirstPageOnly),
    Wm(L"WatermarkFirstPagePicture", dmwm::WatermarkFirstPagePicture),
    Wm(L"WatermarkText", dmwm::WatermarkText),
    Wm(L"WatermarkPortraitPosition1", dmwm::PortraitPosition1),
    Wm(L"WatermarkPortraitPosition2", dmwm::PortraitPosition2),
    Wm(L"WatermarkPortraitPosition4", dmwm::PortraitPosition4),
    Wm(L"WatermarkPortraitPosition8", dmwm::PortraitPosition8),
    Wm(L"WatermarkPortraitPosition16", dmwm::PortraitPosition16),
    Wm(L"WatermarkPortraitPosition32", dmwm::PortraitPosition32),
    Wm(L"WatermarkPortraitPosition64", dmwm::PortraitPosition64),
    Wm(L"WatermarkPortraitPosition128", dmwm::PortraitPosition128),
    Wm(L"WatermarkLandscapePosition1", dmwm::LandscapePosition1),
    Wm(L"WatermarkLandscapePosition2", dmwm::LandscapePosition2),
    Wm(L"WatermarkLandscapePosition4", dmwm::LandscapePosition4),
    Wm(L"WatermarkLandscapePosition8", dmwm::LandscapePosition8),
    Wm(L"WatermarkLandscapePosition16", dmwm::LandscapePosition16),
    Wm(L"WatermarkLandscapePosition32", dmwm::LandscapePosition32),
    Wm(L"WatermarkLandscapePosition64", dmwm::LandscapePosition64),
    Wm(L"WatermarkLandscapePosition128", dmwm::LandscapePosition128),

    // Annotation options.
    Annot(L"AnnotationEnabled", dmannot::AnnotationEnabled),
    Annot(L"AnnotationIncludeTexts", dmannot::IncludeTexts),
    Annot(L"AnnotationIncludeDate", dmannot::IncludeDate),
    Annot(L"AnnotationDateMonthDayYear", dmannot::DateMonthDayYear),
    Annot(L"AnnotationDateShortMonthDayYear", dmannot::DateShortMonthDayYear),
    Annot(L"AnnotationDateDayMonthYear", dmannot::DateDayMonthYear),
    Annot(L"AnnotationDateDayMonthNameYear", dmannot::DateDayMonthNameYear),
    Annot(L"AnnotationDateYearMonthDay", dmannot::DateYearMonthDay),
    Annot(L"AnnotationDateJulianDay", dmannot::DateJulianDay),
    Annot(L"AnnotationIncludeTime", dmannot::IncludeTime),
    Annot(L"AnnotationClock12Hour", dmannot::Clock12Hour),
    Annot(L"AnnotationClock24Hour", dmannot::Clock24Hour),
    Annot(L"AnnotationTimeMinutes", dmannot::TimeMinutes),
    Annot(L"AnnotationTimeSeconds", dmannot::TimeSeconds),
    Annot(L"AnnotationTimeZoneName", dmannot::TimeZoneName),
    Annot(L"AnnotationTransparent", dmannot::TransparentBackground),
    Annot(L"AnnotationTopRight", dmannot::PositionTopRight),
    Annot(L"AnnotationCentre", dmannot::PositionCentre),
    Annot(L"AnnotationBottomLeft", dmannot::PositionBottomLeft),
    Annot(L"AnnotationBottomRight", dmannot::PositionBottomRight),
    Annot(L"AnnotationOffsetsTenthMm", dmannot::OffsetsTenthMm),
    Annot(L"AnnotationOffsetsHundredthInch", dmannot::OffsetsHundredthInch),
    Annot(L"AnnotationFirstPageOnly", dmannot::FirstPageOnly),

    // Option bytes.
    Byte(L"FromLowIntegrityBrowser", dmoff::FontOptions, dmfont::FromLowIntegrityBrowser),
    Byte(L"BarcodeEnabled", dmoff::CoverPageOptions, dmcover::BarcodeEnabled),
    Byte(L"BarcodeFirstPageOnly", dmoff::CoverPageOptions, dmcover::BarcodeFirstPageOnly),
    Byte(L"InsertedCoverPage", dmoff::CoverPageOptions, dmcover::InsertedCoverPage),
    Byte(L"BarcodeDrawAnd", dmoff::BarcodeFlags, dmbarcode::DrawAnd),
    Byte(L"BarcodeOneDOption", dmoff::BarcodeFlags, dmbarcode::OneDOption),
    Byte(L"BarcodeDataMatrixBlock", dmoff::BarcodeFlags, dmbarcode::DataMatrixBlock),
    Byte(L"BarcodePDF417Option", dmoff::BarcodeFlags, dmbarcode::PDF417Option),
    Byte(L"BarcodeOneDMarginPresent", dmoff::BarcodeFlags, dmbarcode::OneDMargin),
    Byte(L"OutputDirectoryFromIni", dmoff::ExtraFlags, dmextra::OutputDirectoryFromIni),
    Byte(L"MergeWindowEnabled", dmoff::ExtraFlags, dmextra::MergeWindowEnabled),
    Byte(L"SheetColumnFirst", dmoff::SheetOptions, dmsheet::SheetColumnFirst),
    Byte(L"SheetCellBorder", dmoff::SheetOptions, dmsheet::SheetCellBorder),
};

// Every field lies inside the record.
constexpr bool FieldsInsideRecord() {
    for (const auto& f : kFields) {
        size_t bytes = f.kind == K::Text ? f.size * sizeof(wchar_t) : f.size;
        if (f.offset + bytes > kDevModeSize) return false;
    }
    return true;
}
static_assert(FieldsInsideRecord());

std::wstring WithoutBlanks(std::wstring_view name) {
    std::wstring out;
    for (wchar_t c : name)
        if (!std::iswspace(c)) out.push_back(c);
    return out;
}

std::wstring_view Trimmed(std::wstring_view s) {
    while (!s.empty() && std::iswspace(s.front())) s.remove_prefix(1);
    while (!s.empty() && std::iswspace(s.back())) s.remove_suffix(1);
    return s;
}

int DigitValue(wchar_t c, int base) {
    int v = -1;
    if (c >= L'0' && c <= L'9') v = c - L'0';
    else if (c >= L'a' && c <= L'f') v = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') v = c - L'A' + 10;
    return v < base ? v : -1;
}

// Decimal or 0x hex with an optional sign; magnitudes above 32 bits are refused.
bool ParseInteger(std::wstring_view text, long long& value, bool& hex) {
    constexpr unsigned long long kMaxMagnitude = 0xFFFFFFFFull;
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    if (hex) text.remove_prefix(2);
    int base = hex ? 16 : 10;
    if (text.empty()) return false;
    unsigned long long magnitude = 0;
    for (wchar_t c : text) {
        int d = DigitValue(c, base);
        if (d < 0) return false;
        magnitude = magnitude * base + d;
        if (magnitude > kMaxMagnitude) return false;
    }
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

// Fits `value` into the field's width: unsigned kinds take 0..max, signed kinds their signed
// range, and a non-negative hex value also any bit pattern of the width.
bool FitValue(DmFieldKind kind, long long value, bool hex, unsigned long long& bits) {
    size_t width = WidthOf(kind);
    unsigned long long mask = width == sizeof(DWORD) ? 0xFFFFFFFFull : (1ull << (width * 8)) - 1;
    bool isSigned = kind == K::I16 || kind == K::I32;
    if (isSigned) {
        long long limit = static_cast<long long>(mask >> 1);
        bool asPattern = hex && value >= 0 && static_cast<unsigned long long>(value) <= mask;
        if (!asPattern && (value < -limit - 1 || value > limit)) return false;
    } else if (value < 0 || static_cast<unsigned long long>(value) > mask) {
        return false;
    }
    bits = static_cast<unsigned long long>(value) & mask;
    return true;
}

void SetError(std::wstring* error, std::wstring text) {
    if (error) *error = std::move(text);
}

}  // namespace

std::span<const DmField> DevModeFieldTable() { return kFields; }

const DmField* FindDevModeField(std::wstring_view name) {
    std::wstring wanted = WithoutBlanks(name);
    if (wanted.empty()) return nullptr;
    for (const auto& f : kFields) {
        if (EqualsNoCase(wanted, f.name) || (f.alias && EqualsNoCase(wanted, f.alias))) return &f;
    }
    return nullptr;
}

bool SetDevModeField(TarnwellDEVMODE& dm, const DmField& field, std::wstring_view value, std::wstring* error) {
    if (field.kind == K::Text) {
        dm.SetText({field.offset, field.size}, value);
        return true;
    }
    long long number = 0;
    bool hex = false;
    if (!ParseInteger(value, number, hex)) {
        SetError(error, FormatW(L"%s: \"%s\" is not a number", field.name, std::wstring(value).c_str()));
        return false;
    }
    if (field.kind == K::Flag) {
        if (number != 0 && number != 1) {
            SetError(error, FormatW(L"%s: a flag bit takes 0 or 1", field.name));
            return false;
        }
        dm.SetBits(field.offset, field.size, field.mask, number == 1);
        return true;
    }
    unsigned long long bits = 0;
    if (!FitValue(field.kind, number, hex, bits)) {
        SetError(error, FormatW(L"%s: %s does not fit the field", field.name, std::wstring(Trimmed(value)).c_str()));
        return false;
    }
    switch (WidthOf(field.kind)) {
    case sizeof(BYTE): dm.Write<BYTE>(field.offset, static_cast<BYTE>(bits)); break;
    case sizeof(WORD): dm.Write<WORD>(field.offset, static_cast<WORD>(bits)); break;
    default: dm.Write<DWORD>(field.offset, static_cast<DWORD>(bits)); break;
    }
    return true;
}

bool SetDevModeField(TarnwellDEVMODE& dm, std::wstring_view name, std::wstring_view value, std::wstring* error) {
    const DmField* field = FindDevModeField(name);
    if (!field) {
        SetError(error, FormatW(L"unknown DEVMODE field \"%s\"", std::wstring(name).c_str()));
        return false;
    }
    return SetDevModeField(dm, *field, value, error);
}

std::wstring GetDevModeField(const TarnwellDEVMODE& dm, const DmField& field) {
    switch (field.kind) {
    case K::U8: return FormatW(L"%u", static_cast<unsigned>(dm.Read<BYTE>(field.offset)));
    case K::U16: return FormatW(L"%u", static_cast<unsigned>(dm.Read<WORD>(field.offset)));
    case K::I16: return FormatW(L"%d", static_cast<int>(dm.Read<short>(field.offset)));
    case K::U32: return FormatW(L"%lu", dm.Read<DWORD>(field.offset));
    case K::I32: return FormatW(L"%ld", dm.Read<LONG>(field.offset));
    case K::Text: return dm.GetText({field.offset, field.size});
    case K::Flag: return dm.TestBits(field.offset, field.size, field.mask) ? L"1" : L"0";
    }
    return {};
}

}  // namespace tw
