// The post-print hand-off's pieces: the start application's parameter list, the application
// starter's command line, the post-print ID and record, and the uploader records.
#include <gtest/gtest.h>

#include "job/SettingsNames.h"
#include "job/SettingsTestPrinter.h"
#include "notify/PostPrintRecord.h"
#include "notify/StartApplication.h"
#include "notify/UploaderRecords.h"

namespace {

namespace sa = tw::startapp;
namespace pp = tw::postprint;
namespace up = tw::uploader;

TEST(StartParameterList, QuotesEachKindAndLeavesTheCustomParameterBare) {
    sa::ParameterValues v;
    v.documentName = L"Report";
    v.pageNumber = 1;
    v.customParameter = L"-x";
    EXPECT_EQ(sa::BuildParameterList({1, 4, 0, 7}, v), L" \"Report\" \"1\" -x ");
    // Unknown kinds and positions past the fifteenth add nothing.
    std::vector<WORD> kinds(16, 0);
    kinds[3] = 99;
    kinds[15] = 1;
    EXPECT_EQ(sa::BuildParameterList(kinds, v), L" ");
    v.customParameter = std::wstring(9000, L'c');
    EXPECT_EQ(sa::BuildParameterList({7}, v).size(), 1 + sa::kCustomParameterChars + 1);
}

TEST(StartParameterList, EveryKindHasItsValue) {
    sa::ParameterValues v{L"Doc", L"C:\\g.grp", L"Prn", 3, true, false, L"c", L"C:\\o.tif", L"ann", L"pc", L"1/2/2026 10:00"};
    v.firstBates = L"B1";
    v.lastBates = L"B2";
    v.copies = 4;
    EXPECT_EQ(sa::BuildParameterList({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, v),
              L" \"Doc\" \"C:\\g.grp\" \"Prn\" \"3\" \"1\" \"0\" c \"C:\\o.tif\" \"ann\" \"pc\" \"1/2/2026 10:00\" "
              L"\"B1\" \"B2\" \"4\" \"{{DATABASE_INDEX}}\" ");
}

TEST(StartParameterList, DuplexSwitchFollowsWhenTheDriverHasDuplex) {
    sa::ParameterValues v;
    EXPECT_EQ(sa::BuildParameterList({}, v), L" ");
    v.duplexCapability = true;
    v.duplex = DMDUP_VERTICAL;
    EXPECT_EQ(sa::BuildParameterList({}, v), L" -longedge");
    v.duplex = DMDUP_HORIZONTAL;
    EXPECT_EQ(sa::BuildParameterList({}, v), L" -shortedge");
    v.duplex = DMDUP_SIMPLEX;
    EXPECT_EQ(sa::BuildParameterList({}, v), L" -singlesided");
}

TEST(StarterCommandLine, FullPathsStayBareNamesComeFromTheSystemDirectory) {
    EXPECT_EQ(sa::StarterCommandLine(L"D:\\Tools\\Starter.exe", L"C:\\windows\\system32", 12, 5, L"My Printer"),
              L"D:\\Tools\\Starter.exe 12,5,0,My Printer");
    EXPECT_EQ(sa::StarterCommandLine(L"Starter.exe", L"C:\\sys", 12, 5, L"P"), L"C:\\sys\\Starter.exe 12,5,0,P");
    EXPECT_EQ(sa::StarterCommandLine(L"", L"C:\\sys", 1, 0, L"P"), L"C:\\sys\\TuMAppTS.exe 1,0,0,P");
    EXPECT_EQ(sa::WorkingDirectory(L"C:\\apps\\run.exe"), L"C:\\apps");
    EXPECT_EQ(sa::WorkingDirectory(L"D:run.exe"), L"D");
    EXPECT_EQ(sa::WorkingDirectory(L"run.exe"), L"");
}

TEST(FtpRecordDefaults, PortsFollowTheSecurityModeAndProxyType) {
    EXPECT_EQ(up::DefaultFtpPort(0), 21);
    EXPECT_EQ(up::DefaultFtpPort(1), 990);
    EXPECT_EQ(up::DefaultFtpPort(2), 990);
    EXPECT_EQ(up::DefaultFtpPort(3), 22);
    EXPECT_EQ(up::DefaultProxyPort(2), 1080);
    EXPECT_EQ(up::DefaultProxyPort(4), 8080);
    EXPECT_EQ(up::DefaultProxyPort(5), 0);
}

class PostPrintRecord : public twtest::SettingsPrinter {
protected:
    std::wstring Record(DWORD id) const { return Group(pp::RecordGroupFormat(pp::kPostPrintRecords, id)); }
    std::wstring Text(const std::wstring& path, const wchar_t* value) const {
        auto [type, data] = Raw(path, value);
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return text;
    }
};

TEST_F(PostPrintRecord, IdsCountFromZeroAndTheJobKeepsItsOwn) {
    EXPECT_EQ(pp::AllocatePostPrintId(&dm, 12), 0u);
    EXPECT_EQ(pp::AllocatePostPrintId(&dm, 13), 1u);
    auto [type, data] = Raw(Group(tw::settings::JobGroupFormat(12)), tw::settings::kPostPrintId);
    ASSERT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(data.data()), 0u);
    EXPECT_TRUE(pp::DeleteJobKey(&dm, 12));
    EXPECT_FALSE(Exists(Group(tw::settings::JobGroupFormat(12))));
    EXPECT_TRUE(Exists(Group(tw::settings::JobGroupFormat(13))));
    EXPECT_FALSE(pp::DeleteJobKey(&dm, 0));
}

TEST_F(PostPrintRecord, ValuesOfTheRecordAndOnlyThoseGiven) {
    pp::PostPrintValues v;
    v.commandLine = L" \"Doc\" ";
    v.server = L"C:\\apps\\run.exe";
    v.flags = 0x5;
    v.messagingInterface = L"Global\\Iface_7";
    v.postPrintFlags = pp::action::View;
    v.outputFilename = L"C:\\out\\a.tif";
    ASSERT_TRUE(pp::WriteProcessDataToRegistry(&dm, 3, v));
    EXPECT_EQ(std::wstring(Text(Record(3), pp::kCommandLine).c_str()), *v.commandLine);
    EXPECT_EQ(Text(Record(3), pp::kServer), L"C:\\apps\\run.exe");
    EXPECT_EQ(Text(Record(3), pp::kOutputFilename), L"C:\\out\\a.tif");
    EXPECT_EQ(Raw(Record(3), pp::kOutputFolder).first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(std::wstring(Text(Record(3), pp::kReady).c_str()), L"YES");
}

TEST_F(PostPrintRecord, ARecordThatReadsAbortIsLeftAlone) {
    const std::wstring abort = L"Abort";
    SetRaw(Record(4), pp::kReady, REG_SZ, abort.c_str(), static_cast<DWORD>(abort.size() * sizeof(wchar_t)));
    pp::PostPrintValues v;
    v.server = L"C:\\run.exe";
    EXPECT_FALSE(pp::WriteProcessDataToRegistry(&dm, 4, v));
    EXPECT_FALSE(pp::WriteJobStatus(&dm, 4, pp::kJobFinished));
    EXPECT_EQ(Raw(Record(4), pp::kServer).first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(Raw(Record(4), pp::kJobStatus).first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(std::wstring(Text(Record(4), pp::kReady).c_str()), L"Abort");
}

TEST_F(PostPrintRecord, ARecordKeyThatCannotBeCreatedFailsQuietly) {
    // Below a volatile key no lasting record can be created.
    for (const wchar_t* route : {pp::kPostPrintRecords, up::kFtpRecords, up::kEmailRecords}) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (PrinterKey() + L"\\" + route).c_str(), 0, nullptr,
                                    REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    pp::PostPrintValues v;
    v.server = L"C:\\run.exe";
    EXPECT_FALSE(pp::WriteProcessDataToRegistry(&dm, 5, v));
    EXPECT_FALSE(pp::WriteJobStatus(&dm, 5, pp::kJobStarted));
    up::UploaderJob job;
    job.dm = &dm;
    job.postPrintId = 5;
    EXPECT_FALSE(up::WriteFTPProgramforStart(job, 1));
    EXPECT_FALSE(up::WriteEmailFileEntry(job, 1, L"C:\\out\\p1.tif"));
    EXPECT_FALSE(Exists(Record(5)));
}

class UploaderRecord : public PostPrintRecord {
protected:
    up::UploaderJob Job(bool inMemory = false) {
        up::UploaderJob job;
        job.dm = &dm;
        job.jobId = 21;
        job.postPrintId = 8;
        job.environment = &environment;
        job.outputInMemory = inMemory;
        job.fileFormat = 7;
        job.groupFile = L"C:\\out\\doc.grp";
        job.printerName = L"Spooler Printer";
        return job;
    }
    std::wstring RouteRecord(const wchar_t* route) const { return Group(pp::RecordGroupFormat(route, 8)); }
    tw::JobEnvironment environment{L"ann", L"dom", L"PC1", L"10.0.0.1", L"pc1.example"};
};

TEST_F(UploaderRecord, FtpCopiesTheConnectionWithDefaultsAndTheScrambledPassword) {
    const std::wstring connection = Group(tw::settings::kFtpSettings) + L"\\2";
    SetText(connection, L"Server Address", L"ftp.example");
    SetText(connection, L"Security Mode", L"3");
    SetText(connection, L"Proxy Type", L"4");
    const std::wstring scrambled = tw::settings::ScramblePassword(L"s3cret");
    SetText(connection, L"Password", scrambled);
    ASSERT_TRUE(up::WriteFTPProgramforStart(Job(), 2));
    const std::wstring record = RouteRecord(up::kFtpRecords);
    auto text = [&](const wchar_t* name) { return std::wstring(Text(record, name).c_str()); };
    EXPECT_EQ(text(L"Server Address"), L"ftp.example");
    EXPECT_EQ(text(L"Port"), L"22");
    EXPECT_EQ(text(L"Proxy Port"), L"8080");
    EXPECT_EQ(text(L"Remote Directory"), L"/");
    EXPECT_EQ(text(L"Password"), scrambled);
    EXPECT_EQ(text(L"Printer Name"), L"Spooler Printer");
    EXPECT_EQ(text(L"Test Connection"), L"0");
    EXPECT_EQ(text(L"Is Passive"), L"0");
}

TEST_F(UploaderRecord, PipeRoutesAreReadyAtOnceInMemoryAndAfterEachFileOtherwise) {
    ASSERT_TRUE(up::WritePipeRouteProgramforStart(Job(true), up::kHttpRoute, L"\\\\.\\pipe\\TW_HTTP_1"));
    const std::wstring http = RouteRecord(up::kHttpRecords);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(Raw(http, up::kFlags).second.data()), 2u);
    EXPECT_EQ(std::wstring(Text(http, up::kGroupFilename).c_str()), L"\\\\.\\pipe\\TW_HTTP_1");
    EXPECT_EQ(std::wstring(Text(http, up::kReady).c_str()), L"YES");

    ASSERT_TRUE(up::WritePipeRouteProgramforStart(Job(), up::kDatabaseRoute, L"unused"));
    const std::wstring db = RouteRecord(up::kDatabaseRecords);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(Raw(db, up::kFlags).second.data()), 1u);
    EXPECT_EQ(Raw(db, up::kReady).first, static_cast<DWORD>(REG_NONE));
    ASSERT_TRUE(up::WritePipeRouteFileEntry(Job(), up::kDatabaseRoute, L"C:\\out\\doc.grp"));
    EXPECT_EQ(std::wstring(Text(db, up::kReady).c_str()), L"YES");
}

TEST_F(UploaderRecord, FileEntriesCountTheFiles) {
    ASSERT_TRUE(up::WriteEmailSendingProgramforStartApp(Job(), false));
    for (DWORD page = 1; page <= 3; ++page)
        ASSERT_TRUE(up::WriteEmailFileEntry(Job(), page, L"C:\\out\\p" + std::to_wstring(page) + L".tif"));
    const std::wstring email = RouteRecord(up::kEmailRecords);
    EXPECT_EQ(std::wstring(Text(email, L"File_2").c_str()), L"C:\\out\\p2.tif");
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(Raw(email, up::kCount).second.data()), 3u);
    // The program settings path names the printer's group.
    EXPECT_EQ(std::wstring(Text(email, L"Group File Name").c_str()), L"C:\\out\\doc.grp");
    EXPECT_EQ(std::wstring(Text(email, L"Email Program Settings").c_str()),
              std::wstring(tw::settings::kRoot) + L"\\" + name + L"\\Post Print Settings");
    EXPECT_EQ(std::wstring(Text(email, L"UserName").c_str()), L"ann");
}

TEST_F(UploaderRecord, AContentBasedEmailRecordCarriesItsOwnSettings) {
    const std::wstring settings = Group(tw::settings::kEmailSettings);
    SetText(settings, L"SMTP Server", L"smtp.example");
    SetDword(settings, L"SMTP Port", 587);
    const BYTE mailvane[] = {1, 2, 3};
    SetRaw(settings, tw::settings::kMailvaneData, REG_BINARY, mailvane, sizeof(mailvane));
    ASSERT_TRUE(up::WriteEmailSendingProgramforStartApp(Job(), true));
    const std::wstring email = RouteRecord(up::kEmailRecords);
    EXPECT_EQ(Text(email, L"Email Program Settings"), email);
    const std::wstring own = email + L"\\Email Settings";
    EXPECT_EQ(Text(own, L"SMTP Server"), L"smtp.example");
    EXPECT_EQ(Raw(own, L"SMTP Port").first, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(Raw(own, tw::settings::kMailvaneData).second, std::vector<BYTE>(mailvane, mailvane + 3));
    EXPECT_EQ(Raw(own, L"Email To").first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(Raw(email, up::kFileFormatValue).second.data()), 7u);
}

DWORD Dword(const std::pair<DWORD, std::vector<BYTE>>& raw) {
    return raw.second.size() == sizeof(DWORD) ? *reinterpret_cast<const DWORD*>(raw.second.data()) : 0xFFFFFFFFu;
}

TEST_F(UploaderRecord, ContentBasedMailAddsThePagesValuesAfterTheSettingsOwn) {
    const std::wstring settings = Group(tw::settings::kEmailSettings);
    SetText(settings, up::kEmailTo, L"desk@example.com");
    SetText(settings, up::kEmailSubject, L"Invoice");
    tw::ContentMailFields mail;
    mail.to = L"ann@example.com; bob@example.com";
    mail.addresses = L"page@example.com";
    mail.subject = L"77";
    mail.attachment = L"a.pdf;b.pdf";
    up::UploaderJob job = Job();
    job.contentEmail = job.simpleContentEmail = true;
    job.mail = &mail;
    ASSERT_TRUE(up::WriteEmailSendingProgramforStartApp(job, true));
    const std::wstring own = RouteRecord(up::kEmailRecords) + L"\\" + up::kEmailSettingsKey;
    EXPECT_EQ(Text(own, up::kEmailTo), L"desk@example.com; page@example.com; ann@example.com; bob@example.com");
    EXPECT_EQ(Text(own, up::kEmailSubject), L"Invoice 77");
    EXPECT_EQ(Text(own, up::kAttachment), L"a.pdf;b.pdf");  // not in the settings: the pages' alone
    EXPECT_EQ(Raw(own, up::kEmailCc).first, static_cast<DWORD>(REG_NONE));
    // One message for the document: no numbered values.
    ASSERT_TRUE(up::WriteEmailContentEntry(job, 1));
    EXPECT_EQ(Dword(Raw(own, up::kEmailCount)), 0u);
    EXPECT_EQ(Raw(own, L"Email To 1").first, static_cast<DWORD>(REG_NONE));

    // Simple content-based e-mail alone takes the page's addresses, not its "EmailTo" values.
    up::UploaderJob simple = Job();
    simple.postPrintId = 9;
    simple.simpleContentEmail = true;
    simple.mail = &mail;
    ASSERT_TRUE(up::WriteEmailSendingProgramforStartApp(simple, true));
    EXPECT_EQ(Text(Group(pp::RecordGroupFormat(up::kEmailRecords, 9)) + L"\\" + up::kEmailSettingsKey, up::kEmailTo),
              L"desk@example.com; page@example.com");
}

TEST_F(UploaderRecord, MultipageContentMailGivesEachFileItsOwnValues) {
    SetText(Group(tw::settings::kEmailSettings), up::kEmailTo, L"desk@example.com");
    tw::ContentMailFields mail;
    mail.to = L"ann@example.com";
    mail.body = L"first";
    up::UploaderJob job = Job();
    job.contentEmail = job.multipageContentEmail = true;
    job.mail = &mail;
    ASSERT_TRUE(up::WriteEmailSendingProgramforStartApp(job, true));
    const std::wstring own = RouteRecord(up::kEmailRecords) + L"\\" + up::kEmailSettingsKey;
    EXPECT_EQ(Text(own, up::kEmailTo), L"desk@example.com");  // each file's message has its own
    ASSERT_TRUE(up::WriteEmailContentEntry(job, 1));
    mail.to = L"bob@example.com";
    mail.body = L"second";
    ASSERT_TRUE(up::WriteEmailContentEntry(job, 2));
    EXPECT_EQ(Text(own, L"Email To 1"), L"desk@example.com; ann@example.com");
    EXPECT_EQ(Text(own, L"Email To 2"), L"desk@example.com; bob@example.com");
    EXPECT_EQ(Text(own, L"Email Body 1"), L"first");
    EXPECT_EQ(Text(own, L"Email Body 2"), L"second");
    EXPECT_EQ(Raw(own, L"Email Cc 2").first, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Dword(Raw(own, up::kEmailCount)), 2u);
}

TEST_F(UploaderRecord, AnAbortedUploaderRecordGetsNoEntries) {
    const std::wstring abort = L"Abort";
    const std::wstring ftp = RouteRecord(up::kFtpRecords);
    SetRaw(ftp, up::kReady, REG_SZ, abort.c_str(), static_cast<DWORD>(abort.size() * sizeof(wchar_t)));
    EXPECT_FALSE(up::WriteFtpFileEntry(Job(), 1, L"C:\\out\\p1.tif"));
    EXPECT_EQ(Raw(ftp, L"File_1").first, static_cast<DWORD>(REG_NONE));
}

}  // namespace
