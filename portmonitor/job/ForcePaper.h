#pragma once
// "Force Paper" settings of the printer: when enabled they replace the paper, resolution and
// pixel size of every record the job adopts.
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

void ApplyForcePaperSettings(TarnwellDEVMODE& dm);

}  // namespace tw
