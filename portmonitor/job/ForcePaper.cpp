#include "job/ForcePaper.h"

#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {

void ApplyForcePaperSettings(TarnwellDEVMODE& dm) {
    using namespace settings;
    auto read = [&](const wchar_t* name, DWORD def) { return ReadDwordOr(&dm, kPageSettings, name, def); };
    if (read(kForcePaperEnabled, kForcePaperEnabledDefault) == 0) return;
    TW_TRACE(L"> ApplyForcePaperSettings");
    dm.Write<short>(dmoff::dmPaperSize, static_cast<short>(read(kForcePaperSize, kForcePaperSizeDefault)));
    DmSetPaperWidth(&dm, static_cast<int>(read(kForcePaperWidth, kForcePaperWidthDefault)));
    DmSetPaperLength(&dm, static_cast<int>(read(kForcePaperHeight, kForcePaperHeightDefault)));
    DmSetXDpi(&dm, static_cast<int>(read(kForcePaperXDpi, kForcePaperXDpiDefault)));
    DmSetYDpi(&dm, static_cast<int>(read(kForcePaperYDpi, kForcePaperYDpiDefault)));
    dm.Write<LONG>(dmoff::PageWidthInPixels,
                   static_cast<LONG>(read(kForcePaperWidthInPixels, kForcePaperWidthInPixelsDefault)));
    dm.Write<LONG>(dmoff::PageHeightInPixels,
                   static_cast<LONG>(read(kForcePaperHeightInPixels, kForcePaperHeightInPixelsDefault)));
}

}  // namespace tw
