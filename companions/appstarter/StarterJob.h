#pragma once
// One run of the application starter for one job: wait for the post-print record, start the
// user's "Start Application" when the record says so, log the hand-offs, remove the records.
#include "JobRecords.h"
#include "StarterLog.h"

namespace appstarter {

// Exit codes (README.md).
inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTimedOut = 3;
inline constexpr int kExitAborted = 4;

int RunStarter(const StarterArguments& args, const JobRecords& records, StarterLog& log);

}  // namespace appstarter
