#include "notify/StatisticsPipe.h"

#include "base/IniFile.h"
#include "base/WideString.h"
#include "monitor/DiagnosticTexts.h"
#include "monitor/Trace.h"
#include "notify/ClientPipe.h"
#include "notify/MessagingTexts.h"

namespace tw {
namespace {

constexpr wchar_t kPipePrefix[] = L"\\\\.\\pipe\\";

// The statistics have no kind texts of their own: their failures go to the log only.
class LogOnly final : public IMessagingReporter {
public:
    explicit LogOnly(IMessagingReporter& inner) : m_inner(inner) {}
    void MessagingWarning(const std::wstring& text, const std::wstring& detail) override {
        m_inner.MessagingLog(diag::kLevelWarning, text + L" (" + detail + L")");
    }
    void MessagingLog(int level, const std::wstring& text) override { m_inner.MessagingLog(level, text); }

private:
    IMessagingReporter& m_inner;
};

}  // namespace

std::wstring StatisticsPipeName(const std::wstring& dataFile, const std::wstring& defaultName) {
    std::wstring name = defaultName;
    if (!dataFile.empty()) name = IniFile(dataFile).GetString(kStatisticsPipeSection, kStatisticsPipeKey, defaultName.c_str());
    return name.empty() ? std::wstring() : kPipePrefix + name;
}

BOOL SendStatistics(const std::wstring& pipeName, const std::vector<BYTE>& header, const std::vector<BYTE>& body,
                    const MessagingTimeouts& timeouts, IMessagingReporter& reporter) {
    TW_TRACE(L"> SendStatistics %s", pipeName.c_str());
    if (pipeName.empty()) return TRUE;
    LogOnly logOnly(reporter);
    PipeOpenRequest request;
    request.name = pipeName;
    request.startTick = ::GetTickCount();
    // A busy collector is waited for a second at a time, as long as the messaging time-out lasts.
    request.timeouts = MessagingTimeouts{timeouts.initial, kStatisticsBusyWaitMs};
    CClientPipe client;
    const PipeOpenOutcome opened = client.Open(request, msgtext::kStatistics, logOnly);
    if (opened == PipeOpenOutcome::StateFailed) return FALSE;
    if (opened != PipeOpenOutcome::Opened) return TRUE;

    DWORD error = 0;
    const DWORD written = client.Write(header.data(), static_cast<DWORD>(header.size()), timeouts.wait, error);
    if (written == header.size()) client.Write(body.data(), static_cast<DWORD>(body.size()), timeouts.wait, error);
    if (error) logOnly.MessagingWarning(msgtext::kStatisticsWrite, FormatW(L"%d", static_cast<int>(error)));
    TW_TRACE(L"< SendStatistics: TRUE");
    return TRUE;
}

}  // namespace tw
