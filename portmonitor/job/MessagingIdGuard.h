#pragma once
// Keeps the printer's "Messaging Interface ID" across the creation of a printer device context.
// Creating the DC runs the printer driver's own code, which may store an identifier of its own;
// the job must keep the one it started with. Construct the guard just before CreateDCW and call
// Restore() once the DC exists.
#include <windows.h>

#include <optional>

namespace tw {
class TarnwellDEVMODE;

namespace settings {

class MessagingIdGuard {
public:
    // Saves the identifier when the printer's "Use Windows Session ID" is "yes". A null record
    // saves nothing.
    explicit MessagingIdGuard(const TarnwellDEVMODE* dm);
    // Writes the saved identifier back if Restore() was never called: the driver may have run
    // even when the DC could not be made.
    ~MessagingIdGuard();
    MessagingIdGuard(const MessagingIdGuard&) = delete;
    MessagingIdGuard& operator=(const MessagingIdGuard&) = delete;

    // Writes the saved identifier back and returns it for the job's messaging-interface field;
    // none when nothing was saved (flag off, or no identifier stored).
    std::optional<DWORD> Restore();
    std::optional<DWORD> Saved() const { return m_saved; }

private:
    const TarnwellDEVMODE* m_pDevMode;
    std::optional<DWORD> m_saved;
    bool m_bRestored = false;
};

}  // namespace settings
}  // namespace tw
