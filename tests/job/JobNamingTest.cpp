// The job's names through StartDoc: names found in the page content, and the group files of the
// upload routes.
#include <gtest/gtest.h>

#include "base/WideString.h"
#include "job/JobErrorsFixture.h"
#include "job/SettingsNames.h"
#include "twfile/NamingTexts.h"

namespace {

class JobNaming : public twtest::JobErrorsFixture {
protected:
    void Begin(tw::CTWJob& job, DWORD method) {
        job.SetJobId(kJobId);
        job.SetPrinterName(name.c_str());
        job.SetDocumentName(kDocument);
        twhost::DevModeBuilder b(name);
        b.Record().Write<DWORD>(tw::dmoff::PrinterId, printerId);
        b.OutputDirectory(dir);
        ASSERT_TRUE(b.Set(L"FileGenerationMethod", std::to_wstring(method)));
        ASSERT_TRUE(b.Set(L"IsMultipageImageEnabled", multipage ? L"1" : L"0"));
        if (!multipage) b.Format(0);
        ASSERT_TRUE(job.SetDevMode(b.Record().Bytes(), tw::kDevModeSize, TRUE));
    }
    bool multipage = true;
};

bool FileThere(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Jobs of one printer name their pages before they write them: the name must be theirs from
// then on, or a job naming a page at the same moment takes it too and one page overwrites the
// other.
TEST_F(JobNaming, ANameIsTheJobsFromItsNamingOn) {
    multipage = false;
    for (DWORD method : {0u, 6u}) {
        SCOPED_TRACE(method);
        std::wstring first, second;
        {
            tw::CTWJob a, b;
            Begin(a, method);
            Begin(b, method);
            ASSERT_TRUE(a.StartDoc());
            ASSERT_TRUE(b.StartDoc());
            first = a.ImageFileName();
            second = b.ImageFileName();
            ASSERT_FALSE(first.empty());
            EXPECT_TRUE(FileThere(first)) << tw::ToUtf8(first);
            EXPECT_TRUE(FileThere(second)) << tw::ToUtf8(second);
            EXPECT_FALSE(tw::EqualsNoCase(first, second)) << tw::ToUtf8(first);
            EXPECT_TRUE(a.EndDoc());
            EXPECT_TRUE(b.EndDoc());
        }
        // Each document's (empty) page went into its own file.
        for (const std::wstring& file : {first, second}) {
            WIN32_FILE_ATTRIBUTE_DATA data{};
            ASSERT_TRUE(::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) << tw::ToUtf8(file);
            EXPECT_GT(data.nFileSizeLow, 0u) << tw::ToUtf8(file);
            ::DeleteFileW(file.c_str());
        }
    }
}

TEST_F(JobNaming, NamesFromThePageContentStayInTheOutputDirectory) {
    for (const wchar_t* bad : {L"..\\..\\evil.tif", L"C:\\Windows\\evil.tif", L"sub\\x.tif", L"NUL.tif", L"..",
                               L"x/y.tif", L"a:b.tif"}) {
        SCOPED_TRACE(bad);
        tw::CTWJob job;
        Begin(job, 9);
        job.SetContentDocumentName(bad);
        EXPECT_FALSE(job.StartDoc());
        EXPECT_EQ(job.StatusText(), tw::FormatW(tw::naming::kMsgUnsafeDocumentName, bad));
        EXPECT_EQ(job.ImageFileName(), L"");
    }
    tw::CTWJob job;
    Begin(job, 9);
    job.SetContentDocumentName(L"Scan 7.pdf");
    ASSERT_TRUE(job.StartDoc());
    // The format's extension is added to a name from the content that has another one.
    EXPECT_EQ(job.ImageFileName(), dir + L"\\Scan 7.pdf.tif");
    EXPECT_EQ(job.GroupFileName(), dir + L"\\Scan 7.pdf.grp");
    EXPECT_TRUE(job.EndDoc());
    // Without a name from the content, method 9 names the document after its title.
    tw::CTWJob titled;
    Begin(titled, 9);
    ASSERT_TRUE(titled.StartDoc());
    EXPECT_EQ(titled.ImageFileName(), dir + L"\\" + kDocument + L".tif");
    EXPECT_TRUE(titled.EndDoc());
}

TEST_F(JobNaming, UploadGroupFilesReceiveEveryGroupFileWrite) {
    SetText(Group(tw::settings::kPostPrintSettings), tw::settings::kDatabaseUpload, L"yes");
    tw::CTWJob job;
    job.SetJobId(kJobId);
    job.SetPrinterName(name.c_str());
    job.SetDocumentName(kDocument);
    twhost::DevModeBuilder b(name);
    b.Record().Write<DWORD>(tw::dmoff::PrinterId, printerId);
    b.OutputDirectory(dir);
    b.Record().SetFlag(tw::dmflag::IsGroupFileDisabled, true);
    ASSERT_TRUE(job.SetDevMode(b.Record().Bytes(), tw::kDevModeSize, TRUE));
    const std::wstring upload = job.DatabaseGroupFile();
    ASSERT_FALSE(upload.empty());
    EXPECT_TRUE(job.HasGroupFile());
    EXPECT_TRUE(job.WriteGroupValue(L"Page 1", L"FileName", L"x.tif"));
    EXPECT_EQ(tw::IniFile(upload).GetString(L"Page 1", L"FileName", kMissing), L"x.tif");
    EXPECT_EQ(Entry(upload, L"Temporary"), L"1");
    EXPECT_TRUE(job.MainGroupFile().empty());
    ::DeleteFileW(upload.c_str());
}

}  // namespace
