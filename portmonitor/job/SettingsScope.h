#pragma once
// One call of the spooler into the monitor reads many settings: each names the printer by the
// registry entry of its ID, and many come from the same few keys. While a SettingsScope lives on
// the thread, PrinterRegistryName looks each printer ID (and device name) up once, and each
// settings key read is opened once (a missing key is remembered as missing). Scopes nest. The keys
// below the settings root stay with the thread after the last scope ends, for the next port
// call, as long as a registry change notification says nothing below the root changed; any
// change there makes the next scope look everything up afresh.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace tw::settings {

class SettingsScope {
public:
    SettingsScope();
    ~SettingsScope();
    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;
};

// A key opened for reading values: the scope's own handle while a scope lives, else one of its own.
class ReadKey {
public:
    explicit operator bool() const { return m_key != nullptr; }
    HKEY get() const { return m_key; }

private:
    friend ReadKey OpenReadKey(HKEY hive, const std::wstring& path);
    UniqueHKey m_owned;
    HKEY m_key = nullptr;
};

ReadKey OpenReadKey(HKEY hive, const std::wstring& path);

// Every write to the settings calls this: a key it made or removed is then opened afresh.
void ForgetReadKeys();
// After waiting for another program: the keys are looked up afresh if anything below the
// settings root changed meanwhile (always, when no change notification is armed).
void RefreshReadKeys();

// Frees the calling thread's looked-up keys (at thread detach).
void ReleaseThreadSettings();

}  // namespace tw::settings
