// One output file or many, what happens to existing files, and the merged document's answers.
#include "job/JobOptionsFixture.h"

namespace twtest {
namespace {

using namespace tw;

class JobOptionsModesTest : public JobOptionsTest {
protected:
    // E-mail that splits the output by the addresses found in the pages.
    void ContentBasedEmail(bool multipage) {
        SettingText(settings::kPostPrintSettings, settings::kSendInEmail, L"yes");
        SettingText(settings::kEmailSettings, settings::kSimpleContentBasedEmail, L"yes");
        SettingText(settings::kEmailSettings, settings::kMultipageContentBasedEmail, multipage ? L"yes" : L"no");
    }
    // A job whose record appends to the merged output.
    void AppendToExisting() { SetFlags(dmflag::IsKeepExistingFilesEnabled); }
};

TEST_F(JobOptionsModesTest, MultiPageFollowsTheRecordOrTheDialog) {
    EXPECT_FALSE(IsMultiPageOutput(Rec(), kJobId));
    SetFlags(dmflag::IsMultipageImageEnabled);
    EXPECT_TRUE(IsMultiPageOutput(Rec(), kJobId));

    // With the dialog only its answer counts: missing means one file per page.
    UseSaveAs();
    EXPECT_FALSE(IsMultiPageOutput(Rec(), kJobId));
    SaveAsDword(saveas::kSeparateFiles, 1);
    EXPECT_FALSE(IsMultiPageOutput(Rec(), kJobId));
    SaveAsDword(saveas::kSeparateFiles, 0);
    EXPECT_TRUE(IsMultiPageOutput(Rec(), kJobId));
    SetFlags(dmflag::IsMultipageImageEnabled, false);
    EXPECT_TRUE(IsMultiPageOutput(Rec(), kJobId));
}

TEST_F(JobOptionsModesTest, ContentBasedEmailSplitsMultiPageOutput) {
    SetFlags(dmflag::IsMultipageImageEnabled);
    ContentBasedEmail(false);
    EXPECT_FALSE(IsMultiPageOutput(Rec(), kJobId));
    ContentBasedEmail(true);
    EXPECT_TRUE(IsMultiPageOutput(Rec(), kJobId));

    // Content-based options without e-mail change nothing.
    SettingText(settings::kPostPrintSettings, settings::kSendInEmail, L"no");
    SettingText(settings::kEmailSettings, settings::kMultipageContentBasedEmail, L"no");
    EXPECT_TRUE(IsMultiPageOutput(Rec(), kJobId));
    // Nor do they make a per-page job multi-page.
    ContentBasedEmail(true);
    SetFlags(dmflag::IsMultipageImageEnabled, false);
    EXPECT_FALSE(IsMultiPageOutput(Rec(), kJobId));
}

TEST_F(JobOptionsModesTest, ExistingFileModeFromTheRecordsFlags) {
    struct Case {
        bool keep;
        bool overwrite;
        DWORD mode;
    };
    for (Case c : {Case{false, false, kExistingFileNewNumberedName}, Case{false, true, kExistingFileOverwrite},
                   Case{true, false, kExistingFileAppend}, Case{true, true, kExistingFileAppend}}) {
        SetFlags(dmflag::IsKeepExistingFilesEnabled, c.keep);
        SetFlags(dmflag::OverwriteExistingFiles, c.overwrite);
        EXPECT_EQ(c.mode, ExistingFileMode(Rec(), kJobId)) << c.keep << c.overwrite;
    }
}

TEST_F(JobOptionsModesTest, ExistingFileModeFromTheDialogFallsBackToTheRecord) {
    SetFlags(dmflag::OverwriteExistingFiles);
    UseSaveAs();
    SaveAsDword(saveas::kAppendFile, 1);
    EXPECT_EQ(kExistingFileAppend, ExistingFileMode(Rec(), kJobId));
    // "Append File" 0 or missing leaves the decision to the record.
    SaveAsDword(saveas::kAppendFile, 0);
    EXPECT_EQ(kExistingFileOverwrite, ExistingFileMode(Rec(), kJobId));
}

TEST_F(JobOptionsModesTest, ContentBasedEmailNumbersFilesItWouldAppendTo) {
    AppendToExisting();
    ContentBasedEmail(true);
    EXPECT_EQ(kExistingFileNewNumberedName, ExistingFileMode(Rec(), kJobId));
    ContentBasedEmail(false);
    EXPECT_EQ(kExistingFileAppend, ExistingFileMode(Rec(), kJobId));
    // It never turns overwriting into appending.
    SetFlags(dmflag::IsKeepExistingFilesEnabled, false);
    SetFlags(dmflag::OverwriteExistingFiles);
    EXPECT_EQ(kExistingFileOverwrite, ExistingFileMode(Rec(), kJobId));
}

MergeState Merged(bool cancelled, bool last) {
    MergeState merge;
    merge.joined = true;
    merge.cancelled = cancelled;
    merge.lastOfSet = last;
    merge.answers = MergeAnswers{.fileFormat = 30,
                                 .forwarding = true,
                                 .imageWatermark = true,
                                 .ocr = true,
                                 .openFolder = true,
                                 .viewer = true,
                                 .email = true,
                                 .sharePoint = true,
                                 .ftp = true,
                                 .http = true};
    return merge;
}

TEST_F(JobOptionsModesTest, MergedDocumentAnswersOnlyForJobsThatAppendToIt) {
    Builder().Format(7);
    const MergeState merge = Merged(false, true);
    // Not appending: the job's own options stand.
    EXPECT_EQ(7u, EffectiveOutputFormat(Rec(), kJobId, merge));
    EXPECT_FALSE(IsOcrEnabled(Rec(), kJobId, merge));
    EXPECT_FALSE(IsSendInEmail(Rec(), kJobId, merge));

    AppendToExisting();
    EXPECT_FALSE(IsMergeOverrideActive(Rec(), kJobId, kNotMerged));
    EXPECT_EQ(7u, EffectiveOutputFormat(Rec(), kJobId));
    EXPECT_TRUE(IsMergeOverrideActive(Rec(), kJobId, merge));
    EXPECT_EQ(30u, EffectiveOutputFormat(Rec(), kJobId, merge));
    EXPECT_TRUE(IsRedirectPrinting(Rec(), kJobId, merge));
    EXPECT_TRUE(IsPrintImageWatermark(Rec(), kJobId, merge));
    EXPECT_TRUE(IsOcrEnabled(Rec(), kJobId, merge));
    EXPECT_TRUE(IsOpenOutputFolder(Rec(), kJobId, merge));
    EXPECT_TRUE(IsViewInDefaultViewer(Rec(), kJobId, merge));
    EXPECT_TRUE(IsSendInEmail(Rec(), kJobId, merge));
    EXPECT_TRUE(IsSharePointUpload(Rec(), kJobId, merge));
    EXPECT_TRUE(IsFtpUpload(Rec(), kJobId, merge));
    EXPECT_TRUE(IsHttpUpload(Rec(), kJobId, merge));
}

TEST_F(JobOptionsModesTest, CancelledMergeKeepsTheFormatAndTurnsTheRestOff) {
    AppendToExisting();
    SetFlags(dmflag::PrinterForwardingEnabled);
    SetWatermarkFlags(dmwm::WatermarkImage);
    SettingText(settings::kPostPrintSettings, settings::kDatabaseUpload, L"yes");
    const MergeState merge = Merged(true, true);
    EXPECT_EQ(30u, EffectiveOutputFormat(Rec(), kJobId, merge));
    EXPECT_FALSE(IsRedirectPrinting(Rec(), kJobId, merge));
    EXPECT_FALSE(IsPrintImageWatermark(Rec(), kJobId, merge));
    EXPECT_FALSE(IsOcrEnabled(Rec(), kJobId, merge));
    EXPECT_FALSE(IsOpenOutputFolder(Rec(), kJobId, merge));
    EXPECT_FALSE(IsSendInEmail(Rec(), kJobId, merge));
    EXPECT_FALSE(IsHttpUpload(Rec(), kJobId, merge));
    EXPECT_FALSE(IsDatabaseUpload(Rec(), kJobId, merge));
}

TEST_F(JobOptionsModesTest, OnlyTheLastJobOfTheSetHandsTheDocumentOn) {
    AppendToExisting();
    SettingText(settings::kPostPrintSettings, settings::kDatabaseUpload, L"yes");
    SettingText(settings::kPostPrintSettings, settings::kMFilesUpload, L"yes");
    const MergeState early = Merged(false, false);
    // Per-page work follows the merged document on every job.
    EXPECT_TRUE(IsRedirectPrinting(Rec(), kJobId, early));
    EXPECT_TRUE(IsPrintImageWatermark(Rec(), kJobId, early));
    EXPECT_TRUE(IsOcrEnabled(Rec(), kJobId, early));
    for (bool on : {IsOpenOutputFolder(Rec(), kJobId, early), IsViewInDefaultViewer(Rec(), kJobId, early),
                    IsSendInEmail(Rec(), kJobId, early), IsSharePointUpload(Rec(), kJobId, early),
                    IsFtpUpload(Rec(), kJobId, early), IsHttpUpload(Rec(), kJobId, early),
                    IsDatabaseUpload(Rec(), kJobId, early), IsMFilesUpload(Rec(), kJobId, early)}) {
        EXPECT_FALSE(on);
    }
    // The last job: database and M-Files keep the printer's settings.
    MergeState last = Merged(false, true);
    EXPECT_TRUE(IsDatabaseUpload(Rec(), kJobId, last));
    EXPECT_TRUE(IsMFilesUpload(Rec(), kJobId, last));
    last.answers.email = false;
    SettingText(settings::kPostPrintSettings, settings::kSendInEmail, L"yes");
    EXPECT_FALSE(IsSendInEmail(Rec(), kJobId, last));
}

}  // namespace
}  // namespace twtest
