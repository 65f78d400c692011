#include "portcmd/DevModeDump.h"

#include <cstring>
#include <initializer_list>

#include "base/WideString.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr const wchar_t* kDevModeTitle = L"DUMP DEVMODE";
constexpr const wchar_t* kWindowsDevModeTitle = L"DUMP Windows DEVMODE";

struct NamedBit {
    const wchar_t* name;
    size_t wordOffset;
    DWORD mask;
};

// The option and start flags in the order they are dumped.
constexpr NamedBit kDumpedFlags[] = {
    {L"IsAppendImageEnabled", dmoff::Flags, dmflag::IsAppendImageEnabled},
    {L"IsMultipageImageEnabled", dmoff::Flags, dmflag::IsMultipageImageEnabled},
    {L"IsInternetTiffFormatEnabled", dmoff::Flags, dmflag::IsInternetTiffFormatEnabled},
    {L"IsPageNumberingEnabled", dmoff::Flags, dmflag::IsPageNumberingEnabled},
    {L"IsReverseBitOrderEnabled", dmoff::Flags, dmflag::IsReverseBitOrderEnabled},
    {L"IsWriteTextEnabled", dmoff::Flags, dmflag::IsWriteTextEnabled},
    {L"IsMailMergeEnabled", dmoff::Flags, dmflag::IsMailMergeEnabled},
    {L"IsAdvancedTextEnabled", dmoff::Flags, dmflag::IsAdvancedTextEnabled},
    {L"IsGroupFileDisabled", dmoff::Flags, dmflag::IsGroupFileDisabled},
    {L"IsMessagingInterfaceEnabled", dmoff::Flags, dmflag::IsMessagingInterfaceEnabled},
    {L"IsTiffDllEnabled", dmoff::Flags, dmflag::IsTiffDllEnabled},
    {L"IsJpegDllEnabled", dmoff::Flags, dmflag::IsJpegDllEnabled},
    {L"IsFaxOutputEnabled", dmoff::Flags, dmflag::IsFaxOutputEnabled},
    {L"IsRotatePaperEnabled", dmoff::Flags, dmflag::IsRotatePaperEnabled},
    {L"IsDeleteGroupFileEnabled", dmoff::Flags, dmflag::IsDeleteGroupFileEnabled},
    {L"IsKeepExistingFilesEnabled", dmoff::Flags, dmflag::IsKeepExistingFilesEnabled},
    {L"IsStartApplicationEnabled", dmoff::StartFlags, dmstart::IsStartApplicationEnabled},
    {L"IsStartBeforePrint", dmoff::StartFlags, dmstart::IsStartBeforePrint},
    {L"IsPassParametersEnabled", dmoff::StartFlags, dmstart::IsPassParametersEnabled},
    {L"IsStartNormal", dmoff::StartFlags, dmstart::IsStartNormal},
    {L"IsStartMinimized", dmoff::StartFlags, dmstart::IsStartMinimized},
    {L"IsStartHidden", dmoff::StartFlags, dmstart::IsStartHidden},
    {L"IsStartForMessaging", dmoff::StartFlags, dmstart::IsStartForMessaging},
};

std::wstring Line(const wchar_t* name, long long value) { return FormatW(L"%s: %lld", name, value); }
std::wstring Line(const wchar_t* name, const std::wstring& value) {
    return FormatW(L"%s: %s", name, value.c_str());
}

// DEVMODEs from outside need not be aligned: read them byte-wise.
template <typename T>
T ReadAt(const DEVMODEW& dm, size_t offset) {
    T value{};
    std::memcpy(&value, reinterpret_cast<const BYTE*>(&dm) + offset, sizeof(T));
    return value;
}

// A public field of a DEVMODE of unknown extent: 0 unless dmSize covers it.
template <typename T>
T PublicField(const DEVMODEW& dm, size_t offset) {
    return offset + sizeof(T) <= ReadAt<WORD>(dm, dmoff::dmSize) ? ReadAt<T>(dm, offset) : T{};
}

#if defined(TW_TRACE_ENABLED)
void TraceLines(const std::vector<std::wstring>& lines) {
    for (const auto& line : lines) TW_TRACE(L"%s", line.c_str());
}
#endif

}  // namespace

