#include "job/MessagingIdGuard.h"

#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"

namespace tw::settings {

MessagingIdGuard::MessagingIdGuard(const TarnwellDEVMODE* dm) : m_pDevMode(dm) {
    TW_TRACE(L"> MessagingIdGuard::MessagingIdGuard");
    if (!dm || !ReadYesFlag(dm, kMessagingInterfaceSettings, kUseWindowsSessionId)) return;
    // Without a stored identifier there is nothing of the job's to keep; writing a made-up 0
    // back would invent a setting.
    DWORD id = 0;
    if (ReadDword(HKEY_CURRENT_USER, dm, kRoot, kMessagingInterfaceSettings, kMessagingInterfaceId, id)) m_saved = id;
    TW_TRACE(L"< MessagingIdGuard::MessagingIdGuard: %s", m_saved ? L"saved" : L"nothing saved");
}

MessagingIdGuard::~MessagingIdGuard() {
    if (!m_bRestored) Restore();
}

std::optional<DWORD> MessagingIdGuard::Restore() {
    TW_TRACE(L"> MessagingIdGuard::Restore");
    m_bRestored = true;
    if (!m_saved) return std::nullopt;
    if (!WriteDword(m_pDevMode, kRoot, kMessagingInterfaceSettings, kMessagingInterfaceId, *m_saved))
        TW_TRACE_FAILED(L"MessagingIdGuard::Restore", L"WriteDword");
    return m_saved;
}

}  // namespace tw::settings
