#pragma once
// Every fixed text of the diagnostics: the debug switch file and its keys, the two debug logs,
// the event source and its messages, and the error texts the job's reporters build. The
// functions at the end assemble the error texts from these pieces.
#include <windows.h>

#include <string>

namespace tw::diag {

// ---- Debug switch file --------------------------------------------------------------------
inline constexpr const wchar_t* kSwitchFile = L"C:\\PrnDebug.ini";
inline constexpr const wchar_t* kSwitchSection = L"Setting";
inline constexpr const wchar_t* kSwitchDebug = L"Debug";
inline constexpr const wchar_t* kSwitchCaptureLevel = L"Message Capture Log Level";
inline constexpr const wchar_t* kSwitchEdfFile = L"File";
inline constexpr const wchar_t* kSwitchEdfFileDefault = L"C:\\Temp\\PrnDebug.edf";
inline constexpr const wchar_t* kEmfDataSection = L"EMF Data";
inline constexpr const wchar_t* kEmfDataFile = L"File";
// "Debug" writes the installer log only at exactly this value.
inline constexpr int kInstallerLogDebugValue = 1;

// ---- Debug logs ---------------------------------------------------------------------------
inline constexpr const wchar_t* kInstallerLogFile = L"C:\\Temp\\TWDriverInstall.log";
inline constexpr const wchar_t* kInstallerLogPrefix = L"TARNMON: ";
inline constexpr const wchar_t* kCaptureLogFile = L"C:\\Temp\\MessageCapture_PORTMON_DLL.txt";
inline constexpr const wchar_t* kCaptureLogPrefix = L"PortMon dll: ";
// Append, commit on every write, UTF-8 text.
inline constexpr const wchar_t* kLogOpenMode = L"a+c, ccs=UTF-8";
// Messages are expanded into a buffer of this many characters, terminator included.
inline constexpr size_t kLogMessageChars = 2048;

enum LogLevel : int { kLevelOff = 0, kLevelError = 1, kLevelWarning = 2, kLevelInfo = 3, kLevelDebug = 4 };
inline constexpr const wchar_t* kLevelTags[] = {L"[OFF]    ", L"[ERROR]  ", L"[WARNING]", L"[INFO]   ",
                                                L"[DEBUG]  "};

// "%s%s\n": prefix and message, to the debugger.
inline constexpr const wchar_t* kDebuggerLineFormat = L"%s%s\n";
// Seconds, date, time, process id, thread id, prefixed message (already ending in a line end).
inline constexpr const wchar_t* kInstallerLineFormat = L"%.8f %s %s: [%d] [%d] %s";
// Seconds, level tag, date, time, process id, thread id, message.
inline constexpr const wchar_t* kCaptureLineFormat = L"%.8f %s %s %s [PID %d] [TID %d] %s\n";
inline constexpr const wchar_t* kLogDateFormat = L"%02u/%02u/%02u";  // MM/DD/YY
inline constexpr const wchar_t* kLogTimeFormat = L"%02u:%02u:%02u";  // HH:MM:SS

// Banner written once per process before the first enabled log line.
inline constexpr const wchar_t* kProductDisplayName = L"Tarnwell Port Monitor";
inline constexpr const wchar_t* kProductEdition = L" TS";
inline constexpr const wchar_t* kProductVersion = L"1.0.0.0";
inline constexpr const wchar_t* kBannerVersionFormat = L"* %s%s version %s";
inline constexpr const wchar_t* kBannerDevModeFormat = L"* devmode.h version: %d";  // kDevModeVersion
inline constexpr const wchar_t* kBannerModuleFormat = L"* Loading Module: %s";

// ---- Event log ----------------------------------------------------------------------------
inline constexpr const wchar_t* kEventSourceKeyBase = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";
inline constexpr const wchar_t* kEventMessageFileValue = L"EventMessageFile";
inline constexpr const wchar_t* kTypesSupportedValue = L"TypesSupported";
// Error, warning and information.
inline constexpr DWORD kTypesSupported = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

// Message ids of the message table (resources/messages.mc).
inline constexpr DWORD kMsgGeneric = 0x1;
inline constexpr DWORD kMsgPrintFinished = 0x64;
inline constexpr DWORD kMsgPrintAborted = 0x65;
inline constexpr DWORD kMsgPrintError = 0x66;
// Insertion strings: %1 to %10 for every job event, %11 the error or warning text.
inline constexpr WORD kJobEventStrings = 10;
inline constexpr WORD kJobErrorEventStrings = 11;
// Dates and times in events are cut to this many characters.
inline constexpr int kEventDateTimeChars = 256;

// ---- Error texts --------------------------------------------------------------------------
inline constexpr const wchar_t* kInternalErrorLabel = L"Internal error";
inline constexpr const wchar_t* kInternalErrorFormat = L"%s: %d.";
inline constexpr const wchar_t* kErrorCodeEventFormat = L"%d";
inline constexpr const wchar_t* kErrorLocationFormat = L"%S line %d";
inline constexpr const wchar_t* kTiffGroupEntryFormat = L"%d: %S";
inline constexpr const wchar_t* kTiffGroupEntryCodeFormat = L"%d";
inline constexpr const wchar_t* kTiffEventFormat = L"%d; TIFF Error: %d (%S)";
inline constexpr const wchar_t* kTiffEventCodeFormat = L"%d";
inline constexpr const wchar_t* kTiffEventLibraryFormat = L"TIFF Error: %d (%S)";
inline constexpr const wchar_t* kTiffEventLibraryCodeFormat = L"TIFF Error: %d";
inline constexpr const wchar_t* kFormFillerWarningDebugFormat = L"Warning in \"%S\" line %d: %s";
inline constexpr const wchar_t* kFormFillerWarningFormat = L"Warning %s";
inline constexpr const wchar_t* kFormFillerErrorDebugFormat = L"Error in \"%S\" line %d: %s";
inline constexpr const wchar_t* kFormFillerErrorFormat = L"Error %s";

// Group file keys the error reporters write.
inline constexpr const wchar_t* kGroupPrintStatusKey = L"Print status";
inline constexpr const wchar_t* kGroupErrorLocationKey = L"Error Location";
inline constexpr const wchar_t* kGroupTiffErrorKey = L"TIFF Error";

// ---- Builders -----------------------------------------------------------------------------
// Source file names and TIFF library texts are narrow strings; null counts as empty.

// "Internal error: 12." for code 12.
std::wstring InternalErrorText(int code);
// %11 of the error event of an internal error: the code in decimal.
std::wstring InternalErrorEventText(int code);
// "Error Location" entry: "file.cpp line 42".
std::wstring ErrorLocationText(const char* sourceFile, int line);
// "TIFF Error" group-file entry: "7: text", or "7" without text.
std::wstring TiffGroupFileEntry(int tiffCode, const char* tiffText);
// %11 of a TIFF error event.
std::wstring TiffEventText(int code, int tiffCode, const char* tiffText);
// The form filler's warning and error texts; the source location is shown only while
// "Debug" is not 0.
std::wstring FormFillerWarningText(bool withLocation, const char* sourceFile, int line, const wchar_t* message);
std::wstring FormFillerErrorText(bool withLocation, const char* sourceFile, int line, const wchar_t* message);

}  // namespace tw::diag
