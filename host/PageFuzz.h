#pragma once
// Renders damaged pages through the real page rendering (CEMFImage, raster and vector paths)
// for a job on a simulated printer, and judges each result: a page rendered to the size the
// DEVMODE gives, or a failure the job reported. Anything else is a wrong result.
#include <windows.h>

#include <string>

#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "host/PageDamage.h"
#include "emfimage/PagePlayer.h"

namespace twhost {

enum class FuzzVerdict {
    Rendered,     // a whole page of the expected size
    Refused,      // failed, and the failure went through the job's error handling
    WrongResult,  // success with a page that is not whole, or a failure nobody was told of
};

struct FuzzResult {
    FuzzVerdict verdict = FuzzVerdict::WrongResult;
    std::wstring why;  // for wrong results and refusals: what was seen
    DWORD ms = 0;      // time the page took
};

const wchar_t* FuzzVerdictName(FuzzVerdict verdict);

class PageFuzzRenderer {
public:
    // A page's playback budget in the fuzzer: far below the monitor's own, so that a page that
    // would run on for minutes shows as refused in seconds.
    static constexpr DWORD kPageTimeMs = 5000;

    PageFuzzRenderer();
    ~PageFuzzRenderer();
    PageFuzzRenderer(const PageFuzzRenderer&) = delete;
    PageFuzzRenderer& operator=(const PageFuzzRenderer&) = delete;

    // Case `index` picks the output depth and, for EMF pages, whether the vector path (page
    // turned, so every record is replayed) runs after the raster one.
    FuzzResult Render(const DamagedPage& page, uint64_t index);

private:
    FuzzResult Raster(const DamagedPage& page, const tw::TarnwellDEVMODE& dm);
    FuzzResult Vector(const DamagedPage& page, const tw::TarnwellDEVMODE& dm);

    HostEnvironment m_env;
    std::wstring m_printer;
    DevModeBuilder m_builder;
    tw::PlaybackLimits m_limits;
};

}  // namespace twhost
