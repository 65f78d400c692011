#include "host/DevModeBuilder.h"

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeFields.h"
#include "twfile/FileFormats.h"

namespace twhost {
namespace {

using namespace tw;

constexpr DWORD kDefaultFileFormat = 7;  // TIFF Group 4
constexpr int kDefaultXDpi = dmrule::kFaxXDpi;
constexpr int kDefaultYDpi = dmrule::kFaxFineYDpi;
constexpr DWORD kDefaultBrightness = 100;  // leaves the page as it is
constexpr DWORD kDefaultLossRatio = 75;
constexpr WORD kDefaultWatermarkBrightness = 40;
constexpr const wchar_t* kDefaultExtension = L"tif";
constexpr const wchar_t* kDefaultTiffDll = L"TIFF32.DLL";
constexpr const wchar_t* kDefaultJpegDll = L"JPEG32.DLL";
constexpr DWORD kDefaultFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE |
                                 DM_COPIES | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION | DM_COLLATE;
constexpr double kTenthMmPerInch = 254.0;

struct Paper {
    short code;
    int widthTenthMm;
    int lengthTenthMm;
};

// The platform's paper codes a test or twprint is likely to ask for.
constexpr Paper kPapers[] = {
    {DMPAPER_LETTER, 2159, 2794},    {DMPAPER_LEGAL, 2159, 3556}, {DMPAPER_A3, 2970, 4200},
    {DMPAPER_A4, 2100, 2970},        {DMPAPER_A5, 1480, 2100},    {DMPAPER_B4, 2570, 3640},
    {DMPAPER_B5, 1820, 2570},        {DMPAPER_EXECUTIVE, 1842, 2667}, {DMPAPER_TABLOID, 2794, 4318},
};

}  // namespace

DevModeBuilder::DevModeBuilder(std::wstring_view deviceName) {
    m_dm.Clear();
    m_dm.SetText(dmtext::dmDeviceName, deviceName);
    m_dm.Write<WORD>(dmoff::dmSpecVersion, kDevModeSpecVersion);
    m_dm.Write<WORD>(dmoff::dmDriverVersion, kDevModeVersion);
    m_dm.Write<WORD>(dmoff::dmSize, kDevModePublicSize);
    m_dm.Write<WORD>(dmoff::dmDriverExtra, kDevModeDriverExtra);
    m_dm.Write<DWORD>(dmoff::dmFields, kDefaultFields);
    m_dm.Write<short>(dmoff::dmOrientation, DMORIENT_PORTRAIT);
    m_dm.Write<short>(dmoff::dmCopies, 1);
    m_dm.Write<short>(dmoff::dmColor, DMCOLOR_MONOCHROME);
    m_dm.Write<short>(dmoff::dmDuplex, DMDUP_SIMPLEX);
    m_dm.Write<short>(dmoff::dmCollate, DMCOLLATE_FALSE);
    m_dm.Write<DWORD>(dmoff::FileFormat, kDefaultFileFormat);
    m_dm.Write<DWORD>(dmoff::Brightness, kDefaultBrightness);
    m_dm.Write<DWORD>(dmoff::LossRatio, kDefaultLossRatio);
    m_dm.Write<WORD>(dmoff::PortraitWatermarkBrightness, kDefaultWatermarkBrightness);
    m_dm.Write<WORD>(dmoff::LandscapeWatermarkBrightness, kDefaultWatermarkBrightness);
    m_dm.SetText(dmtext::FileExtension, kDefaultExtension);
    m_dm.SetText(dmtext::TIFFDllName, kDefaultTiffDll);
    m_dm.SetText(dmtext::JPEGDllName, kDefaultJpegDll);
    ColorMode(dmrule::kColorModeBlackWhite);
    DmSetXDpi(&m_dm, kDefaultXDpi);
    DmSetYDpi(&m_dm, kDefaultYDpi);
    PaperCode(DMPAPER_LETTER);
}

bool DevModeBuilder::LoadFile(const std::wstring& path, std::wstring& error) {
    TW_TRACE(L"> DevModeBuilder::LoadFile: %s", path.c_str());
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = FormatW(L"cannot open %s (error %lu)", path.c_str(), ::GetLastError());
        TW_TRACE_FAILED(L"DevModeBuilder::LoadFile", L"CreateFile");
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart != static_cast<LONGLONG>(kDevModeSize)) {
        error = FormatW(L"%s holds %lld bytes; a DEVMODE record is exactly %u bytes", path.c_str(),
                        static_cast<long long>(size.QuadPart), static_cast<unsigned>(kDevModeSize));
        TW_TRACE_FAILED(L"DevModeBuilder::LoadFile", L"Size");
        return false;
    }
    TarnwellDEVMODE loaded;
    DWORD read = 0;
    if (!::ReadFile(file.get(), loaded.Bytes(), static_cast<DWORD>(kDevModeSize), &read, nullptr) ||
        read != kDevModeSize) {
        error = FormatW(L"cannot read %s (error %lu)", path.c_str(), ::GetLastError());
        TW_TRACE_FAILED(L"DevModeBuilder::LoadFile", L"ReadFile");
        return false;
    }
    m_dm = loaded;
    TW_TRACE_RESULT(L"DevModeBuilder::LoadFile", TRUE);
    return true;
}

