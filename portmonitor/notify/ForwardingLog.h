#pragma once
// The forwarding program's log file ("Redirect Printing Log File"), checked when a job starts so
// that the user learns of a log that cannot be written before the pages are forwarded.
#include <windows.h>

#include <optional>
#include <string>

namespace tw {

class TarnwellDEVMODE;

namespace forwarding {

inline constexpr wchar_t kRedirectPrintingLogFile[] = L"Redirect Printing Log File";
inline constexpr wchar_t kCannotWriteLog[] = L"Cannot write log for printer redirection: ";

// The configured log file; empty when none is set.
std::wstring LogFilePath(const TarnwellDEVMODE* dm);
// Whether forwarding logs are wanted ("Enable Redirect Printing Log").
bool LogWanted(const TarnwellDEVMODE* dm);
// The message for a log file that cannot be opened for writing (an empty path included);
// nothing when it can. A file that did not exist is not left behind.
std::optional<std::wstring> CheckLogFile(const std::wstring& path);

}  // namespace forwarding
}  // namespace tw
