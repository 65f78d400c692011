#pragma once
// One run of text that the driver sent with the text-out command, kept by the job until the
// text layout takes it.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

struct TWTextRun {
    LONG x = 0;                    // device position of the run
    LONG y = 0;
    std::wstring text;
    int nChars = 0;                // characters in `text`
    int nWidth = 0;                // 8 units per character
    int aLayoutValues[3] = {};     // the fixed values 8, 8, 10 that the text layout applies to these runs
    DWORD addSpace = 2;            // the job's "Add Space" setting when the run arrived
    std::vector<DWORD> charWidths; // one zero-filled width per character
};

}  // namespace tw
