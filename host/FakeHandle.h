#pragma once
// Handle values for the simulated spooler and event log: non-null, never reused in the process,
// and never a real handle's neighbour, so a handle of one simulation is unknown to every other.
#include <windows.h>

namespace twhost {

HANDLE NextFakeHandle();

}  // namespace twhost
