// The job as a client application sees it: which messages it sends and what they say, the
// DEVMODE edit, and the document's "Message Capture Warning".
#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "base/UniqueHandle.h"
#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"
#include "job/TWJob.h"
#include "notify/PrnMessage.h"
#include "notify/TestPipeServer.h"
#include "portcmd/DevModeLayout.h"

namespace {

using twtest::TestPipeServer;
namespace dmoff = tw::dmoff;

constexpr DWORD kJobId = 9;
constexpr DWORD kInterfaceId = 5;

class JobMessaging : public twtest::SettingsPrinter {
protected:
    void SetUp() override {
        SettingsPrinter::SetUp();
        dir = twtest::MakeTempDir(L"jobmsg");
        iniPath = dir + L"\\printer.ini";
        twhost::SimPrinter printer;
        printer.name = name;
        printer.dataFile = iniPath;
        ASSERT_TRUE(env.Spooler().AddPrinter(printer));
        twhost::SimJob job;
        job.id = kJobId;
        env.Spooler().AddJob(name, job);
        tw::IniFile(iniPath).WriteString(L"Default Settings", L"Messaging Timeout", L"1500");
        tw::IniFile(iniPath).WriteString(L"Default Settings", L"Messaging Timeout 2", L"400");
        iface = twtest::UniqueName(L"JobClient");
        SetText(Group(tw::settings::kMessagingInterfaceSettings), L"Messaging Interface Name", iface);
        SetDword(Group(tw::settings::kMessagingInterfaceSettings), L"Messaging Interface ID", kInterfaceId);
    }
    void TearDown() override {
        twtest::RemoveTree(dir);
        SettingsPrinter::TearDown();
    }
    std::wstring PipeName() const { return L"\\\\.\\pipe\\" + iface + std::to_wstring(kInterfaceId); }
    twhost::DevModeBuilder Builder(bool messaging = true) {
        twhost::DevModeBuilder b(name);
        b.Record().Write<DWORD>(dmoff::PrinterId, printerId);
        b.Set(L"IsMessagingInterfaceEnabled", messaging ? L"1" : L"0");
        return b;
    }
    void Start(tw::CTWJob& job, const twhost::DevModeBuilder& b) {
        job.SetJobId(kJobId);
        job.SetPrinterName(name.c_str());
        job.SetDocumentName(L"Quarterly");
        ASSERT_TRUE(job.SetDevMode(b.Record().Bytes(), tw::kDevModeSize, TRUE));
    }
    // The first message of every connection the server has seen.
    static std::vector<tw::PrnMessageFields> Records(TestPipeServer& server) {
        std::vector<tw::PrnMessageFields> out;
        for (const auto& c : server.Connections())
            if (!c.empty()) out.push_back(tw::ParsePrnMessage(c[0].data(), c[0].size()));
        return out;
    }

    twhost::HostEnvironment env;
    std::wstring dir, iniPath, iface;
};

TEST_F(JobMessaging, TheJobFindsItsClientAndTellsWhatItDoes) {
    TestPipeServer server(PipeName());
    tw::CTWJob job;
    Start(job, Builder());
    EXPECT_TRUE(job.PostWindowMessage(1, L"C:\\out\\group.ini"));
    ASSERT_TRUE(server.WaitForConnections(2));
    const auto records = Records(server);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].number, 7u);
    EXPECT_EQ(records[0].text, L"");
    EXPECT_EQ(records[1].number, 1u);
    EXPECT_EQ(records[1].text, L"C:\\out\\group.ini");
    EXPECT_EQ(records[1].documentName, L"Quarterly");
    EXPECT_EQ(records[1].printerName, name);
    EXPECT_EQ(records[1].jobId, kJobId);
    EXPECT_EQ(records[1].pageNumber, 1u);
    EXPECT_EQ(records[1].portrait, 1u);
    EXPECT_TRUE(job.MessageCaptureWarning().empty());
}

