#pragma once
// What the application starter reads and removes in the printing user's hive: the arguments the
// monitor started it with, its own settings, the job's post-print record and uploader records.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appstarter {

// "<job id>,<post-print ID>,0,<printer name>": the monitor's command line after the program.
struct StarterArguments {
    DWORD jobId = 0;
    DWORD postPrintId = 0;
    std::wstring printerName;
};
std::optional<StarterArguments> ParseArguments(std::wstring_view text);
// The command line after the program's own name (quoted or not) and the blanks after it.
std::wstring_view ArgumentsOf(std::wstring_view commandLine);

// Values of "%s\Application Starter" (README.md).
inline constexpr wchar_t kLogFileSetting[] = L"Log File";
inline constexpr wchar_t kReadyTimeoutSetting[] = L"Ready Timeout";      // seconds
inline constexpr wchar_t kProgramTimeoutSetting[] = L"Program Timeout";  // seconds
inline constexpr DWORD kDefaultReadyTimeoutSeconds = 600;
inline constexpr DWORD kDefaultProgramTimeoutSeconds = 30;

// The post-print record as the starter sees it at one moment.
struct PostPrintRecord {
    bool exists = false;
    std::wstring ready, jobStatus;
    std::optional<std::wstring> commandLine, server;
    DWORD flags = 0, postPrintFlags = 0;
    std::wstring messagingInterface, outputFolder, outputFilename, ocrOutput, ocrTextEditor;
};

// The cover page editor's launch record ("FormFiller_TMP\<ID>") as the starter sees it.
struct FormFillerLaunch {
    bool exists = false;
    std::wstring ready, editor, commandLine;
};

class JobRecords {
public:
    // `printerName` is the spooler's; the records live under the printer's registry name.
    JobRecords(const std::wstring& printerName, DWORD jobId, DWORD postPrintId);

    const std::wstring& RegistryName() const { return m_registryName; }
    DWORD SettingDword(const wchar_t* name, DWORD def) const;
    std::optional<std::wstring> SettingText(const wchar_t* name) const;

    PostPrintRecord ReadPostPrint() const;
    FormFillerLaunch ReadFormFillerLaunch() const;
    // The monitor deletes the per-job key when the job has ended (or it holds another job's ID).
    bool JobEnded() const;
    // One line per uploader record: the program it names and what it would be handed.
    std::vector<std::wstring> DescribeUploads() const;
    // Removes the post-print and uploader records of the ID, except those whose "Ready" reads
    // "Abort": another reader has claimed them.
    void Remove() const;

private:
    std::wstring RecordPath(const wchar_t* route) const;
    std::wstring m_printerKey, m_registryName;
    DWORD m_jobId, m_postPrintId;
};

}  // namespace appstarter
