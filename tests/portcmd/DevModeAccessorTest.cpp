#include <gtest/gtest.h>

#include <string>

#include "portcmd/TarnwellDEVMODE.h"

using namespace tw;

namespace {

TarnwellDEVMODE BlankRecord(WORD driverVersion = kDevModeVersion) {
    TarnwellDEVMODE dm;
    dm.Clear();
    dm.Write<WORD>(dmoff::dmSize, kDevModePublicSize);
    dm.Write<WORD>(dmoff::dmDriverExtra, kDevModeDriverExtra);
    dm.Write<WORD>(dmoff::dmDriverVersion, driverVersion);
    return dm;
}

}  // namespace

TEST(DevModeAccessors, DefaultsWithoutRecord) {
    EXPECT_EQ(DmFileFormat(nullptr), 4u);
    EXPECT_EQ(DmColorMode(nullptr), 0u);
    EXPECT_EQ(DmBitsPerPixel(nullptr), 1);
    EXPECT_EQ(DmLossRatio(nullptr), 0u);
    EXPECT_EQ(DmBrightness(nullptr), 0u);
    EXPECT_EQ(DmFileGenerationMethod(nullptr), 0u);
    EXPECT_EQ(DmXDpi(nullptr), 300);
    EXPECT_EQ(DmYDpi(nullptr), 300);
    EXPECT_EQ(DmPaperSize(nullptr), 1);
    EXPECT_EQ(DmPaperWidth(nullptr), 1);
    EXPECT_EQ(DmPaperLength(nullptr), 1);
    EXPECT_FALSE(DmIsAdvancedTextEnabled(nullptr));
    EXPECT_EQ(DmFaxResolutionMode(nullptr), 1);
    EXPECT_EQ(DmStartAppParameterCount(nullptr), 0u);
    EXPECT_EQ(DmStartAppParameter(nullptr, 0), 0);
    EXPECT_TRUE(DmText(nullptr, dmtext::OutputDirectory).empty());
    EXPECT_TRUE(DmHasFlag(nullptr, dmflag::IsFaxOutputEnabled, true));
    DmSetXDpi(nullptr, 600);  // setters ignore a missing record
    DmSetPaperWidth(nullptr, 100);
}

TEST(DevModeAccessors, ClampsStoredValues) {
    TarnwellDEVMODE dm = BlankRecord();
    struct { DWORD stored, colour; WORD bits; } colours[] = {{0, 0, 1}, {1, 1, 8}, {2, 2, 8}, {3, 3, 24}, {7, 3, 24}};
    for (auto c : colours) {
        dm.Write<DWORD>(dmoff::ColorModeFormat, c.stored);
        EXPECT_EQ(DmColorMode(&dm), c.colour) << c.stored;
        EXPECT_EQ(DmBitsPerPixel(&dm), c.bits) << c.stored;
    }
    struct { DWORD stored, read; } loss[] = {{0, 1}, {1, 1}, {50, 50}, {100, 100}, {101, 100}, {0xFFFFFFFF, 100}};
    for (auto l : loss) {
        dm.Write<DWORD>(dmoff::LossRatio, l.stored);
        EXPECT_EQ(DmLossRatio(&dm), l.read) << l.stored;
    }
    dm.Write<DWORD>(dmoff::Brightness, 199);
    EXPECT_EQ(DmBrightness(&dm), 199u);
    dm.Write<DWORD>(dmoff::Brightness, 250);
    EXPECT_EQ(DmBrightness(&dm), 199u);
    dm.Write<DWORD>(dmoff::FileGenerationMethod, 9);
    EXPECT_EQ(DmFileGenerationMethod(&dm), 9u);
    dm.Write<DWORD>(dmoff::FileGenerationMethod, 10);
    EXPECT_EQ(DmFileGenerationMethod(&dm), 0u);
    dm.Write<DWORD>(dmoff::FileFormat, 47);
    EXPECT_EQ(DmFileFormat(&dm), 47u);
}