TEST_F(JobMessaging, DisabledMessagingStillOffersTheDevMode) {
    TestPipeServer server(PipeName());
    tw::CTWJob job;
    Start(job, Builder(false));
    EXPECT_TRUE(job.PostWindowMessage(1, L"x"));
    EXPECT_TRUE(job.PostWindowMessage(4, L"x"));
    ASSERT_TRUE(server.WaitForConnections(1));
    ::Sleep(300);
    const auto records = Records(server);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].number, 7u);
}

TEST_F(JobMessaging, OneStatusMessageWithTheFirstError) {
    TestPipeServer server(PipeName());
    tw::CTWJob job;
    Start(job, Builder());
    job.HandleError(L"first", __FILE__, __LINE__);
    job.HandleError(L"second", __FILE__, __LINE__);
    ASSERT_TRUE(server.WaitForConnections(2));
    ::Sleep(300);
    const auto records = Records(server);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].number, 5u);
    EXPECT_EQ(records[1].text, L"first");
}

TEST_F(JobMessaging, TheClientEditsTheLandscapeRecordAsThePageLies) {
    TestPipeServer server(PipeName());
    twhost::DevModeBuilder b = Builder();
    b.Landscape();
    tw::CTWJob job;
    job.SetJobId(kJobId);
    job.SetPrinterName(name.c_str());
    tw::TarnwellDEVMODE shown;
    ASSERT_TRUE(job.SetDevMode(b.Record().Bytes(), tw::kDevModeSize, TRUE));
    ASSERT_TRUE(server.WaitForConnections(1));
    const auto connection = server.Connections()[0];
    ASSERT_EQ(connection.size(), 2u);
    shown.CopyFrom(connection[1].data());
    const tw::TarnwellDEVMODE* kept = job.DevMode();
    ASSERT_NE(kept, nullptr);
    // Width and length are exchanged for the client, and back for the job.
    EXPECT_EQ(shown.Read<short>(dmoff::dmPaperWidth), kept->Read<short>(dmoff::dmPaperLength));
    EXPECT_EQ(shown.Read<short>(dmoff::dmPaperLength), kept->Read<short>(dmoff::dmPaperWidth));
    EXPECT_NE(kept->Read<short>(dmoff::dmPaperWidth), kept->Read<short>(dmoff::dmPaperLength));

    // An edit in the client's form comes back in the job's.
    tw::TarnwellDEVMODE edited = shown;
    edited.Write<BYTE>(dmoff::PagesPerSheet, 4);
    server.AnswerAfter(tw::prnmsg::kSize + tw::kDevModeSize,
                       std::vector<BYTE>(edited.Bytes(), edited.Bytes() + tw::kDevModeSize));
    const short width = kept->Read<short>(dmoff::dmPaperWidth);
    ASSERT_TRUE(job.SetDevMode(b.Record().Bytes(), tw::kDevModeSize, FALSE));
    EXPECT_EQ(job.DevMode()->Read<BYTE>(dmoff::PagesPerSheet), 4);
    EXPECT_EQ(job.DevMode()->Read<short>(dmoff::dmPaperWidth), width);
    EXPECT_TRUE(job.MessageCaptureWarning().empty());
}

TEST_F(JobMessaging, TheFirstClientFailureIsTheWarning) {
    TestPipeServer server(PipeName());
    server.AnswerAfter(tw::prnmsg::kSize + tw::kDevModeSize, std::vector<BYTE>(100, 1));
    tw::CTWJob job;
    Start(job, Builder());
    const std::wstring wrongSize =
        L"The received data has incorrect size. Expected a TarnwellDEVMODE structure. (DEVMODE message)";
    EXPECT_EQ(job.MessageCaptureWarning(), wrongSize);
    job.ReportMessagingWarning(L"later", L"");
    EXPECT_EQ(job.MessageCaptureWarning(), wrongSize);
    // The document's group file keeps it.
    const std::wstring group = dir + L"\\group.ini";
    job.SetGroupFile(0, group, true);
    EXPECT_TRUE(job.EndDoc());
    EXPECT_EQ(tw::IniFile(group).GetString(name.c_str(), L"Message Capture Warning", L"", 2048), wrongSize);
    // The DEVMODE stays the job's own.
    EXPECT_EQ(job.DevMode()->Read<DWORD>(dmoff::FileFormat), Builder().Record().Read<DWORD>(dmoff::FileFormat));
}

