#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "portcmd/TarnwellDEVMODE.h"

using namespace tw;

namespace {

std::vector<std::wstring> Names(const std::vector<std::wstring>& lines) {
    std::vector<std::wstring> names;
    for (size_t i = 1; i < lines.size(); ++i) names.push_back(lines[i].substr(0, lines[i].find(L": ")));
    return names;
}

}  // namespace

TEST(DevModeDump, PrivateDumpListsTheSettingsInOrder) {
    TarnwellDEVMODE dm;
    dm.Clear();
    dm.Write<DWORD>(dmoff::FileFormat, 7);
    dm.Write<DWORD>(dmoff::ColorModeFormat, 9);
    dm.Write<short>(dmoff::dmPrintQuality, -5);
    dm.Write<short>(dmoff::dmYResolution, -5);
    dm.Write<short>(dmoff::dmOrientation, 2);
    for (size_t i = 0; i < 5; ++i) dm.Write<wchar_t>(dmoff::FileExtension + 2 * i, L't');  // unterminated
    dm.SetText(dmtext::MessagingInterfaceName, L"spill");
    dm.SetText(dmtext::OutputDirectory, L"C:\\out");
    dm.SetFlag(dmflag::IsMultipageImageEnabled, true);
    dm.Write<DWORD>(dmoff::StartFlags, dmstart::IsStartForMessaging);

    std::vector<std::wstring> lines = DevModeDumpLines(dm);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], L"DUMP DEVMODE");
    std::vector<std::wstring> names = Names(lines);
    const std::vector<std::wstring> fields = {
        L"File format", L"FileExtension", L"ColorMode format", L"FaxHeader", L"LossRatio", L"Dithering",
        L"Brightness", L"X DPI", L"Y DPI", L"PaperSize", L"PaperWidth", L"PaperLength", L"Scale", L"Orientation",
        L"PageWidthInPixels", L"PageHeightInPixels", L"Orientation", L"FileGenerationMethod", L"BitsPerPixel",
        L"TIFF DLL Name", L"JPEG DLL Name", L"Output Directory", L"FileNamePrefix", L"ImageFileName",
        L"Application Path", L"ResourceDLLName", L"IsAppendImageEnabled", L"IsMultipageImageEnabled"};
    ASSERT_GT(names.size(), fields.size());
    EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.begin() + fields.size()), fields);
    EXPECT_EQ(names.back(), L"IsStartForMessaging");

    EXPECT_EQ(lines[1], L"File format: 7");
    EXPECT_EQ(lines[2], L"FileExtension: ttttt");
    EXPECT_EQ(lines[3], L"ColorMode format: 3");
    EXPECT_EQ(lines[8], L"X DPI: 204");
    EXPECT_EQ(lines[9], L"Y DPI: 98");
    EXPECT_EQ(lines[19], L"BitsPerPixel: 24");
    EXPECT_EQ(lines[22], L"Output Directory: C:\\out");
    EXPECT_EQ(lines[27], L"IsAppendImageEnabled: TRUE");
    EXPECT_EQ(lines.back(), L"IsStartForMessaging: TRUE");
}

TEST(DevModeDump, WindowsDumpReadsOnlyWhatDmSizeCovers) {
    DEVMODEW dm{};
    wcscpy(dm.dmDeviceName, L"TW Printer");
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmDriverVersion = 1651;
    dm.dmPrintQuality = 300;
    dm.dmYResolution = 200;
    dm.dmPaperSize = 9;
    dm.dmPaperWidth = 2100;
    dm.dmPaperLength = 2970;
    dm.dmScale = 100;
    dm.dmOrientation = 1;
    dm.dmBitsPerPel = 24;
    const std::vector<std::wstring> expected = {
        L"DUMP Windows DEVMODE", L"Device Name: TW Printer", L"X DPI: 300", L"Y DPI: 200", L"PaperSize: 9",
        L"PaperWidth: 2100", L"PaperHeight: 2970", L"Scale: 100", L"Orientation: 1", L"Bits Per Pixel: 24",
        L"Driver version: 1651"};
    EXPECT_EQ(WindowsDevModeDumpLines(dm), expected);

    dm.dmSize = 156;  // an old DEVMODE that ends before dmBitsPerPel
    EXPECT_EQ(WindowsDevModeDumpLines(dm)[9], L"Bits Per Pixel: 0");

    DumpDevModes(nullptr);
    DumpDevModes(&dm);  // no private part announced: only the public one is read
}
