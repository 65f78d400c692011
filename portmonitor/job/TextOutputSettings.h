#pragma once
// The text output settings a job takes at StartDoc for its text collector.
#include <windows.h>

#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

struct TextOutputSettings {
    bool filterJunkCharacters = false;
    bool useLegacyCoordinates = false;
    bool pageHeadings = true;  // "No Page Headers" is "no"
    bool generateInMemory = false;  // the text goes to the clients (message 10), not to a file
    DWORD glyphConversionMethod = 0;
    DWORD lineBreaks = 1;
    DWORD addSpace = 2;
    DWORD characterRows = 62;
    DWORD characterColumns = 80;
    // Margins in pixels at the job's resolution.
    int marginTop = 0, marginLeft = 0, marginBottom = 0, marginRight = 0;
};

// Reads "%s\Text Output Settings" and converts the margins from "Margin Units" (0: hundredths
// of an inch, 1: tenths of a millimetre) to pixels.
TextOutputSettings ReadTextOutputSettings(const TarnwellDEVMODE* dm);

}  // namespace tw
