// Watermark options: the position code packed into the record's flags, brightness ranges and
// the first-page picture's settings.
#include "job/JobOptionsFixture.h"

namespace twtest {
namespace {

using namespace tw;
using WO = WatermarkOrientation;

TEST(WatermarkPositionFromFlags, EachOrientationReadsOnlyItsOwnBits) {
    struct Row {
        DWORD portrait;
        DWORD landscape;
        DWORD code;
    };
    for (Row r : {Row{0x4, 0x40, 1}, Row{0x8, 0x80, 2}, Row{0x20, 0x200, 8}, Row{0x800, 0x1000, 16},
                  Row{0x2000, 0x4000, 32}, Row{0x8000, 0x10000, 64}, Row{0x20000, 0x40000, 128}}) {
        EXPECT_EQ(r.code, WatermarkPositionFromFlags(r.portrait, WO::Portrait)) << std::hex << r.portrait;
        EXPECT_EQ(r.code, WatermarkPositionFromFlags(r.landscape, WO::Landscape)) << std::hex << r.landscape;
        // The other orientation's bit means nothing here.
        EXPECT_EQ(4u, WatermarkPositionFromFlags(r.landscape, WO::Portrait));
        EXPECT_EQ(4u, WatermarkPositionFromFlags(r.portrait, WO::Landscape));
        // Neither do the bits outside both masks.
        EXPECT_EQ(r.code, WatermarkPositionFromFlags(r.portrait | 0x80403, WO::Portrait));
    }
    EXPECT_EQ(4u, WatermarkPositionFromFlags(0x10, WO::Portrait));
    EXPECT_EQ(4u, WatermarkPositionFromFlags(0x100, WO::Landscape));
    EXPECT_EQ(4u, WatermarkPositionFromFlags(0, WO::Landscape));
    EXPECT_EQ(4u, WatermarkPositionFromFlags(0x4 | 0x8, WO::Portrait));  // two codes at once
}

TEST_F(JobOptionsTest, WatermarkPositionAndBrightnessFromRecordOrDialog) {
    SetWatermarkFlags(0x8 | 0x100);
    Dm().Write<WORD>(dmoff::PortraitWatermarkBrightness, 100);
    Dm().Write<WORD>(dmoff::LandscapeWatermarkBrightness, 101);
    EXPECT_EQ(2u, WatermarkPosition(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(4u, WatermarkPosition(Rec(), kJobId, WO::Landscape));
    EXPECT_EQ(100u, WatermarkBrightness(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(40u, WatermarkBrightness(Rec(), kJobId, WO::Landscape));

    UseSaveAs();
    SaveAsDword(saveas::kWatermarkLPosition, 64);
    SaveAsDword(saveas::kWatermarkPBrightness, 250);
    SaveAsDword(saveas::kWatermarkLBrightness, 0);
    EXPECT_EQ(2u, WatermarkPosition(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(64u, WatermarkPosition(Rec(), kJobId, WO::Landscape));
    EXPECT_EQ(40u, WatermarkBrightness(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(0u, WatermarkBrightness(Rec(), kJobId, WO::Landscape));
}

TEST_F(JobOptionsTest, WatermarkSwitchesAndPicturePaths) {
    Dm().SetText(dmtext::PortraitWatermarkImage, L"C:\\wm\\p.bmp");
    Dm().SetText(dmtext::LandscapeWatermarkImage, L"C:\\wm\\l.png");
    EXPECT_FALSE(IsPrintImageWatermark(Rec(), kJobId));
    SetWatermarkFlags(dmwm::WatermarkImage);
    EXPECT_TRUE(IsPrintImageWatermark(Rec(), kJobId));
    EXPECT_FALSE(IsWatermarkFirstPageOnly(Rec(), kJobId));
    EXPECT_EQ(L"C:\\wm\\p.bmp", WatermarkImagePath(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(L"C:\\wm\\l.png", WatermarkImagePath(Rec(), kJobId, WO::Landscape));

    UseSaveAs();
    SaveAsDword(saveas::kPrintImageWatermark, 0);
    SaveAsDword(saveas::kWatermarkFirstPageOnly, 1);
    SaveAsText(saveas::kWatermarkPortraitImage, L"D:\\p.jpg");
    EXPECT_FALSE(IsPrintImageWatermark(Rec(), kJobId));
    EXPECT_TRUE(IsWatermarkFirstPageOnly(Rec(), kJobId));
    EXPECT_EQ(L"D:\\p.jpg", WatermarkImagePath(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(L"C:\\wm\\l.png", WatermarkImagePath(Rec(), kJobId, WO::Landscape));
}

TEST_F(JobOptionsTest, FirstImageSettingsOutsideTheirRangeCountAsMissing) {
    EXPECT_FALSE(FirstImagePath(Rec(), kJobId, WO::Portrait).has_value());
    SettingText(settings::kWatermarkSettings, settings::kFirstImagePortrait, L"C:\\first.bmp");
    SettingDword(settings::kWatermarkSettings, settings::kFirstImagePortraitPosition, 3);
    SettingDword(settings::kWatermarkSettings, settings::kFirstImageLandscapePosition, 16);
    SettingDword(settings::kWatermarkSettings, settings::kFirstImagePortraitBrightness, 101);
    SettingDword(settings::kWatermarkSettings, settings::kFirstImageLandscapeBrightness, 0);
    EXPECT_EQ(L"C:\\first.bmp", FirstImagePath(Rec(), kJobId, WO::Portrait).value_or(L"?"));
    EXPECT_FALSE(FirstImagePath(Rec(), kJobId, WO::Landscape).has_value());
    EXPECT_EQ(4u, FirstImagePosition(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(16u, FirstImagePosition(Rec(), kJobId, WO::Landscape));
    EXPECT_EQ(40u, FirstImageBrightness(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(0u, FirstImageBrightness(Rec(), kJobId, WO::Landscape));

    // The dialog's answers win when they are valid; invalid ones leave the settings in force.
    UseSaveAs();
    SaveAsText(saveas::kWatermarkLandscapeFirstImage, L"D:\\firstL.tif");
    SaveAsDword(saveas::kWatermarkPFirstPosition, 128);
    SaveAsDword(saveas::kWatermarkLFirstPosition, 5);
    SaveAsDword(saveas::kWatermarkPFirstBrightness, 70);
    SaveAsDword(saveas::kWatermarkLFirstBrightness, 180);
    EXPECT_EQ(L"C:\\first.bmp", FirstImagePath(Rec(), kJobId, WO::Portrait).value_or(L"?"));
    EXPECT_EQ(L"D:\\firstL.tif", FirstImagePath(Rec(), kJobId, WO::Landscape).value_or(L"?"));
    EXPECT_EQ(128u, FirstImagePosition(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(16u, FirstImagePosition(Rec(), kJobId, WO::Landscape));
    EXPECT_EQ(70u, FirstImageBrightness(Rec(), kJobId, WO::Portrait));
    EXPECT_EQ(0u, FirstImageBrightness(Rec(), kJobId, WO::Landscape));
}

}  // namespace
}  // namespace twtest
