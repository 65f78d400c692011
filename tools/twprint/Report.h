#pragma once
// twprint's JSON report of one run.
#include <string>
#include <vector>

#include "JobRecorder.h"
#include "MonitorSession.h"
#include "ReceivedMessage.h"

namespace twprint {

struct RunFacts {
    DWORD jobId = 0;
    std::vector<ReceivedMessage> messages;  // what the listening client received, in order
    DWORD eventThread = 0;  // only the events this thread reported; 0: every event
};

std::string BuildReport(MonitorSession& session, const JobRecorder& recorder, const RunFacts& facts);
// Writes to `target`, or to standard output for "-"; false when the file cannot be written.
bool WriteReport(const std::wstring& target, const std::string& json);

}  // namespace twprint
