#pragma once
// The uploader records of a job (e-mail, SharePoint, FTP, HTTP, database, M-Files): written at
// the start of the document under the job's post-print ID, with one entry per finished file.
// Every writer leaves a record whose "Ready" reads "Abort" alone, logs its first failure and
// stops there; the job goes on either way.
#include <windows.h>

#include <string>

#include "job/ContentMail.h"
#include "notify/JobEnvironment.h"
#include "notify/UploaderRecordNames.h"

namespace tw {

class TarnwellDEVMODE;

namespace uploader {

// What every writer needs from the job.
struct UploaderJob {
    const TarnwellDEVMODE* dm = nullptr;
    DWORD jobId = 0;
    DWORD postPrintId = 0;
    const JobEnvironment* environment = nullptr;
    bool perJobOptions = false;   // the Save-As answers of the job apply
    bool outputInMemory = false;
    DWORD fileFormat = 0;         // the job's effective output format code
    std::wstring groupFile;       // the main group file
    std::wstring printerName;     // the spooler's printer name
    // Content-based e-mail: the kinds that are on, and what the pages gave.
    bool contentEmail = false, simpleContentEmail = false, multipageContentEmail = false;
    const ContentMailFields* mail = nullptr;
};

// The three routes that may receive their output through a pipe instead of files.
struct PipeRoute {
    const wchar_t* records;
    const wchar_t* utility;
    const wchar_t* writer;  // the writer's name in its log lines
};
inline constexpr PipeRoute kHttpRoute{kHttpRecords, kHttpUtility, L"WriteHTTPProgramforStart"};
inline constexpr PipeRoute kDatabaseRoute{kDatabaseRecords, kDatabaseUtility, L"WriteDBProgramforStart"};
inline constexpr PipeRoute kMFilesRoute{kMFilesRecords, kMFilesUtility, L"WriteMFilesProgramforStart"};

bool WriteEmailSendingProgramforStartApp(const UploaderJob& job, bool contentBased);
bool WriteSharePointProgramforStart(const UploaderJob& job);
// `connection`: the selected FTP connection, a number above 0.
bool WriteFTPProgramforStart(const UploaderJob& job, int connection);
// HTTP, database or M-Files; `pipeName` is the route's pipe for output in memory.
bool WritePipeRouteProgramforStart(const UploaderJob& job, const PipeRoute& route, const std::wstring& pipeName);

// Per finished file, `page` being the file's page number.
bool WriteEmailFileEntry(const UploaderJob& job, DWORD page, const std::wstring& fileName);
// Content-based e-mail: with "Multipage Content Based Email" the file's own recipients, subject,
// body and attachments and "Email Count" = `page` in the record's "Email Settings"; otherwise
// "Email Count" = 0 there.
bool WriteEmailContentEntry(const UploaderJob& job, DWORD page);
bool WriteSharePointFileEntry(const UploaderJob& job, DWORD page, const std::wstring& fileName);
bool WriteFtpFileEntry(const UploaderJob& job, DWORD page, const std::wstring& fileName);
// "Group Filename" (the route's own group file, else the main one), then "Ready" = "YES" again.
bool WritePipeRouteFileEntry(const UploaderJob& job, const PipeRoute& route, const std::wstring& groupFile);

// FTP port and proxy port when the settings leave them at 0.
int DefaultFtpPort(int securityMode);
int DefaultProxyPort(int proxyType);

}  // namespace uploader
}  // namespace tw
