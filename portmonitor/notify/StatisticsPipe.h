#pragma once
// The job statistics pipe: one MESSAGE_HEADER and PRINTER_STAT per job, sent by the port at
// EndDocPort to the pipe a statistics collector listens on.
#include <windows.h>

#include <string>
#include <vector>

#include "notify/MessagingReporter.h"

namespace tw {

inline constexpr wchar_t kStatisticsPipeSection[] = L"Statistics Pipe Settings";
inline constexpr wchar_t kStatisticsPipeKey[] = L"Pipe name";
// A busy collector is waited for this long each time.
inline constexpr DWORD kStatisticsBusyWaitMs = 1000;

// "\\.\pipe\" and the "Pipe name" of the driver's data file, or `defaultName` (the job's
// messaging interface name) without one. Empty when neither names a pipe.
std::wstring StatisticsPipeName(const std::wstring& dataFile, const std::wstring& defaultName);

// Writes the header and, when it went whole, the body. False only when the pipe's read mode
// cannot be set; an absent collector is logged only. Writes wait at most `timeouts.wait`, and
// all tries together at most `timeouts.initial`.
BOOL SendStatistics(const std::wstring& pipeName, const std::vector<BYTE>& header, const std::vector<BYTE>& body,
                    const MessagingTimeouts& timeouts, IMessagingReporter& reporter);

}  // namespace tw
