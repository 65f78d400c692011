#pragma once
// Puts a run's --set and --ini settings where the monitor will look for them: below the
// printer's key in the registry and in the driver's data file that the spooler hands out.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Options.h"
#include "SettingsWriter.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace twprint {

// The DEVMODE that the stream's START_DOC carries, when it carries a whole one.
std::optional<tw::TarnwellDEVMODE> StartDocDevMode(const std::vector<BYTE>& stream);

// The data file twprint makes for a run: in the temp directory, named after printer and job.
std::wstring DataFilePath(const std::wstring& printer, unsigned long jobId);

// Writes the settings through `writer`; `dm` is the job's DEVMODE (null when the stream has
// none), from which the printer registry name is computed as the monitor computes it.
// `dataFile` is the file written, empty without --ini. False with a reason.
bool WriteRunSettings(const Options& o, const tw::TarnwellDEVMODE* dm, SettingsWriter& writer, std::wstring& dataFile,
                      std::wstring& error);

}  // namespace twprint
