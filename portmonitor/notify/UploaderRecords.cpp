// The e-mail, SharePoint, HTTP, database and M-Files records and the per-file entries.
#include "notify/UploaderRecords.h"

#include <vector>

#include "base/Registry.h"
#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/DebugLog.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"
#include "notify/PostPrintRecord.h"
#include "notify/UploaderRecordWriter.h"

namespace tw::uploader {
namespace {

using namespace detail;

constexpr wchar_t kEmailWriter[] = L"WriteEmailSendingProgramforStartApp";
constexpr wchar_t kSharePointWriter[] = L"WriteSharePointProgramforStart";
constexpr wchar_t kFileWriter[] = L"WriteFileNameToRegistryforStartApp";

constexpr wchar_t kGroupFileName[] = L"Group File Name";
constexpr wchar_t kUserName[] = L"UserName";
constexpr wchar_t kComputerName[] = L"ComputerName";
constexpr wchar_t kEmailProgramSettings[] = L"Email Program Settings";
constexpr wchar_t kSharePointUtilitySettings[] = L"SharePoint utility Settings";
constexpr wchar_t kSharePointSettingsKey[] = L"SharePoint Settings";
constexpr DWORD kFlagsInMemory = 2;
constexpr DWORD kFlagsInFiles = 1;

// File-entry failures, as the per-file writer names them.
constexpr wchar_t kLogFileName[] = L"WriteFileNameToRegistryforStartApp: Error saving filename. Error code: %d";
constexpr wchar_t kLogPrinterName[] = L"WriteFileNameToRegistryforStartApp: Error saving printer name. Error code: %d";
constexpr wchar_t kLogGroupFile[] = L"WriteFileNameToRegistryforStartApp: Error saving group filename. Error code: %d";
constexpr wchar_t kLogReady[] = L"WriteFileNameToRegistryforStartApp: Error set 'Ready' value. Error: %d";
constexpr wchar_t kLogCount[] = L"WriteFileNameToRegistryforStartApp: Error saving email count. Error code: %d";
constexpr wchar_t kLogAddress[] = L"WriteFileNameToRegistryforStartApp: Error saving email address. Error code: %d";

bool Logged(LSTATUS status, const wchar_t* text) {
    if (status != ERROR_SUCCESS) MessageCaptureLog().print(diag::kLevelError, text, static_cast<int>(status));
    return status == ERROR_SUCCESS;
}

// A program path of the settings, copied expanded when it is not empty.
bool PutProgram(const UploaderJob& job, HKEY key, const wchar_t* groupFormat, const wchar_t* name, const wchar_t* writer) {
    auto path = Setting(job, groupFormat, name);
    return !path || path->empty() || PutText(key, name, Expand(job, *path), writer);
}

// "File_<page>" = the file.
bool PutFileName(HKEY key, DWORD page, const std::wstring& fileName) {
    return Logged(SetStringValue(key, FormatW(kFileFormat, static_cast<int>(page)).c_str(), fileName), kLogFileName);
}

// Values an e-mail record copies for its own settings.
constexpr std::initializer_list<const wchar_t*> kEmailValues = {
    L"Sender Client", L"SMTP Server", L"SMTP Port", L"SMTP Sender Email", L"SMTP UserName", L"SMTP Password",
    L"SMTP Enable SSL", L"Email Sender", kEmailTo, kEmailCc, kEmailBcc, kEmailSubject, kEmailBody,
    kAttachment, L"Logging Directory", L"Audit Logging Directory", L"Email Send Silently", L"Ask For Address",
    L"Logging Enabled", L"Audit Logging Enabled", L"Disable About Box Links", L"Disable Email Settings",
    L"Display Email Sent Successfully Message", L"Display Error Message", L"Delete Files After Sending",
    L"Content Based Email", L"Simple Content Based Email", L"Multipage Content Based Email"};
constexpr std::initializer_list<const wchar_t*> kEmailExpanded = {L"Logging Directory", L"Audit Logging Directory"};
constexpr std::initializer_list<const wchar_t*> kSharePointValues = {
    L"SharePoint Server", L"SharePoint Directory", L"SharePoint User", L"SharePoint Pass",
    L"SharePoint Silent", L"SharePoint HTTPS", L"SharePoint Delete", L"SharePoint Logfile"};
constexpr std::initializer_list<const wchar_t*> kSharePointExpanded = {L"SharePoint Logfile"};

// What content-based e-mail adds to each value of the e-mail settings: the recipients are the
// page's addresses (simple content-based e-mail) and its "EmailTo" values (content-based e-mail).
struct MailAddition {
    const wchar_t* name;
    std::wstring text;
    const wchar_t* separator;
};
std::vector<MailAddition> MailAdditions(const UploaderJob& job) {
    const ContentMailFields& m = *job.mail;
    const std::wstring to = JoinTwo(job.simpleContentEmail ? m.addresses : std::wstring(),
                                    job.contentEmail ? m.to : std::wstring(), kJoinAddresses);
    return {{kEmailTo, to, kJoinAddresses},         {kEmailCc, m.cc, kJoinAddresses},
            {kEmailBcc, m.bcc, kJoinAddresses},     {kEmailSubject, m.subject, kJoinWords},
            {kEmailBody, m.body, kJoinWords},       {kAttachment, m.attachment, kJoinList}};
}

// The record's copy of the settings gets the pages' values after its own.
bool MergeContentMail(const UploaderJob& job, HKEY own) {
    for (const MailAddition& a : MailAdditions(job)) {
        if (a.text.empty()) continue;
        const std::wstring merged = JoinTwo(ReadString(own, a.name).value_or(L""), a.text, a.separator);
        if (!PutText(own, a.name, merged, kEmailWriter)) return false;
    }
    return true;
}

}  // namespace

bool WriteEmailSendingProgramforStartApp(const UploaderJob& job, bool contentBased) {
    TW_TRACE(L"> WriteEmailSendingProgramforStartApp %lu", job.postPrintId);
    UniqueHKey key = OpenRecord(job, kEmailRecords, kEmailWriter);
    if (!key) return false;
    const HKEY k = key.get();
    const std::wstring recordGroup = postprint::RecordGroupFormat(kEmailRecords, job.postPrintId);
    bool ok = PutProgram(job, k, settings::kPostPrintSettings, kEmailProgram32, kEmailWriter) &&
              PutProgram(job, k, settings::kPostPrintSettings, kEmailProgram64, kEmailWriter) &&
              Logged(postprint::SetTextWithoutTerminator(k, kGroupFileName, job.groupFile), kLogGroupFile) &&
              PutText(k, kUserName, job.environment ? job.environment->userName : L"", kEmailWriter) &&
              PutText(k, kComputerName, job.environment ? job.environment->computerName : L"", kEmailWriter);
    if (ok && (job.perJobOptions || contentBased)) {
        // The record carries its own copy: later changes to the printer's settings do not reach it.
        ok = PutText(k, kEmailProgramSettings, FullPath(job, recordGroup), kEmailWriter);
        UniqueHKey own = ok ? CreateKey(k, kEmailSettingsKey, KEY_SET_VALUE | KEY_QUERY_VALUE) : UniqueHKey();
        const std::wstring source = FullPath(
            job, job.perJobOptions ? settings::SaveAsGroupFormat(job.jobId) : std::wstring(settings::kEmailSettings));
        ok = own && CopyValues(job, source, own.get(), kEmailValues, kEmailExpanded, kEmailWriter) &&
             CopyValues(job, FullPath(job, settings::kEmailSettings), own.get(), {settings::kMailvaneData}, {},
                        kEmailWriter);
        // One message for the document: its pages' values join the settings' own. (Per file
        // they go into numbered values instead.)
        if (ok && contentBased && job.mail && !job.multipageContentEmail) ok = MergeContentMail(job, own.get());
    } else if (ok) {
        ok = PutText(k, kEmailProgramSettings, FullPath(job, settings::kPostPrintSettings), kEmailWriter);
    }
    ok = ok && PutDword(k, kFileFormatValue, job.fileFormat, kEmailWriter);
    TW_TRACE_RESULT(L"WriteEmailSendingProgramforStartApp", ok);
    return ok;
}

bool WriteSharePointProgramforStart(const UploaderJob& job) {
    TW_TRACE(L"> WriteSharePointProgramforStart %lu", job.postPrintId);
    UniqueHKey key = OpenRecord(job, kSharePointRecords, kSharePointWriter);
    if (!key) return false;
    const HKEY k = key.get();
    bool ok = PutProgram(job, k, settings::kSharePointSettings, kSharePointUtility, kSharePointWriter);
    if (ok && job.perJobOptions) {
        const std::wstring own =
            postprint::RecordGroupFormat(kSharePointRecords, job.postPrintId) + L"\\" + kSharePointSettingsKey;
        ok = PutText(k, kSharePointUtilitySettings, FullPath(job, own), kSharePointWriter);
        UniqueHKey copy = ok ? CreateKey(k, kSharePointSettingsKey, KEY_SET_VALUE | KEY_QUERY_VALUE) : UniqueHKey();
        ok = copy && CopyValues(job, FullPath(job, settings::SaveAsGroupFormat(job.jobId)), copy.get(),
                                kSharePointValues, kSharePointExpanded, kSharePointWriter);
    } else if (ok) {
        ok = PutText(k, kSharePointUtilitySettings, FullPath(job, settings::kSharePointSettings), kSharePointWriter);
    }
    ok = ok && PutDword(k, kFileFormatValue, job.fileFormat, kSharePointWriter);
    TW_TRACE_RESULT(L"WriteSharePointProgramforStart", ok);
    return ok;
}

bool WritePipeRouteProgramforStart(const UploaderJob& job, const PipeRoute& route, const std::wstring& pipeName) {
    TW_TRACE(L"> %s %lu", route.writer, job.postPrintId);
    UniqueHKey key = OpenRecord(job, route.records, route.writer);
    if (!key) return false;
    const HKEY k = key.get();
    bool ok = PutProgram(job, k, settings::kPostPrintSettings, route.utility, route.writer) &&
              PutDword(k, kFlags, job.outputInMemory ? kFlagsInMemory : kFlagsInFiles, route.writer);
    // Output in memory goes through the route's pipe: the record is whole at once.
    if (ok && job.outputInMemory)
        ok = PutText(k, kGroupFilename, pipeName, route.writer) &&
             Logged(postprint::SetTextWithoutTerminator(k, kReady, kReadyYes), kLogReady);
    TW_TRACE(L"< %s: %s", route.writer, ok ? L"TRUE" : L"FALSE");
    return ok;
}

bool WriteEmailFileEntry(const UploaderJob& job, DWORD page, const std::wstring& fileName) {
    UniqueHKey key = OpenRecord(job, kEmailRecords, kFileWriter);
    return key && PutFileName(key.get(), page, fileName) &&
           Logged(SetDwordValue(key.get(), kCount, page), kLogCount) &&
           Logged(SetStringValue(key.get(), kPrinterName, job.printerName), kLogPrinterName);
}

bool WriteEmailContentEntry(const UploaderJob& job, DWORD page) {
    UniqueHKey key = OpenRecord(job, kEmailRecords, kFileWriter);
    UniqueHKey own = key ? CreateKey(key.get(), kEmailSettingsKey, KEY_SET_VALUE | KEY_QUERY_VALUE) : UniqueHKey();
    if (!own) return false;
    const HKEY k = own.get();
    if (!job.multipageContentEmail || !job.mail) return Logged(SetDwordValue(k, kEmailCount, 0), kLogCount);
    const int n = static_cast<int>(page);
    for (const MailAddition& a : MailAdditions(job)) {
        // The recipients of each file's message include the settings' own; the rest are the file's.
        const std::wstring text =
            a.name == kEmailTo ? JoinTwo(ReadString(k, kEmailTo).value_or(L""), a.text, a.separator) : a.text;
        if (!Logged(SetStringValue(k, FormatW(kPerFileFormat, a.name, n).c_str(), text), kLogAddress)) return false;
    }
    return Logged(SetDwordValue(k, kEmailCount, page), kLogCount);
}

bool WriteSharePointFileEntry(const UploaderJob& job, DWORD page, const std::wstring& fileName) {
    UniqueHKey key = OpenRecord(job, kSharePointRecords, kFileWriter);
    return key && PutFileName(key.get(), page, fileName) && Logged(SetDwordValue(key.get(), kCount, page), kLogCount);
}

bool WriteFtpFileEntry(const UploaderJob& job, DWORD page, const std::wstring& fileName) {
    UniqueHKey key = OpenRecord(job, kFtpRecords, kFileWriter);
    return key && PutFileName(key.get(), page, fileName) &&
           Logged(SetStringValue(key.get(), kFileCount, std::to_wstring(page)), kLogCount);
}

bool WritePipeRouteFileEntry(const UploaderJob& job, const PipeRoute& route, const std::wstring& groupFile) {
    UniqueHKey key = OpenRecord(job, route.records, kFileWriter);
    // "Ready" follows the group file name every time: the group file is whole for the files so far.
    return key && Logged(SetStringValue(key.get(), kGroupFilename, groupFile), kLogGroupFile) &&
           Logged(postprint::SetTextWithoutTerminator(key.get(), kReady, kReadyYes), kLogReady);
}

}  // namespace tw::uploader
