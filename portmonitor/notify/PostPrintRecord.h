#pragma once
// The post-print record a job leaves for the application starter under the printer's key,
// named by the job's post-print ID, and the ID itself. The starter reads the record in the
// printing user's session and starts what it names; "Ready" = "YES" tells it the record is whole.
#include <windows.h>

#include <optional>
#include <string>

#include "base/UniqueHandle.h"

namespace tw {

class TarnwellDEVMODE;

namespace postprint {

// Directly under the printer key and in the per-job key "%s\<job id>".
inline constexpr wchar_t kLastPostPrintId[] = L"LastPostPrintID";

// Record keys below the printer key, one per hand-off route; the post-print ID follows.
inline constexpr wchar_t kPostPrintRecords[] = L"PostPrint_TMP";

// Values of the post-print record.
inline constexpr wchar_t kCommandLine[] = L"Command Line";
inline constexpr wchar_t kServer[] = L"Server";
inline constexpr wchar_t kFlags[] = L"Flags";
inline constexpr wchar_t kMessagingInterface[] = L"MessagingInterface";
inline constexpr wchar_t kPostPrintFlags[] = L"Post Print Flags";
inline constexpr wchar_t kOutputFolder[] = L"Output folder";
inline constexpr wchar_t kOutputFilename[] = L"Output Filename";
inline constexpr wchar_t kOcrOutput[] = L"OCR Output";
inline constexpr wchar_t kOcrTextEditor[] = L"OCR Text Editor";
inline constexpr wchar_t kReady[] = L"Ready";
inline constexpr wchar_t kJobStatus[] = L"Job Status";

// Handshake and status texts.
inline constexpr wchar_t kReadyYes[] = L"YES";
inline constexpr wchar_t kReadyAbort[] = L"Abort";
inline constexpr wchar_t kJobStarted[] = L"Job Started";
inline constexpr wchar_t kJobFinished[] = L"Job Finished";
inline constexpr wchar_t kJobAborted[] = L"Aborted";

// "Global\<messaging interface name>_<job id>": the event a started program signals once it is ready.
inline constexpr wchar_t kReadyEventFormat[] = L"Global\\%s_%lu";

// Post-print action bits ("Post Print Flags").
namespace action {
inline constexpr DWORD OpenFolder = 0x001;
inline constexpr DWORD Email = 0x002;
inline constexpr DWORD View = 0x004;
inline constexpr DWORD SharePoint = 0x008;
inline constexpr DWORD OpenOcr = 0x010;
inline constexpr DWORD Ftp = 0x020;
inline constexpr DWORD Http = 0x040;
inline constexpr DWORD Database = 0x080;
inline constexpr DWORD MFiles = 0x100;
}  // namespace action

// Log lines of the record writer.
// The writer's name comes first in the two key texts ("WriteProcessDataToRegistry").
inline constexpr wchar_t kLogCannotOpenRoot[] = L"%s:Cannot open subkey: %s. Error: %d";
inline constexpr wchar_t kLogCannotCreate[] = L"%s: Cannot create key: %s. Error: %d";
inline constexpr wchar_t kRecordWriter[] = L"WriteProcessDataToRegistry";
inline constexpr wchar_t kLogSetFailed[] = L"WriteProcessDataToRegistry: Error set '%s' value. Error: %d";
inline constexpr wchar_t kLogNoCommandLine[] = L"WriteProcessDataToRegistry: Command line is NULL.";
inline constexpr wchar_t kLogNoApplicationPath[] = L"WriteProcessDataToRegistry: Application path is NULL.";
inline constexpr wchar_t kLogAborted[] = L"WriteProcessDataToRegistry: record %lu reads 'Abort'; left alone";

// The group format of a route's record: "%s\<route>\<post-print ID>".
std::wstring RecordGroupFormat(const wchar_t* route, DWORD postPrintId);

// What one call writes into the post-print record, in this order; an empty optional is not written.
struct PostPrintValues {
    std::optional<std::wstring> commandLine;
    std::optional<std::wstring> server;
    DWORD flags = 0;
    std::wstring messagingInterface;
    DWORD postPrintFlags = 0;
    std::optional<std::wstring> outputFolder;
    std::optional<std::wstring> outputFilename;
    std::optional<std::wstring> ocrOutput;
    std::optional<std::wstring> ocrTextEditor;
};

// Gives the job the next ID: "LastPostPrintID" + 1 (0 when there is none), written back and kept
// as "PostPrintID" of the per-job key. Not locked: two jobs starting together may share one.
std::optional<DWORD> AllocatePostPrintId(const TarnwellDEVMODE* dm, DWORD jobId);
// Writes the record's values, then "Ready" = "YES". A record whose "Ready" reads "Abort" is left
// as it is (false). The first write that fails ends it, with a log line naming the value.
bool WriteProcessDataToRegistry(const TarnwellDEVMODE* dm, DWORD postPrintId, const PostPrintValues& values);
// "Job Status" of the record; a record that reads "Abort" is left alone.
bool WriteJobStatus(const TarnwellDEVMODE* dm, DWORD postPrintId, const wchar_t* status);
// Deletes the per-job key "%s\<job id>" (nothing for job 0 or no printer name).
bool DeleteJobKey(const TarnwellDEVMODE* dm, DWORD jobId);
// Opens "SOFTWARE\Tarnwell Software LLC" and creates the record key `groupFormat` below it,
// logging with the writer's texts; `writer` names the caller in the log line.
UniqueHKey CreateRecordKey(const TarnwellDEVMODE* dm, const std::wstring& groupFormat, const wchar_t* writer);
// A REG_SZ written as its characters alone, without the terminator.
LSTATUS SetTextWithoutTerminator(HKEY key, const wchar_t* name, const std::wstring& text);
// True when the key's "Ready" value reads "Abort" (any case).
bool IsAborted(HKEY key);

}  // namespace postprint
}  // namespace tw
