#pragma once
// The command lines of the post-print hand-off: the parameter list the user's "Start
// Application" gets, and the application starter's own command line.
#include <windows.h>

#include <string>
#include <vector>

namespace tw::startapp {

// The parameter kinds of the DEVMODE's list.
enum ParameterKind : WORD {
    kNone = 0,
    kDocumentName = 1,
    kGroupFileName = 2,
    kPrinterName = 3,
    kPageNumber = 4,
    kMultiPage = 5,
    kPortrait = 6,
    kCustomParameter = 7,
    kOutputFileName = 8,
    kUserName = 9,
    kComputerName = 10,
    kSubmissionTime = 11,
    kFirstBates = 12,
    kLastBates = 13,
    kCopies = 14,
    kDatabaseIndex = 15,
};
// Positions 0 to 14 of the list are used.
inline constexpr size_t kUsedPositions = 15;
inline constexpr size_t kCustomParameterChars = 8192;
inline constexpr wchar_t kDatabaseIndexPlaceholder[] = L"{{DATABASE_INDEX}}";
inline constexpr wchar_t kDuplexLongEdge[] = L"-longedge";
inline constexpr wchar_t kDuplexShortEdge[] = L"-shortedge";
inline constexpr wchar_t kDuplexSingleSided[] = L"-singlesided";
// The application starter: "TuMAppTS.exe" in the system directory unless "EXE Name" says otherwise.
inline constexpr wchar_t kDefaultStarter[] = L"TuMAppTS.exe";
inline constexpr wchar_t kStarterExeName[] = L"EXE Name";
inline constexpr wchar_t kStarterArgumentsFormat[] = L"%s %lu,%lu,%d,%s";

// Everything a list can name, taken from the job when the list is built.
struct ParameterValues {
    std::wstring documentName, groupFileName, printerName;
    DWORD pageNumber = 1;
    bool multiPage = false;
    bool portrait = true;
    std::wstring customParameter;
    std::wstring outputFileName;
    std::wstring userName, computerName;
    std::wstring submissionTime;  // local short date, a blank, local time
    std::wstring firstBates, lastBates;
    DWORD copies = 1;
    // The "Duplex Capability" of the driver: one switch follows the list; the DEVMODE's dmDuplex.
    bool duplexCapability = false;
    short duplex = DMDUP_SIMPLEX;
};

// A blank, then the text each kind adds at positions 0 to 14 (quoted kinds: "value" and a blank;
// the custom parameter unquoted with a blank), then the duplex switch when the driver has one.
std::wstring BuildParameterList(const std::vector<WORD>& kinds, const ParameterValues& values);

// The application path cut at its last "\" or ":"; empty when it has neither.
std::wstring WorkingDirectory(const std::wstring& applicationPath);

// "<exe> <job>,<post-print ID>,0,<printer>": a name with a backslash is used as it is, a bare name
// (or the default) is taken from the system directory.
std::wstring StarterCommandLine(const std::wstring& exeName, const std::wstring& systemDirectory, DWORD jobId,
                                DWORD postPrintId, const std::wstring& printerName);

// The submission time as the list shows it (system locale, short date, a blank, time).
std::wstring FormatSubmissionTime(const SYSTEMTIME& localTime);

}  // namespace tw::startapp
