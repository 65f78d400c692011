// Which source each option comes from: the Save-As answers, the record, the printer settings.
#include "job/JobOptionsFixture.h"

namespace twtest {
namespace {

using namespace tw;
using WO = WatermarkOrientation;

TEST_F(JobOptionsTest, WithoutRecordEveryOptionHasItsDefault) {
    EXPECT_EQ(4u, EffectiveOutputFormat(nullptr, kJobId));
    EXPECT_EQ(L"", EffectiveOutputDirectory(nullptr, kJobId));
    EXPECT_EQ(0u, EffectiveColorDepth(nullptr, kJobId));
    EXPECT_EQ(1, EffectiveBitsPerPixel(nullptr, kJobId));
    EXPECT_EQ(0u, EffectiveLossRatio(nullptr, kJobId));
    EXPECT_TRUE(IsInternetTiff(nullptr, kJobId));
    EXPECT_TRUE(IsReverseBitOrder(nullptr, kJobId));
    EXPECT_TRUE(IsTiffPageNumberTag(nullptr, kJobId));
    EXPECT_EQ(0u, HtmlSeparatePages(nullptr, kJobId));
    EXPECT_FALSE(UseNumberOfCopies(nullptr, kJobId));
    EXPECT_EQ(1u, NumberOfCopies(nullptr, kJobId));
    EXPECT_TRUE(IsCollatePages(nullptr, kJobId));
    EXPECT_FALSE(IsPrintAsBitmap(nullptr, kJobId));
    EXPECT_FALSE(IsSendInEmail(nullptr, kJobId));
    EXPECT_FALSE(IsContentBasedEmail(nullptr, kJobId));
    EXPECT_FALSE(IsSimpleContentBasedEmail(nullptr, kJobId));
    EXPECT_FALSE(IsMultipageContentBasedEmail(nullptr, kJobId));
    EXPECT_TRUE(IsRedirectPrinting(nullptr, kJobId));
    EXPECT_TRUE(IsPrintImageWatermark(nullptr, kJobId));
    EXPECT_FALSE(IsPrintTextWatermark(nullptr, kJobId));
    EXPECT_TRUE(IsWatermarkFirstPageOnly(nullptr, kJobId));
    EXPECT_FALSE(IsFirstImageWatermarkEnabled(nullptr, kJobId));
    EXPECT_FALSE(IsOcrEnabled(nullptr, kJobId));
    EXPECT_FALSE(IsOpenOutputFolder(nullptr, kJobId));
    EXPECT_FALSE(IsDatabaseUpload(nullptr, kJobId));
    for (WO o : {WO::Portrait, WO::Landscape}) {
        EXPECT_EQ(L"", WatermarkImagePath(nullptr, kJobId, o));
        EXPECT_EQ(4u, WatermarkPosition(nullptr, kJobId, o));
        EXPECT_EQ(40u, WatermarkBrightness(nullptr, kJobId, o));
        EXPECT_FALSE(FirstImagePath(nullptr, kJobId, o).has_value());
        EXPECT_EQ(4u, FirstImagePosition(nullptr, kJobId, o));
        EXPECT_EQ(40u, FirstImageBrightness(nullptr, kJobId, o));
    }
    EXPECT_TRUE(IsMultiPageOutput(nullptr, kJobId));
    EXPECT_EQ(kExistingFileNewNumberedName, ExistingFileMode(nullptr, kJobId));
}

TEST_F(JobOptionsTest, SaveAsBitWithoutAnswersFallsThroughExceptForTheOffSwitches) {
    Builder().Format(12).ColorMode(3).OutputDirectory(L"C:\\Out");
    SetFlags(dmflag::PrinterForwardingEnabled);
    SetWatermarkFlags(dmwm::WatermarkImage | dmwm::WatermarkFirstPageOnly | dmwm::WatermarkFirstPagePicture);
    SettingText(settings::kPostPrintSettings, settings::kSendInEmail, L"yes");
    SettingText(settings::kRedirectPrintingSettings, settings::kUseNumberOfCopies, L"yes");
    SettingDword(settings::kRedirectPrintingSettings, settings::kNumberOfCopies, 3);

    // Printed alone, the record and the settings decide.
    EXPECT_TRUE(IsSendInEmail(Rec(), kJobId));
    EXPECT_TRUE(UseNumberOfCopies(Rec(), kJobId));
    EXPECT_TRUE(IsRedirectPrinting(Rec(), kJobId));
    EXPECT_TRUE(IsWatermarkFirstPageOnly(Rec(), kJobId));
    EXPECT_TRUE(IsFirstImageWatermarkEnabled(Rec(), kJobId));

    UseSaveAs();
    EXPECT_EQ(12u, EffectiveOutputFormat(Rec(), kJobId));
    EXPECT_EQ(3u, EffectiveColorDepth(Rec(), kJobId));
    EXPECT_EQ(L"C:\\Out", EffectiveOutputDirectory(Rec(), kJobId));
    EXPECT_TRUE(IsPrintImageWatermark(Rec(), kJobId));
    EXPECT_EQ(3u, NumberOfCopies(Rec(), kJobId));
    // A dialog that gave no answer did not ask for these, whatever the settings say.
    EXPECT_FALSE(IsSendInEmail(Rec(), kJobId));
    EXPECT_FALSE(UseNumberOfCopies(Rec(), kJobId));
    EXPECT_FALSE(IsRedirectPrinting(Rec(), kJobId));
    EXPECT_FALSE(IsWatermarkFirstPageOnly(Rec(), kJobId));
    EXPECT_FALSE(IsFirstImageWatermarkEnabled(Rec(), kJobId));
}

TEST_F(JobOptionsTest, SaveAsAnswersCountOnlyWithTheSaveAsBit) {
    Builder().Format(7).ColorMode(0).OutputDirectory(L"C:\\Record");
    SetFlags(dmflag::IsInternetTiffFormatEnabled | dmflag::IsReverseBitOrderEnabled | dmflag::IsPageNumberingEnabled);
    SaveAsDword(saveas::kFileFormat, 21);
    SaveAsDword(saveas::kColorDepth, 1);
    SaveAsDword(saveas::kLossRatio, 55);
    SaveAsDword(saveas::kInternetTiff, 0);
    SaveAsDword(saveas::kReverseBitOrder, 0);
    SaveAsDword(saveas::kPageNumberTag, 0);
    SaveAsDword(saveas::kSendInEmail, 1);
    SaveAsDword(saveas::kRedirectPrinting, 1);
    SaveAsText(saveas::kOutputPath, L"D:\\Chosen");

    EXPECT_EQ(7u, EffectiveOutputFormat(Rec(), kJobId));
    EXPECT_EQ(L"C:\\Record", EffectiveOutputDirectory(Rec(), kJobId));
    EXPECT_TRUE(IsInternetTiff(Rec(), kJobId));
    EXPECT_FALSE(IsSendInEmail(Rec(), kJobId));
    EXPECT_FALSE(IsRedirectPrinting(Rec(), kJobId));

    UseSaveAs();
    EXPECT_EQ(21u, EffectiveOutputFormat(Rec(), kJobId));
    EXPECT_EQ(1u, EffectiveColorDepth(Rec(), kJobId));
    EXPECT_EQ(8, EffectiveBitsPerPixel(Rec(), kJobId));
    EXPECT_EQ(55u, EffectiveLossRatio(Rec(), kJobId));
    EXPECT_EQ(L"D:\\Chosen", EffectiveOutputDirectory(Rec(), kJobId));
    EXPECT_FALSE(IsInternetTiff(Rec(), kJobId));
    EXPECT_FALSE(IsReverseBitOrder(Rec(), kJobId));
    EXPECT_FALSE(IsTiffPageNumberTag(Rec(), kJobId));
    EXPECT_TRUE(IsSendInEmail(Rec(), kJobId));
    EXPECT_TRUE(IsRedirectPrinting(Rec(), kJobId));
}

TEST_F(JobOptionsTest, SaveAsPathLongerThanItsBufferFallsBackToTheRecord) {
    Builder().OutputDirectory(L"C:\\Record");
    UseSaveAs();
    SaveAsText(saveas::kOutputPath, std::wstring(260, L'x'));  // 522 bytes with the terminator
    EXPECT_EQ(L"C:\\Record", EffectiveOutputDirectory(Rec(), kJobId));
    SaveAsText(saveas::kOutputPath, L"");
    EXPECT_EQ(L"", EffectiveOutputDirectory(Rec(), kJobId));
}

TEST_F(JobOptionsTest, ContentBasedAnswersMustReadExactlyYes) {
    SettingText(settings::kEmailSettings, settings::kContentBasedEmail, L"yes");
    SettingText(settings::kEmailSettings, settings::kSimpleContentBasedEmail, L"YES");
    EXPECT_TRUE(IsContentBasedEmail(Rec(), kJobId));
    EXPECT_TRUE(IsSimpleContentBasedEmail(Rec(), kJobId));

    UseSaveAs();
    SaveAsText(saveas::kContentBasedEmail, L"yes");
    SaveAsText(saveas::kSimpleContentBasedEmail, L"Yes");
    SaveAsText(saveas::kMultipageContentBasedEmail, L"Yes ");
    EXPECT_FALSE(IsContentBasedEmail(Rec(), kJobId));
    EXPECT_TRUE(IsSimpleContentBasedEmail(Rec(), kJobId));
    EXPECT_FALSE(IsMultipageContentBasedEmail(Rec(), kJobId));

    // An answer too long for its 200-byte buffer cannot be read: the printer's setting counts.
    SaveAsText(saveas::kContentBasedEmail, std::wstring(100, L'Y'));
    EXPECT_TRUE(IsContentBasedEmail(Rec(), kJobId));
}

TEST_F(JobOptionsTest, DepthAndQualityAreHeldToTheirRanges) {
    struct Case {
        DWORD depth;
        DWORD expectDepth;
        WORD expectBits;
    };
    for (Case c : {Case{0, 0, 1}, Case{1, 1, 8}, Case{2, 2, 8}, Case{3, 3, 24}, Case{7, 3, 24}}) {
        Builder().ColorMode(c.depth);
        EXPECT_EQ(c.expectDepth, EffectiveColorDepth(Rec(), kJobId)) << c.depth;
        EXPECT_EQ(c.expectBits, EffectiveBitsPerPixel(Rec(), kJobId)) << c.depth;
    }
    const DWORD ratios[][2] = {{0, 1}, {1, 1}, {100, 100}, {250, 100}};
    for (const auto& r : ratios) {
        Dm().Write<DWORD>(dmoff::LossRatio, r[0]);
        EXPECT_EQ(r[1], EffectiveLossRatio(Rec(), kJobId)) << r[0];
    }
    // The dialog's answers are held to the same ranges.
    UseSaveAs();
    SaveAsDword(saveas::kColorDepth, 7);
    SaveAsDword(saveas::kLossRatio, 0);
    EXPECT_EQ(24, EffectiveBitsPerPixel(Rec(), kJobId));
    EXPECT_EQ(1u, EffectiveLossRatio(Rec(), kJobId));
    SaveAsDword(saveas::kLossRatio, 250);
    EXPECT_EQ(100u, EffectiveLossRatio(Rec(), kJobId));
}

TEST_F(JobOptionsTest, RegistryFallbacksForOptionsTheRecordDoesNotCarry) {
    EXPECT_EQ(0u, HtmlSeparatePages(Rec(), kJobId));
    EXPECT_FALSE(IsPrintTextWatermark(Rec(), kJobId));
    EXPECT_FALSE(IsOcrEnabled(Rec(), kJobId));
    EXPECT_TRUE(IsCollatePages(Rec(), kJobId));  // missing counts as collated
    SettingText(settings::kHtmlSettings, settings::kHtmlSeparatePages, L"1");
    SettingText(settings::kTextWatermarkStampSettings, settings::kTextWatermarkEnable, L"1");
    SettingText(settings::kOcrSettings, settings::kOcrEnabled, L"1");
    SettingText(settings::kRedirectPrintingSettings, settings::kCollatePages, L"no");
    SettingText(settings::kRedirectPrintingSettings, settings::kPrintAsBitmap, L"Yes");
    EXPECT_EQ(1u, HtmlSeparatePages(Rec(), kJobId));
    EXPECT_TRUE(IsPrintTextWatermark(Rec(), kJobId));
    EXPECT_TRUE(IsOcrEnabled(Rec(), kJobId));
    EXPECT_FALSE(IsCollatePages(Rec(), kJobId));
    EXPECT_TRUE(IsPrintAsBitmap(Rec(), kJobId));

    UseSaveAs();
    SaveAsDword(saveas::kHtmlSeparatePages, 0);
    SaveAsDword(saveas::kPrintWatermark, 0);
    SaveAsDword(saveas::kEnableOcr, 0);
    SaveAsDword(saveas::kCollatePages, 1);
    EXPECT_EQ(0u, HtmlSeparatePages(Rec(), kJobId));
    EXPECT_FALSE(IsPrintTextWatermark(Rec(), kJobId));
    EXPECT_FALSE(IsOcrEnabled(Rec(), kJobId));
    EXPECT_TRUE(IsCollatePages(Rec(), kJobId));
    EXPECT_TRUE(IsPrintAsBitmap(Rec(), kJobId));  // no answer: the setting stands
}

TEST_F(JobOptionsTest, PostPrintSwitchesTakeTheDialogsAnswersWhereItHasThem) {
    SettingText(settings::kPostPrintSettings, settings::kOpenOutputFolder, L"yes");
    SettingText(settings::kPostPrintSettings, settings::kViewInDefaultViewer, L"yes");
    SettingText(settings::kSharePointSettings, settings::kSharePointUpload, L"yes");
    SettingText(settings::kPostPrintSettings, settings::kFtpUpload, L"yes");
    SettingText(settings::kPostPrintSettings, settings::kHttpUpload, L"Yes");
    SettingText(settings::kPostPrintSettings, settings::kDatabaseUpload, L"yes");
    SettingText(settings::kPostPrintSettings, settings::kMFilesUpload, L"y");
    UseSaveAs();
    SaveAsDword(saveas::kOpenOutputFolder, 0);
    SaveAsDword(saveas::kOpenWithViewer, 0);
    EXPECT_FALSE(IsOpenOutputFolder(Rec(), kJobId));
    EXPECT_FALSE(IsViewInDefaultViewer(Rec(), kJobId));
    EXPECT_TRUE(IsSharePointUpload(Rec(), kJobId));  // no answer: the setting stands
    EXPECT_TRUE(IsFtpUpload(Rec(), kJobId));
    EXPECT_TRUE(IsHttpUpload(Rec(), kJobId));
    EXPECT_TRUE(IsDatabaseUpload(Rec(), kJobId));
    EXPECT_FALSE(IsMFilesUpload(Rec(), kJobId));
}

}  // namespace
}  // namespace twtest