bool DevModeBuilder::SaveFile(const std::wstring& path, std::wstring& error) const {
    TW_TRACE(L"> DevModeBuilder::SaveFile: %s", path.c_str());
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), m_dm.Bytes(), static_cast<DWORD>(kDevModeSize), &written, nullptr) ||
        written != kDevModeSize) {
        error = FormatW(L"cannot write %s (error %lu)", path.c_str(), ::GetLastError());
        TW_TRACE_FAILED(L"DevModeBuilder::SaveFile", L"WriteFile");
        return false;
    }
    TW_TRACE_RESULT(L"DevModeBuilder::SaveFile", TRUE);
    return true;
}

bool DevModeBuilder::Set(std::wstring_view name, std::wstring_view value, std::wstring* error) {
    return SetDevModeField(m_dm, name, value, error);
}

std::wstring DevModeBuilder::Get(std::wstring_view name) const {
    const DmField* field = FindDevModeField(name);
    return field ? GetDevModeField(m_dm, *field) : std::wstring();
}

DevModeBuilder& DevModeBuilder::Format(DWORD fileFormat) {
    m_dm.Write<DWORD>(dmoff::FileFormat, fileFormat);
    // The driver keeps the extension of the format chosen with it.
    m_dm.SetText(dmtext::FileExtension, tw::FormatExtension(fileFormat, false));
    return *this;
}

DevModeBuilder& DevModeBuilder::Dpi(int x, int y) {
    DmSetXDpi(&m_dm, x);
    DmSetYDpi(&m_dm, y);
    UpdatePagePixels();
    return *this;
}

DevModeBuilder& DevModeBuilder::ColorMode(DWORD mode) {
    m_dm.Write<DWORD>(dmoff::ColorModeFormat, mode);
    m_dm.Write<DWORD>(dmoff::dmBitsPerPel, DmBitsPerPixel(&m_dm));
    m_dm.Write<short>(dmoff::dmColor, mode == dmrule::kColorModeBlackWhite ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR);
    return *this;
}

DevModeBuilder& DevModeBuilder::Dithering(LONG method) {
    m_dm.Write<LONG>(dmoff::Dithering, method);
    return *this;
}

bool DevModeBuilder::PaperCode(short code) {
    for (const auto& paper : kPapers) {
        if (paper.code != code) continue;
        PaperSize(paper.widthTenthMm, paper.lengthTenthMm);
        m_dm.Write<short>(dmoff::dmPaperSize, code);
        return true;
    }
    return false;
}

DevModeBuilder& DevModeBuilder::PaperSize(int widthTenthMm, int lengthTenthMm) {
    m_dm.Write<short>(dmoff::dmPaperSize, DMPAPER_USER);
    DmSetPaperLength(&m_dm, lengthTenthMm);
    DmSetPaperWidth(&m_dm, widthTenthMm);
    UpdatePagePixels();
    return *this;
}

DevModeBuilder& DevModeBuilder::Landscape(bool landscape) {
    m_dm.Write<short>(dmoff::dmOrientation, landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    return *this;
}

DevModeBuilder& DevModeBuilder::OutputDirectory(std::wstring_view directory) {
    m_dm.SetText(dmtext::OutputDirectory, directory);
    return *this;
}

void DevModeBuilder::UpdatePagePixels() {
    double scale = m_dm.Read<short>(dmoff::dmScale) / static_cast<double>(dmrule::kScaleTenthMm);
    double width = m_dm.Read<short>(dmoff::dmPaperWidth) * scale;
    double length = m_dm.Read<short>(dmoff::dmPaperLength) * scale;
    m_dm.Write<LONG>(dmoff::PageWidthInPixels, static_cast<LONG>(DmXDpi(&m_dm) / kTenthMmPerInch * width + 0.5));
    m_dm.Write<LONG>(dmoff::PageHeightInPixels, static_cast<LONG>(DmYDpi(&m_dm) / kTenthMmPerInch * length + 0.5));
}

}  // namespace twhost
