#pragma once
// Tells whether anything below a registry key changed since it was armed: a subkey made or
// removed, or a value set or deleted anywhere beneath it. What was read from below the key stays
// good while Unchanged() says so; one check costs one wait with no time-out.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace tw {

class RegistryWatch {
public:
    // Starts watching `root\subKey` afresh; false when the key cannot be opened or watched (then
    // Unchanged() is false until an Arm succeeds).
    bool Arm(HKEY root, const std::wstring& subKey);
    // True when the watch is armed and nothing below the key changed since.
    bool Unchanged() const;
    // Armed, whatever happened since (no check, no cost).
    bool Armed() const { return m_armed; }
    void Disarm();

private:
    UniqueHKey m_key;
    UniqueKernelObject m_changed;  // manual reset: stays signalled until the next Arm
    bool m_armed = false;
};

}  // namespace tw
