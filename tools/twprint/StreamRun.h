#pragma once
// Several stream files as jobs of one run: each on its own port and job id, printed one after
// another or, with --parallel, all at once on threads of this process, as the spooler runs
// the jobs of many ports. The report holds one entry per job: {"jobs": [...]}.
#include "MonitorSession.h"
#include "Options.h"

namespace twprint {

int RunStreams(MonitorSession& session, const Options& o);
// The port of the run's job `number` (from 1): "TWPRINT:" gives "TWPRINT1:", "TWPRINT2:", ...
std::wstring NumberedPort(const std::wstring& port, size_t number);

}  // namespace twprint
