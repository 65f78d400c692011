// The order of a document's commands: what breaks it is dropped and reported once, what the
// end of the data leaves open ends as failed, and a page that cannot be produced says why.
#include <algorithm>

#include "CommandStreamFixture.h"
#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "host/StreamFuzz.h"
#include "support/TestSupport.h"

using twhost::ByteVector;
using twhost::StreamWriter;
using Ops = std::vector<std::wstring>;

namespace twtest {
namespace {

class CommandOrderTest : public CommandStreamTest {
protected:
    void SetUp() override {
        CommandStreamTest::SetUp();
        out = MakeTempDir(L"cmdorder");
        twhost::SimPrinter p;
        p.name = printer;
        ASSERT_TRUE(env.Spooler().AddPrinter(p));
        devmode.Format(0).Dpi(100, 100).PaperSize(500, 500).OutputDirectory(out);
        devmode.UpdatePagePixels();
        page = twhost::SmallEmfPage();
        ASSERT_FALSE(page.empty());
    }
    void TearDown() override {
        RemoveTree(out);
        CommandStreamTest::TearDown();
    }
    std::unique_ptr<tw::CTWJob> NewJob() {
        auto job = std::make_unique<tw::CTWJob>();
        job->SetJobId(7);
        job->SetPrinterName(printer.c_str());
        job->SetDocumentName(L"Order");
        return job;
    }
    std::wstring EndPageOp() const { return L"EndPage(" + std::to_wstring(page.size()) + L")"; }
    // The files of the output directory with their sizes.
    std::vector<std::pair<std::wstring, DWORD>> OutputFiles() const {
        std::vector<std::pair<std::wstring, DWORD>> files;
        WIN32_FIND_DATAW fd;
        HANDLE find = ::FindFirstFileW((out + L"\\*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) return files;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.emplace_back(fd.cFileName, fd.nFileSizeLow);
        } while (::FindNextFileW(find, &fd));
        ::FindClose(find);
        return files;
    }
    static size_t Count(const Ops& ops, const std::wstring& op) { return std::count(ops.begin(), ops.end(), op); }

    twhost::HostEnvironment env;
    const std::wstring printer = UniqueName(L"Order");
    twhost::DevModeBuilder devmode{printer};
    std::wstring out;
    ByteVector page;
};

TEST_F(CommandOrderTest, CommandsOutOfOrderAreDroppedAndReportedOnce) {
    StreamWriter w;
    w.StartDoc(devmode.View());
    w.EndPage(page);             // no START_PAGE
    w.StartPage(devmode.View());
    w.EndPage(page);             // page 1
    w.EndPage(page);             // a second END_PAGE
    w.StartPage(devmode.View());
    w.StartPage(devmode.View());  // page 2 never ended; the next one takes its number
    w.EndPage(page);
    w.StartDoc(devmode.View());  // a second document start
    w.EndDoc();
    w.EndDoc();
    w.StartPage(devmode.View());  // after the document: dropped, and its END_PAGE with it
    w.EndPage(page);
    auto job = NewJob();
    EXPECT_FALSE(Write(*job, w.Bytes()));
    const Ops expected{L"SetDevMode(start)", L"StartDoc()", L"Dropped(PORT_CMD_END_PAGE)=FALSE",
                       L"SetDevMode(page)", L"StartPage()", EndPageOp(), L"Dropped(PORT_CMD_END_PAGE)=FALSE",
                       L"SetDevMode(page)", L"StartPage()", L"Dropped(page)=FALSE", L"SetDevMode(page)",
                       L"StartPage()", EndPageOp(), L"Dropped(PORT_CMD_START_DOC)=FALSE", L"EndDoc()",
                       L"Dropped(PORT_CMD_END_DOC)=FALSE", L"Dropped(PORT_CMD_START_PAGE)=FALSE",
                       L"Dropped(PORT_CMD_END_PAGE)=FALSE"};
    EXPECT_EQ(observer.ops, expected);
    EXPECT_TRUE(job->HasError());
    EXPECT_EQ(job->OutputPageNumber(), 2u);
    EXPECT_EQ(job->WrittenFiles().size(), 2u);
    EXPECT_EQ(job->OutputFileNames().size(), 2u);
    // The client hears of the first error; the status keeps the last.
    ASSERT_EQ(job->StatusMessages().size(), 1u);
    EXPECT_NE(job->StatusMessages()[0].find(L"without PORT_CMD_START_PAGE"), std::wstring::npos);
    EXPECT_NE(job->StatusText().find(L"PORT_CMD_START_PAGE after PORT_CMD_END_DOC"), std::wstring::npos);
    for (const auto& [name, size] : OutputFiles()) EXPECT_GT(size, 0u) << name;
}

TEST_F(CommandOrderTest, APageWithoutDataIsLostAndItsNumberGoesToTheNext) {
    StreamWriter w;
    w.StartDoc(devmode.View());
    w.StartPage(devmode.View());
    w.WriteCommand(tw::PORT_CMD_END_PAGE, {});
    w.StartPage(devmode.View());
    w.EndPage(page);
    w.EndDoc();
    auto job = NewJob();
    EXPECT_FALSE(Write(*job, w.Bytes()));
    EXPECT_EQ(Count(observer.ops, L"Dropped(page)=FALSE"), 1u);
    EXPECT_NE(job->StatusText().find(L"of page 1 carries no page data"), std::wstring::npos) << job->StatusText();
    EXPECT_EQ(job->OutputPageNumber(), 1u);
    EXPECT_EQ(job->WrittenFiles().size(), 1u);
}

TEST_F(CommandOrderTest, TheEndOfTheDataEndsAnOpenDocumentAsFailed) {
    StreamWriter whole;
    whole.StartDoc(devmode.View());
    whole.StartPage(devmode.View());
    whole.EndPage(page);
    const size_t afterPage = whole.Bytes().size();
    whole.StartPage(devmode.View());
    const size_t afterStart = whole.Bytes().size();
    whole.EndPage(page);
    whole.EndDoc();
    const ByteVector& s = whole.Bytes();
    struct Case {
        size_t cut;
        const wchar_t* status;  // empty: the document is whole
        DWORD pages;
    } cases[] = {
        {s.size(), L"", 2},
        {afterPage, L"ended without PORT_CMD_END_DOC", 1},
        {afterStart, L"ended inside page 2 (no PORT_CMD_END_PAGE)", 1},
        {afterStart + 16 + 10, L"ended inside PORT_CMD_END_PAGE (10 of", 1},
        {afterStart + 5, L"ended inside a command header (5 of 16 bytes)", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cut);
        observer.ops.clear();
        tw::threadblock::ResetHeaderCollector();
        RemoveTree(out);
        ::CreateDirectoryW(out.c_str(), nullptr);
        auto job = NewJob();
        Write(*job, {s.data(), c.cut});
        job->EndOfData();
        EXPECT_EQ(job->HasError(), c.status[0] != 0);
        EXPECT_NE(job->StatusText().find(c.status), std::wstring::npos) << job->StatusText();
        EXPECT_EQ(job->OutputPageNumber(), c.pages);
        EXPECT_EQ(job->WrittenFiles().size(), c.pages);
        // The pages that arrived are kept; no empty file and no made-up page is left behind.
        EXPECT_EQ(Count(observer.ops, L"StartPage()"), c.cut > afterPage ? 2u : 1u);
        for (const auto& [name, size] : OutputFiles()) EXPECT_GT(size, 0u) << name;
        EXPECT_EQ(Count(observer.ops, L"EndDoc()"), 1u);
        EXPECT_EQ(job->ActiveCommand(), nullptr);
        EXPECT_EQ(HeaderBytesCollected(), 0u);
        // Ending twice does nothing more.
        const size_t ops = observer.ops.size();
        job->EndOfData();
        EXPECT_EQ(observer.ops.size(), ops);
    }
}

TEST_F(CommandOrderTest, NothingToEndIsNoError) {
    auto job = NewJob();
    job->EndOfData();
    EXPECT_FALSE(job->HasError());
    EXPECT_TRUE(observer.ops.empty());
    // A command cut off outside a document is lost all the same.
    StreamWriter w;
    w.WriteTextOut(1, 2, L"abc");
    Write(*job, {w.Bytes().data(), 20});
    job->EndOfData();
    EXPECT_TRUE(job->HasError());
    EXPECT_NE(job->StatusText().find(L"PORT_CMD_WRITE_TEXT_OUT (4 of 14"), std::wstring::npos) << job->StatusText();
}

TEST_F(CommandOrderTest, AColourPageOfTheMonochromeBuildSaysWhyItFails) {
    devmode.ColorMode(2);
    StreamWriter w;
    w.StartDoc(devmode.View());
    w.StartPage(devmode.View());
    w.EndPage(page);
    w.EndDoc();
    auto job = NewJob();
    EXPECT_FALSE(Write(*job, w.Bytes()));
    EXPECT_TRUE(job->HasError());
    EXPECT_EQ(Count(observer.ops, L"EndPage(ProducePage)=FALSE"), 1u);
    EXPECT_NE(job->StatusText().find(L"Page 1 was not printed"), std::wstring::npos) << job->StatusText();
    EXPECT_NE(job->StatusText().find(L"black-and-white"), std::wstring::npos);
    ASSERT_EQ(job->StatusMessages().size(), 1u);
    EXPECT_EQ(job->StatusMessages()[0], job->StatusText());
    EXPECT_TRUE(job->WrittenFiles().empty());
}

}  // namespace
}  // namespace twtest
