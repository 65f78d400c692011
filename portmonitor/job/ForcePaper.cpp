#include "job/ForcePaper.h"

#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {
namespace names {
constexpr wchar_t kEnabled[] = L"Force Paper Enabled";
constexpr wchar_t kSize[] = L"Force Paper Size";
constexpr wchar_t kWidth[] = L"Force Paper Width";
constexpr wchar_t kHeight[] = L"Force Paper Height";
constexpr wchar_t kXDpi[] = L"Force Paper X DPI";
constexpr wchar_t kYDpi[] = L"Force Paper Y DPI";
constexpr wchar_t kWidthPixels[] = L"Force Paper Width in Pixels";
constexpr wchar_t kHeightPixels[] = L"Force Paper Height in Pixels";
}  // namespace names
}  // namespace

void ApplyForcePaperSettings(TarnwellDEVMODE& dm) {
    using settings::ReadDwordOr;
    using settings::kPageSettings;
    if (ReadDwordOr(&dm, kPageSettings, names::kEnabled, 0) == 0) return;
    TW_TRACE(L"> ApplyForcePaperSettings");
    dm.Write<short>(dmoff::dmPaperSize, static_cast<short>(ReadDwordOr(&dm, kPageSettings, names::kSize, 1)));
    DmSetPaperWidth(&dm, static_cast<int>(ReadDwordOr(&dm, kPageSettings, names::kWidth, 2159)));
    DmSetPaperLength(&dm, static_cast<int>(ReadDwordOr(&dm, kPageSettings, names::kHeight, 2794)));
    DmSetXDpi(&dm, static_cast<int>(ReadDwordOr(&dm, kPageSettings, names::kXDpi, 300)));
    DmSetYDpi(&dm, static_cast<int>(ReadDwordOr(&dm, kPageSettings, names::kYDpi, 300)));
    dm.Write<LONG>(dmoff::PageWidthInPixels,
                   static_cast<LONG>(ReadDwordOr(&dm, kPageSettings, names::kWidthPixels, 2550)));
    dm.Write<LONG>(dmoff::PageHeightInPixels,
                   static_cast<LONG>(ReadDwordOr(&dm, kPageSettings, names::kHeightPixels, 3300)));
}

}  // namespace tw
