#include <gtest/gtest.h>

#include <string>

#include "base/WideString.h"
#include "host/DevModeBuilder.h"
#include "support/TestSupport.h"

using namespace tw;
using twhost::DevModeBuilder;

TEST(DevModeBuilder, DefaultsMakeACompleteLetterFaxRecord) {
    DevModeBuilder builder(L"Fax Printer");
    const TarnwellDEVMODE& dm = builder.Record();
    EXPECT_TRUE(dm.IsFullRecord());
    EXPECT_EQ(dm.Read<WORD>(dmoff::dmSize), 220);
    EXPECT_EQ(dm.Read<WORD>(dmoff::dmDriverExtra), 6659);
    EXPECT_EQ(dm.Read<WORD>(dmoff::dmSpecVersion), 0x401);
    EXPECT_EQ(dm.DriverVersion(), 1651);
    EXPECT_EQ(dm.GetText(dmtext::dmDeviceName), L"Fax Printer");
    DWORD fields = dm.Read<DWORD>(dmoff::dmFields);
    EXPECT_EQ(fields & (DM_PAPERLENGTH | DM_PAPERWIDTH | DM_YRESOLUTION | DM_PRINTQUALITY),
              static_cast<DWORD>(DM_PAPERLENGTH | DM_PAPERWIDTH | DM_YRESOLUTION | DM_PRINTQUALITY));
    EXPECT_EQ(DmFileFormat(&dm), 7u);
    EXPECT_EQ(DmColorMode(&dm), 0u);
    EXPECT_EQ(DmXDpi(&dm), 204);
    EXPECT_EQ(DmYDpi(&dm), 196);
    EXPECT_EQ(DmPaperSize(&dm), 1);
    EXPECT_EQ(DmPaperWidth(&dm), 2159);
    EXPECT_EQ(DmPaperLength(&dm), 2794);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 100);
    EXPECT_EQ(dm.Read<short>(dmoff::dmOrientation), DMORIENT_PORTRAIT);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 1734);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 2156);
    EXPECT_EQ(DmBrightness(&dm), 100u);
    EXPECT_EQ(DmFileGenerationMethod(&dm), 0u);
    EXPECT_TRUE(dm.GetText(dmtext::OutputDirectory).empty());
}

TEST(DevModeBuilder, HelpersKeepThePixelSizeInStep) {
    DevModeBuilder builder;
    builder.Dpi(300, 300);
    ASSERT_TRUE(builder.PaperCode(DMPAPER_A4));
    builder.Landscape().ColorMode(3).Format(24).Dithering(2).OutputDirectory(L"C:\\out");
    const TarnwellDEVMODE& dm = builder.Record();
    // The driver keeps the portrait geometry in landscape; the monitor swaps it.
    EXPECT_EQ(DmPaperSize(&dm), DMPAPER_A4);
    EXPECT_EQ(DmPaperWidth(&dm), 2100);
    EXPECT_EQ(DmPaperLength(&dm), 2970);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 2480);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 3508);
    EXPECT_EQ(dm.Read<short>(dmoff::dmOrientation), DMORIENT_LANDSCAPE);
    EXPECT_EQ(DmBitsPerPixel(&dm), 24);
    EXPECT_EQ(dm.Read<DWORD>(dmoff::dmBitsPerPel), 24u);
    EXPECT_EQ(DmFileFormat(&dm), 24u);
    EXPECT_EQ(builder.Get(L"Dithering"), L"2");
    EXPECT_EQ(builder.Get(L"Output Directory"), L"C:\\out");

    EXPECT_FALSE(builder.PaperCode(999));
    EXPECT_EQ(DmPaperSize(&dm), DMPAPER_A4);

    // A banner longer than 16 bits of tenths of a millimetre is kept in millimetres.
    builder.Dpi(200, 200).PaperSize(2159, 40000);
    EXPECT_EQ(DmPaperSize(&dm), DMPAPER_USER);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 1000);
    EXPECT_EQ(DmPaperLength(&dm), 4000);
    EXPECT_EQ(DmPaperWidth(&dm), 215);
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageWidthInPixels), 1693);  // 215 mm at 200 dpi
    EXPECT_EQ(dm.Read<LONG>(dmoff::PageHeightInPixels), 31496);
}

TEST(DevModeBuilder, NamedOverrides) {
    DevModeBuilder builder;
    std::wstring error;
    ASSERT_TRUE(builder.Set(L"FileGenerationMethod", L"7", &error)) << ToUtf8(error);
    ASSERT_TRUE(builder.Set(L"IsFaxOutputEnabled", L"1"));
    EXPECT_EQ(DmFileGenerationMethod(&builder.Record()), 7u);
    EXPECT_TRUE(builder.Record().HasFlag(dmflag::IsFaxOutputEnabled));
    EXPECT_FALSE(builder.Set(L"NoSuchField", L"1", &error));
    EXPECT_NE(error.find(L"NoSuchField"), std::wstring::npos);
    EXPECT_TRUE(builder.Get(L"NoSuchField").empty());
}

TEST(DevModeBuilder, RawFilesMustHoldExactlyOneRecord) {
    std::wstring dir = twtest::MakeTempDir(L"DevModeFile");
    std::wstring error;
    DevModeBuilder written(L"Saved");
    written.Format(16).Set(L"PrinterId", L"12");
    ASSERT_TRUE(written.SaveFile(dir + L"\\dm.bin", error)) << ToUtf8(error);

    DevModeBuilder loaded;
    ASSERT_TRUE(loaded.LoadFile(dir + L"\\dm.bin", error)) << ToUtf8(error);
    EXPECT_EQ(loaded.Bytes(), written.Bytes());
    EXPECT_EQ(loaded.Get(L"dmDeviceName"), L"Saved");

    std::string bytes = twtest::ReadFileBytes(dir + L"\\dm.bin");
    twtest::WriteFileBytes(dir + L"\\short.bin", bytes.substr(0, 6878));
    DevModeBuilder refused(L"Untouched");
    EXPECT_FALSE(refused.LoadFile(dir + L"\\short.bin", error));
    EXPECT_NE(error.find(L"6878"), std::wstring::npos);
    EXPECT_EQ(refused.Get(L"dmDeviceName"), L"Untouched");
    twtest::WriteFileBytes(dir + L"\\long.bin", bytes + "x");
    EXPECT_FALSE(refused.LoadFile(dir + L"\\long.bin", error));
    EXPECT_FALSE(refused.LoadFile(dir + L"\\missing.bin", error));
    twtest::RemoveTree(dir);
}