TEST(DevModeAccessors, ResolutionCodesAndRanges) {
    struct { short field; int x, y; } cases[] = {
        {-6, 204, 196}, {-5, 204, 98}, {-4, 600, 600}, {-3, 300, 300}, {-2, 200, 200}, {-1, 100, 100},
        {-7, 300, 300}, {0, 300, 300}, {49, 300, 300}, {50, 50, 50},  {3000, 3000, 3000}, {3001, 300, 300},
    };
    TarnwellDEVMODE dm = BlankRecord();
    for (auto c : cases) {
        dm.Write<short>(dmoff::dmPrintQuality, c.field);
        dm.Write<short>(dmoff::dmYResolution, c.field);
        EXPECT_EQ(DmXDpi(&dm), c.x) << c.field;
        EXPECT_EQ(DmYDpi(&dm), c.y) << c.field;
    }
    // The setters store what the getters would have read.
    DmSetXDpi(&dm, -5);
    DmSetYDpi(&dm, -5);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPrintQuality), 204);
    EXPECT_EQ(dm.Read<short>(dmoff::dmYResolution), 98);
    DmSetXDpi(&dm, 4000);
    DmSetYDpi(&dm, 72);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPrintQuality), 300);
    EXPECT_EQ(dm.Read<short>(dmoff::dmYResolution), 72);
}

TEST(DevModeAccessors, FaxResolutionModeRoundTripKeepsOtherFlags) {
    TarnwellDEVMODE dm = BlankRecord();
    const DWORD others = dmflag::IsFaxOutputEnabled | dmflag::PrintedFromSession0 | dmflag::IsMultipageImageEnabled;
    dm.Write<DWORD>(dmoff::Flags, others | dmflag::FaxResolutionModes);
    EXPECT_EQ(DmFaxResolutionMode(&dm), 1);  // mode 1 wins over the others
    for (int mode : {2, 3, 1, 0, 3}) {
        DmSetFaxResolutionMode(&dm, mode);
        EXPECT_EQ(DmFaxResolutionMode(&dm), mode);
        EXPECT_EQ(dm.Flags() & ~dmflag::FaxResolutionModes, others);
    }
    dm.Write<DWORD>(dmoff::Flags, dmflag::FaxResolutionMode2 | dmflag::FaxResolutionMode3);
    EXPECT_EQ(DmFaxResolutionMode(&dm), 2);
    DmSetFaxResolutionMode(&dm, 7);
    EXPECT_EQ(dm.Flags(), 0u);
}

TEST(DevModeAccessors, PaperSettersSwitchScale) {
    TarnwellDEVMODE dm = BlankRecord();
    dm.Write<short>(dmoff::dmPaperWidth, 2159);
    dm.Write<short>(dmoff::dmPaperLength, 2794);
    dm.Write<short>(dmoff::dmScale, 100);

    DmSetPaperWidth(&dm, 40000);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperWidth), 4000);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 279);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 1000);

    // Back to tenths of a mm: the length keeps the millimetres it had.
    DmSetPaperWidth(&dm, 2100);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperWidth), 2100);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 2790);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 100);

    DmSetPaperLength(&dm, 32767);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 3276);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperWidth), 210);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 1000);
    DmSetPaperLength(&dm, 32766);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 32766);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperWidth), 2100);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 100);
}

TEST(DevModeAccessors, PaperSettersNeverLoseOrWrapASide) {
    TarnwellDEVMODE dm = BlankRecord();
    dm.Write<short>(dmoff::dmPaperLength, 2970);  // no scale given by the driver
    DmSetPaperWidth(&dm, 2100);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 2970);
    EXPECT_EQ(dm.Read<short>(dmoff::dmScale), 100);
    DmSetPaperWidth(&dm, 400000);  // 40 m does not fit even in millimetres
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperWidth), 32767);
    EXPECT_EQ(dm.Read<short>(dmoff::dmPaperLength), 297);
}

TEST(DevModeAccessors, AdvancedTextFollowsDriverVersion) {
    TarnwellDEVMODE old = BlankRecord(0x5AF);
    old.Write<BYTE>(dmoff::AdvancedText, 1);
    EXPECT_FALSE(DmIsAdvancedTextEnabled(&old));
    old.SetFlag(dmflag::IsAdvancedTextEnabled, true);
    EXPECT_TRUE(DmIsAdvancedTextEnabled(&old));

    TarnwellDEVMODE current = BlankRecord(0x5B0);
    current.SetFlag(dmflag::IsAdvancedTextEnabled, true);
    EXPECT_FALSE(DmIsAdvancedTextEnabled(&current));
    current.Write<BYTE>(dmoff::AdvancedText, 2);
    EXPECT_FALSE(DmIsAdvancedTextEnabled(&current));
    current.Write<BYTE>(dmoff::AdvancedText, 1);
    EXPECT_TRUE(DmIsAdvancedTextEnabled(&current));
}

