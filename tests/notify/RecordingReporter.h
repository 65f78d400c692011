#pragma once
// Keeps what the messaging code reports, for the tests to compare.
#include <algorithm>
#include <string>
#include <vector>

#include "notify/MessagingReporter.h"

namespace twtest {

class RecordingReporter final : public tw::IMessagingReporter {
public:
    void MessagingWarning(const std::wstring& text, const std::wstring&) override { warnings.push_back(text); }
    void MessagingLog(int, const std::wstring& text) override { logs.push_back(text); }
    // With `giveUp`, as the job does: a pipe that let a message time out is given up.
    void ClientTimedOut(const std::wstring& pipe) override { timedOut.push_back(pipe); }
    bool ClientGivenUp(const std::wstring& pipe) const override {
        return giveUp && std::find(timedOut.begin(), timedOut.end(), pipe) != timedOut.end();
    }
    bool giveUp = false;
    std::vector<std::wstring> warnings, logs, timedOut;
};

}  // namespace twtest
