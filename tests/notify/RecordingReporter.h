#pragma once
// Keeps what the messaging code reports, for the tests to compare.
#include <string>
#include <vector>

#include "notify/MessagingReporter.h"

namespace twtest {

class RecordingReporter final : public tw::IMessagingReporter {
public:
    void MessagingWarning(const std::wstring& text, const std::wstring&) override { warnings.push_back(text); }
    void MessagingLog(int, const std::wstring& text) override { logs.push_back(text); }
    std::vector<std::wstring> warnings, logs;
};

}  // namespace twtest
