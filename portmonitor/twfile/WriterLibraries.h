#pragma once
// The companion libraries a format's writer loads for each file or page, held by the job for
// its whole length: a library loaded and freed per page costs its start-up every page.
#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"

namespace tw {

class TarnwellDEVMODE;

// The libraries the writer of `format` uses, loaded once (those that cannot be loaded are left
// to the writer, which reports them when it needs them).
std::vector<UniqueModule> KeepWriterLibraries(const TarnwellDEVMODE& dm, DWORD format, bool inMemory);

}  // namespace tw