std::vector<std::wstring> DevModeDumpLines(const TarnwellDEVMODE& dm) {
    const TarnwellDEVMODE* p = &dm;
    std::vector<std::wstring> lines{kDevModeTitle};
    lines.push_back(Line(L"File format", DmFileFormat(p)));
    lines.push_back(Line(L"FileExtension", dm.GetText(dmtext::FileExtension)));
    lines.push_back(Line(L"ColorMode format", DmColorMode(p)));
    lines.push_back(Line(L"FaxHeader", dm.Read<LONG>(dmoff::FaxHeader)));
    lines.push_back(Line(L"LossRatio", DmLossRatio(p)));
    lines.push_back(Line(L"Dithering", dm.Read<LONG>(dmoff::Dithering)));
    lines.push_back(Line(L"Brightness", DmBrightness(p)));
    lines.push_back(Line(L"X DPI", DmXDpi(p)));
    lines.push_back(Line(L"Y DPI", DmYDpi(p)));
    lines.push_back(Line(L"PaperSize", DmPaperSize(p)));
    lines.push_back(Line(L"PaperWidth", DmPaperWidth(p)));
    lines.push_back(Line(L"PaperLength", DmPaperLength(p)));
    lines.push_back(Line(L"Scale", dm.Read<short>(dmoff::dmScale)));
    lines.push_back(Line(L"Orientation", dm.Read<short>(dmoff::dmOrientation)));
    lines.push_back(Line(L"PageWidthInPixels", dm.Read<LONG>(dmoff::PageWidthInPixels)));
    lines.push_back(Line(L"PageHeightInPixels", dm.Read<LONG>(dmoff::PageHeightInPixels)));
    lines.push_back(Line(L"Orientation", dm.Read<short>(dmoff::dmOrientation)));
    lines.push_back(Line(L"FileGenerationMethod", DmFileGenerationMethod(p)));
    lines.push_back(Line(L"BitsPerPixel", DmBitsPerPixel(p)));
    lines.push_back(Line(L"TIFF DLL Name", dm.GetText(dmtext::TIFFDllName)));
    lines.push_back(Line(L"JPEG DLL Name", dm.GetText(dmtext::JPEGDllName)));
    lines.push_back(Line(L"Output Directory", dm.GetText(dmtext::OutputDirectory)));
    lines.push_back(Line(L"FileNamePrefix", dm.GetText(dmtext::FileNamePrefix)));
    lines.push_back(Line(L"ImageFileName", dm.GetText(dmtext::ImageFileName)));
    lines.push_back(Line(L"Application Path", dm.GetText(dmtext::ApplicationPath)));
    lines.push_back(Line(L"ResourceDLLName", dm.GetText(dmtext::ResourceDLLName)));
    for (const auto& bit : kDumpedFlags)
        lines.push_back(FormatW(L"%s: %s", bit.name,
                                dm.TestBits(bit.wordOffset, sizeof(DWORD), bit.mask) ? L"TRUE" : L"FALSE"));
    return lines;
}

std::vector<std::wstring> WindowsDevModeDumpLines(const DEVMODEW& dm) {
    std::vector<std::wstring> lines{kWindowsDevModeTitle};
    wchar_t deviceName[CCHDEVICENAME];
    std::memcpy(deviceName, reinterpret_cast<const BYTE*>(&dm) + dmoff::dmDeviceName, sizeof(deviceName));
    lines.push_back(Line(L"Device Name", std::wstring(deviceName, BoundedLength(deviceName, CCHDEVICENAME))));
    lines.push_back(Line(L"X DPI", PublicField<short>(dm, dmoff::dmPrintQuality)));
    lines.push_back(Line(L"Y DPI", PublicField<short>(dm, dmoff::dmYResolution)));
    lines.push_back(Line(L"PaperSize", PublicField<short>(dm, dmoff::dmPaperSize)));
    lines.push_back(Line(L"PaperWidth", PublicField<short>(dm, dmoff::dmPaperWidth)));
    lines.push_back(Line(L"PaperHeight", PublicField<short>(dm, dmoff::dmPaperLength)));
    lines.push_back(Line(L"Scale", PublicField<short>(dm, dmoff::dmScale)));
    lines.push_back(Line(L"Orientation", PublicField<short>(dm, dmoff::dmOrientation)));
    lines.push_back(Line(L"Bits Per Pixel", PublicField<DWORD>(dm, dmoff::dmBitsPerPel)));
    lines.push_back(Line(L"Driver version", ReadAt<WORD>(dm, dmoff::dmDriverVersion)));
    return lines;
}

void DumpDevMode(const TarnwellDEVMODE* dm) {
#if defined(TW_TRACE_ENABLED)
    if (dm) TraceLines(DevModeDumpLines(*dm));
#else
    (void)dm;
#endif
}

void DumpDevModes(const DEVMODEW* pDevMode) {
    TW_TRACE(L"> DumpDevModes");
    if (!pDevMode) {
        TW_TRACE_FAILED(L"DumpDevModes", L"DevMode");
        return;
    }
#if defined(TW_TRACE_ENABLED)
    size_t extent = static_cast<size_t>(ReadAt<WORD>(*pDevMode, dmoff::dmSize)) +
                    ReadAt<WORD>(*pDevMode, dmoff::dmDriverExtra);
    if (extent == kDevModeSize)
        TraceLines(DevModeDumpLines(*TarnwellDEVMODE::FromBytes(pDevMode)));
    TraceLines(WindowsDevModeDumpLines(*pDevMode));
#endif
    TW_TRACE(L"< DumpDevModes");
}

}  // namespace tw