TEST_F(JobMessaging, OnlyAClientTheJobStartedIsWaitedFor) {
    tw::IniFile(iniPath).WriteString(L"Default Settings", L"Start Application Timeout", L"800");
    twhost::DevModeBuilder b = Builder();
    b.Set(L"IsStartApplicationEnabled", L"1");
    b.Set(L"IsStartForMessaging", L"1");
    {
        // No application path: nothing was started, so nothing is waited for.
        tw::CTWJob job;
        const DWORD start = ::GetTickCount();
        Start(job, b);
        EXPECT_LT(::GetTickCount() - start, 800u);
    }
    {
        // The client listens already: the DEVMODE goes to it at once.
        TestPipeServer server(PipeName());
        tw::CTWJob job;
        const DWORD start = ::GetTickCount();
        Start(job, b);
        EXPECT_LT(::GetTickCount() - start, 800u);
        EXPECT_TRUE(job.MessageCaptureWarning().empty());
    }
    {
        // The application starter was started for the client, which never says it listens: the
        // job waits for it, but no longer than "Start Application Timeout".
        wchar_t self[MAX_PATH] = {};
        std::wstring starter(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
        starter = starter.substr(0, starter.find_last_of(L"\\/")) + L"\\twrecordargs.exe";
        SetText(Group(tw::settings::kApplicationStarter), L"EXE Name", starter);
        b.Record().SetText(tw::dmtext::ApplicationPath, L"C:\\nowhere\\client.exe");
        tw::CTWJob job;
        const DWORD start = ::GetTickCount();
        Start(job, b);
        const DWORD took = ::GetTickCount() - start;
        EXPECT_GE(took, 800u - 50u);
        EXPECT_LT(took, 800u + 1500u + 1500u);
        ASSERT_TRUE(job.PostPrintId().has_value());
    }
}

TEST_F(JobMessaging, OutputInMemoryGoesToTheUploadersToo) {
    SetText(Group(tw::settings::kPostPrintSettings), L"HTTP upload", L"Yes");
    twhost::DevModeBuilder b = Builder();
    b.Set(L"OutputInMemory", L"1");
    TestPipeServer client(PipeName());
    tw::CTWJob job;
    Start(job, b);
    const std::wstring http = job.Settings().httpPipeName;
    ASSERT_EQ(http.rfind(L"\\\\.\\pipe\\TW_HTTP_5_9_", 0), 0u) << http;
    TestPipeServer uploader(http);
    EXPECT_TRUE(job.PostWindowMessage(1, L"C:\\out\\group.ini"));
    EXPECT_TRUE(job.PostWindowMessage(2, L"C:\\out\\page.tif"));
    tw::UniqueHGlobal image(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 5000));
    EXPECT_TRUE(job.SendMemImageThroughPipe(job.DevMode(), image.get()));

    ASSERT_TRUE(uploader.WaitForConnections(2));
    ASSERT_TRUE(client.WaitForConnections(4));
    ::Sleep(200);
    // The uploader hears of the document and its images, not of its pages.
    const auto heard = Records(uploader);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].number, 1u);
    EXPECT_EQ(heard[1].number, 8u);
    const auto records = Records(client);
    ASSERT_EQ(records.size(), 4u);
    // Files in memory have no names on disk: the file fields stay empty, the text does not.
    EXPECT_EQ(records[1].number, 1u);
    EXPECT_EQ(records[1].text, L"C:\\out\\group.ini");
    EXPECT_EQ(records[1].groupFile, L"");
    EXPECT_EQ(records[2].number, 2u);
    EXPECT_EQ(records[2].outputFile, L"");
    EXPECT_EQ(records[3].number, 8u);
    EXPECT_EQ(records[3].extra, job.Settings().dwEffectiveFormat);
    const auto imageConnection = client.Connections()[3];
    ASSERT_EQ(imageConnection.size(), 3u);
    EXPECT_EQ(imageConnection[2].size(), 5000u);
}

}  // namespace
