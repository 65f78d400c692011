// How a job adopts the document's and the pages' DEVMODEs, with the printer's settings in the
// real registry, its INI file on disk and the simulated spooler.
#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "job/SettingsTestPrinter.h"
#include "job/TWJob.h"
#include "portcmd/DevModeLayout.h"

namespace {

using tw::TarnwellDEVMODE;
namespace dmoff = tw::dmoff;

constexpr DWORD kJobId = 5;

class SetDevModeTest : public twtest::SettingsPrinter {
protected:
    void SetUp() override {
        SettingsPrinter::SetUp();
        dir = twtest::MakeTempDir(L"setdm");
        iniPath = dir + L"\\printer.ini";
        twhost::SimPrinter printer;
        printer.name = name;
        printer.portName = L"TW:";
        printer.dataFile = iniPath;
        ASSERT_TRUE(env.Spooler().AddPrinter(printer));
        AddJob(L"");
    }
    void TearDown() override {
        twtest::RemoveTree(dir);
        SettingsPrinter::TearDown();
    }
    void AddJob(const std::wstring& machine) {
        twhost::SimJob job;
        job.id = kJobId;
        job.document = L"doc";
        job.machine = machine;
        env.Spooler().AddJob(name, job);
    }
    twhost::DevModeBuilder Builder() {
        twhost::DevModeBuilder b(name);
        b.Record().Write<DWORD>(dmoff::PrinterId, printerId);
        return b;
    }
    void Start(tw::CTWJob& job, const twhost::DevModeBuilder& b, BOOL start = TRUE) {
        if (start) {
            job.SetJobId(kJobId);
            job.SetPrinterName(name.c_str());
        }
        ASSERT_TRUE(job.SetDevMode(b.Record().Bytes(), tw::kDevModeSize, start));
    }
    void Ini(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        tw::IniFile(iniPath).WriteString(section, key, value);
    }