TEST(DevModeAccessors, StartApplicationParameterCodes) {
    TarnwellDEVMODE dm = BlankRecord(1469);
    for (size_t i = 0; i < 9; ++i) dm.Write<WORD>(6654 + 2 * i, static_cast<WORD>(100 + i));
    for (size_t i = 0; i < 8; ++i) dm.Write<BYTE>(6851 + i, static_cast<BYTE>(200 + i));
    ASSERT_EQ(DmStartAppParameterCount(&dm), 9u);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(DmStartAppParameter(&dm, i), 100 + i) << i;
    EXPECT_EQ(DmStartAppParameter(&dm, 9), 0);

    dm.Write<WORD>(dmoff::dmDriverVersion, 1470);
    ASSERT_EQ(DmStartAppParameterCount(&dm), 16u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(DmStartAppParameter(&dm, i), 100 + i) << i;
    for (size_t i = 8; i < 16; ++i) EXPECT_EQ(DmStartAppParameter(&dm, i), 200 + (i - 8)) << i;
    EXPECT_EQ(DmStartAppParameter(&dm, 16), 0);
}

TEST(DevModeAccessors, StringsAreBoundedByTheirField) {
    TarnwellDEVMODE dm = BlankRecord();
    // A driver that fills a field to the brim and goes on with the next one.
    for (size_t i = 0; i < 5; ++i) dm.Write<wchar_t>(dmoff::FileExtension + 2 * i, L'a' + i);
    dm.SetText(dmtext::MessagingInterfaceName, L"Client");
    EXPECT_EQ(dm.GetText(dmtext::FileExtension), L"abcde");
    for (size_t i = 0; i < 260; ++i) dm.Write<wchar_t>(dmoff::OutputDirectory + 2 * i, L'x');
    dm.SetText(dmtext::ImageFileName, L"next");
    EXPECT_EQ(DmText(&dm, dmtext::OutputDirectory), std::wstring(260, L'x'));
    // The user SID ends where the client user name begins.
    for (size_t i = 0; i < 157; ++i) dm.Write<wchar_t>(dmoff::UserSid + 2 * i, L'S');
    dm.SetText(dmtext::ClientUserName, L"bob");
    EXPECT_EQ(dm.GetText(dmtext::UserSid).size(), 157u);

    // Storing cuts to capacity - 1, terminates and clears what a longer value left behind.
    dm.SetText(dmtext::FileExtension, L"tiffff");
    EXPECT_EQ(dm.GetText(dmtext::FileExtension), L"tiff");
    EXPECT_EQ(dm.Read<wchar_t>(dmoff::FileExtension + 8), L'\0');
    dm.SetText(dmtext::OutputDirectory, L"C:\\out");
    EXPECT_EQ(dm.Read<wchar_t>(dmoff::OutputDirectory + 2 * 259), L'\0');
    EXPECT_EQ(dm.GetText(dmtext::ImageFileName), L"next");
    // The custom parameter starts at an odd offset.
    dm.SetText(dmtext::CustomParameter, L"-p");
    EXPECT_EQ(dm.Bytes()[6671], '-');
    EXPECT_EQ(dm.Bytes()[6672], 0);
    EXPECT_EQ(dm.GetText(dmtext::CustomParameter), L"-p");
}

TEST(DevModeAccessors, TypedAccessStaysInsideTheRecord) {
    TarnwellDEVMODE dm = BlankRecord();
    dm.Write<DWORD>(dmoff::PrinterId, 0x01020304);  // odd offset
    EXPECT_EQ(dm.Read<DWORD>(dmoff::PrinterId), 0x01020304u);
    EXPECT_EQ(dm.Bytes()[6803], 0x04);
    EXPECT_EQ(dm.Bytes()[6806], 0x01);
    dm.Write<BYTE>(kDevModeSize - 1, 0x77);
    dm.Write<DWORD>(kDevModeSize - 2, 0xFFFFFFFF);  // would cross the end: ignored
    EXPECT_EQ(dm.Bytes()[kDevModeSize - 1], 0x77);
    EXPECT_EQ(dm.Read<DWORD>(kDevModeSize - 2), 0u);
    EXPECT_TRUE(dm.IsFullRecord());
    dm.Write<WORD>(dmoff::dmDriverExtra, 4000);
    EXPECT_FALSE(dm.IsFullRecord());
}
