#pragma once
// The uploader records a job leaves for the application starter and the uploader programs:
// one key per route under the printer's key, named by the post-print ID, and the names of
// their values. The application starter reads them by these names too.
#include <windows.h>

namespace tw::uploader {

// Record keys below the printer key ("%s\<key>\<post-print ID>").
inline constexpr wchar_t kEmailRecords[] = L"Email_TMP";
inline constexpr wchar_t kSharePointRecords[] = L"SharePoint_TMP";
inline constexpr wchar_t kFtpRecords[] = L"TWFTP_TMP";
inline constexpr wchar_t kHttpRecords[] = L"HTTP_TMP";
inline constexpr wchar_t kDatabaseRecords[] = L"DB_TMP";
inline constexpr wchar_t kMFilesRecords[] = L"MFiles_TMP";

// Program path values, each in its record and, with the same name, in the printer's settings.
inline constexpr wchar_t kEmailProgram32[] = L"Email sending program 32bit";
inline constexpr wchar_t kEmailProgram64[] = L"Email sending program 64bit";
inline constexpr wchar_t kSharePointUtility[] = L"SharePoint utility";
inline constexpr wchar_t kFtpProgram[] = L"FTP sending program";
inline constexpr wchar_t kHttpUtility[] = L"HTTP utility";
inline constexpr wchar_t kDatabaseUtility[] = L"Database utility";
inline constexpr wchar_t kMFilesUtility[] = L"M-Files utility";

// Per-file entries.
inline constexpr wchar_t kFileFormat[] = L"File_%d";
inline constexpr wchar_t kCount[] = L"Count";
inline constexpr wchar_t kFileCount[] = L"File Count";
inline constexpr wchar_t kPrinterName[] = L"Printer Name";
inline constexpr wchar_t kGroupFilename[] = L"Group Filename";
inline constexpr wchar_t kReady[] = L"Ready";
inline constexpr wchar_t kReadyYes[] = L"YES";
inline constexpr wchar_t kFlags[] = L"Flags";
inline constexpr wchar_t kFileFormatValue[] = L"File format";

// The e-mail record's own settings, and the per-file values of content-based e-mail in them.
inline constexpr wchar_t kEmailSettingsKey[] = L"Email Settings";
inline constexpr wchar_t kEmailTo[] = L"Email To";
inline constexpr wchar_t kEmailCc[] = L"Email Cc";
inline constexpr wchar_t kEmailBcc[] = L"Email Bcc";
inline constexpr wchar_t kEmailSubject[] = L"Email Subject";
inline constexpr wchar_t kEmailBody[] = L"Email Body";
inline constexpr wchar_t kAttachment[] = L"Attachment";
inline constexpr wchar_t kPerFileFormat[] = L"%s %d";  // value name and file number: "Email To 2"
inline constexpr wchar_t kEmailCount[] = L"Email Count";

// One route as a reader walks them: its record key and the program value(s) it names.
struct RouteNames {
    const wchar_t* records;
    const wchar_t* program;
    const wchar_t* secondProgram;  // null for all but e-mail
};
inline constexpr RouteNames kRoutes[] = {
    {kEmailRecords, kEmailProgram32, kEmailProgram64}, {kSharePointRecords, kSharePointUtility, nullptr},
    {kFtpRecords, kFtpProgram, nullptr},               {kHttpRecords, kHttpUtility, nullptr},
    {kDatabaseRecords, kDatabaseUtility, nullptr},     {kMFilesRecords, kMFilesUtility, nullptr},
};

}  // namespace tw::uploader