    twhost::HostEnvironment env;
    std::wstring dir, iniPath;
};

TEST_F(SetDevModeTest, APageRecordOfAnotherFormatIsIgnored) {
    tw::CTWJob job;
    twhost::DevModeBuilder doc = Builder();
    doc.Format(7).Dithering(1);
    Start(job, doc);
    EXPECT_EQ(job.Settings().dwEffectiveFormat, 7u);

    twhost::DevModeBuilder other = Builder();
    other.Format(4).Dithering(2);
    Start(job, other, FALSE);
    EXPECT_EQ(job.DevMode()->Read<LONG>(dmoff::Dithering), 1);
    EXPECT_EQ(tw::DmFileFormat(job.DevMode()), 7u);

    twhost::DevModeBuilder same = Builder();
    same.Format(7).Dithering(3);
    Start(job, same, FALSE);
    EXPECT_EQ(job.DevMode()->Read<LONG>(dmoff::Dithering), 3);
}

TEST_F(SetDevModeTest, AnUndersizedRecordIsReplacedByThePrinterDefault) {
    twhost::DevModeBuilder def = Builder();
    def.Format(4).Dithering(9);
    twhost::SimPrinter printer = *env.Spooler().FindPrinter(name);
    printer.userDevMode = def.Bytes();
    env.Spooler().UpdatePrinter(printer);

    twhost::DevModeBuilder incoming = Builder();
    incoming.PaperSize(2100, 2970).Dpi(200, 200);
    incoming.Record().Write<WORD>(dmoff::dmDriverExtra, 4000);
    tw::CTWJob job;
    Start(job, incoming);
    const TarnwellDEVMODE* dm = job.DevMode();
    EXPECT_EQ(dm->Read<LONG>(dmoff::Dithering), 9);
    EXPECT_EQ(dm->Read<WORD>(dmoff::dmDriverExtra), tw::kDevModeSize - tw::kDevModePublicSize);
    EXPECT_EQ(dm->Read<short>(dmoff::dmPaperWidth), 2100);
    EXPECT_EQ(dm->Read<short>(dmoff::dmPaperLength), 2970);
    EXPECT_EQ(dm->Read<short>(dmoff::dmPrintQuality), 200);
    EXPECT_EQ(dm->Read<DWORD>(dmoff::PrinterId), printerId);
}

TEST_F(SetDevModeTest, ForcePaperOverridesTheRecord) {
    SetDword(Group(tw::settings::kPageSettings), L"Force Paper Enabled", 1);
    SetDword(Group(tw::settings::kPageSettings), L"Force Paper Size", DMPAPER_A4);
    SetDword(Group(tw::settings::kPageSettings), L"Force Paper Width", 2100);
    SetDword(Group(tw::settings::kPageSettings), L"Force Paper Height", 2970);
    tw::CTWJob job;
    Start(job, Builder());
    const TarnwellDEVMODE* dm = job.DevMode();
    EXPECT_EQ(dm->Read<short>(dmoff::dmPaperSize), DMPAPER_A4);
    EXPECT_EQ(dm->Read<short>(dmoff::dmPaperWidth), 2100);
    // Forced 300 dpi, then the pixel size recomputed from the forced paper.
    EXPECT_EQ(dm->Read<short>(dmoff::dmPrintQuality), 300);
    EXPECT_EQ(dm->Read<LONG>(dmoff::PageWidthInPixels), 2480);
    EXPECT_EQ(dm->Read<LONG>(dmoff::PageHeightInPixels), 3508);
}

TEST_F(SetDevModeTest, ReadsSelectionTimeoutsAndRawDataType) {
    SetDword(Group(tw::settings::kPageSettings), L"Print Selected Pages Only", 1);
    SetText(Group(tw::settings::kPageSettings), L"Selected Pages", L"2, 4-5");
    SetText(PrinterKey(), L"Job 5 Data Type", L"raw");
    SetText(Group(tw::settings::kFilenameGenerationSettings), L"Remove Text from Document Name", L"DRAFT ");
    Ini(L"Default Settings", L"Messaging Timeout", L"2500");
    Ini(L"Default Settings", L"Allow Anisotropic DPI", L"1");
    tw::CTWJob job;
    job.SetDocumentName(L"DRAFT Report DRAFT 7");
    Start(job, Builder());
    EXPECT_EQ(job.DocumentName(), L"Report 7");
    EXPECT_TRUE(job.Settings().pageSelection.Active());
    EXPECT_EQ(job.Settings().pageSelection.Lowest(), 2u);
    EXPECT_EQ(job.Settings().pageSelection.Highest(), 5u);
    EXPECT_EQ(job.Settings().messagingTimeout, 2500);
    EXPECT_EQ(job.Settings().messagingTimeout2, 10000);
    EXPECT_TRUE(job.Settings().bAllowAnisotropicDpi);
    EXPECT_EQ(job.PrinterIniFile(), iniPath);
    // A raw job runs as the spooler itself, and the driver's note is consumed.
    EXPECT_TRUE(job.Settings().bRawData);
    EXPECT_EQ(env.Spooler().RevertCount(), 1u);
    EXPECT_FALSE(tw::settings::ReadString(&job.DevMode()[0], tw::settings::kPrinterGroup, L"Job 5 Data Type"));
}

TEST_F(SetDevModeTest, MessagingNamesFirstFoundWins) {
    twhost::DevModeBuilder b = Builder();
    b.Set(L"MessagingInterfaceName", L"FromRecord");
    b.Set(L"MessagingSessionId", L"3");
    {
        tw::CTWJob job;
        Start(job, b);
        EXPECT_EQ(job.Settings().messagingInterfaceName, L"FromRecord");
        EXPECT_EQ(job.Settings().clientPipeName, L"\\\\.\\pipe\\FromRecord3");
        EXPECT_EQ(job.Settings().httpPipeName.rfind(L"\\\\.\\pipe\\TW_HTTP_3_5_", 0), 0u);
    }
    Ini(L"Default Settings", L"InterfaceName", L"FromIni");
    Ini(L"Default Settings", L"SessionID", L"4");
    {
        tw::CTWJob job;
        Start(job, b);
        EXPECT_EQ(job.Settings().clientPipeName, L"\\\\.\\pipe\\FromIni4");
    }
    SetText(Group(tw::settings::JobGroupFormat(kJobId)), L"Messaging Interface Name", L"FromJob");
    {
        tw::CTWJob job;
        Start(job, b);
        EXPECT_EQ(job.Settings().clientPipeName, L"\\\\.\\pipe\\FromJob0");
    }
}

TEST_F(SetDevModeTest, PagesPerSheetAndMemoryOutput) {
    twhost::DevModeBuilder b = Builder();
    b.Record().Write<BYTE>(dmoff::PagesPerSheet, 1);
    b.Record().Write<BYTE>(dmoff::SheetOptions, 0x3);
    b.Record().SetBits(dmoff::Flags, 4, tw::dmflag::OutputInMemory | tw::dmflag::ImageGenerationDisabled, true);
    tw::CTWJob job;
    Start(job, b);
    EXPECT_EQ(job.Settings().pagesPerSheet, 0);
    EXPECT_TRUE(job.Settings().bColumnFirst);
    EXPECT_TRUE(job.Settings().bCellBorder);
    EXPECT_TRUE(job.Settings().bOutputInMemory);
    EXPECT_FALSE(job.Settings().bImageGenerationDisabled);
}

class SharedPrinterTest : public SetDevModeTest {
protected:
    void Share(const std::wstring& machine) {
        twhost::SimPrinter printer = *env.Spooler().FindPrinter(name);
        printer.shared = true;
        twhost::DevModeBuilder server = Builder();
        server.OutputDirectory(L"C:\\server\\out").Dithering(7);
        server.Record().SetBits(dmoff::Flags, 4, tw::dmflag::IsPageNumberingEnabled, true);
        printer.devMode = server.Bytes();
        env.Spooler().UpdatePrinter(printer);
        env.Spooler().FinishJob(kJobId);
        AddJob(machine);
    }
    twhost::DevModeBuilder Client() {
        twhost::DevModeBuilder b = Builder();
        b.OutputDirectory(L"C:\\client\\out").Dithering(2);
        b.Record().SetBits(dmoff::Flags, 4, tw::dmflag::PrintedFromSession0, true);
        return b;
    }
};

TEST_F(SharedPrinterTest, TheServerDecidesItsOwnFields) {
    Share(L"\\\\OTHERPC");
    tw::CTWJob job;
    Start(job, Client());
    EXPECT_TRUE(job.Settings().bSharedPrinter);
    const TarnwellDEVMODE* dm = job.DevMode();
    EXPECT_EQ(dm->GetText(tw::dmtext::OutputDirectory), L"C:\\server\\out");
    EXPECT_TRUE(dm->HasFlag(tw::dmflag::IsPageNumberingEnabled));
    EXPECT_FALSE(dm->HasFlag(tw::dmflag::PrintedFromSession0));
    EXPECT_EQ(dm->Read<LONG>(dmoff::Dithering), 2);  // not a server field
    EXPECT_GE(env.Spooler().RevertCount(), 1u);
}

TEST_F(SharedPrinterTest, IgnoreSwitchesTakeWholeParts) {
    Share(L"\\\\OTHERPC");
    Ini(L"Sharing Settings", L"Ignore extended DEVMODE from clients", L"1");
    tw::CTWJob job;
    Start(job, Client());
    EXPECT_EQ(job.DevMode()->Read<LONG>(dmoff::Dithering), 7);
    EXPECT_EQ(job.DevMode()->GetText(tw::dmtext::OutputDirectory), L"C:\\server\\out");
}

TEST_F(SharedPrinterTest, AJobFromThisComputerIsNotShared) {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(computer, &size);
    Share(std::wstring(L"\\\\") + computer);
    twhost::DevModeBuilder client = Client();
    client.Set(L"ClientComputerName", computer);
    tw::CTWJob job;
    Start(job, client);
    EXPECT_FALSE(job.Settings().bSharedPrinter);
    EXPECT_EQ(job.DevMode()->GetText(tw::dmtext::OutputDirectory), L"C:\\client\\out");
}

}  // namespace
