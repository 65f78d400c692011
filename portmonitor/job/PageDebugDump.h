#pragma once
// Where the job dumps each page for troubleshooting: "PrnDebug.edf" in the printer's "Debug
// Logging Directory" when its "Debug Logging Enable" is on, and the debug switch file's
// dump file while its "Debug" is not 0.
#include <string>
#include <vector>

namespace tw {

class TarnwellDEVMODE;
class DebugSwitches;

inline constexpr wchar_t kCannotWriteEdfFile[] = L"Cannot write EDF file: ";

// The dump files for the printer of `dm`, each once, the printer's own first. Creates the
// printer's debug directory when it is missing.
std::vector<std::wstring> EdfDumpFiles(const TarnwellDEVMODE* dm, const DebugSwitches& switches);

}  // namespace tw
