#pragma once
// Writes a run's settings (registry values in HKEY_CURRENT_USER, the driver's data file) and
// remembers what it changed, so that the run leaves the machine as it found it: when it ends,
// however it ends, values get their old data back or go, and what it created goes.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "SettingArgument.h"

namespace twprint {

class SettingsWriter {
public:
    SettingsWriter() = default;
    // Undoes everything unless Keep() was called; what cannot be undone is reported on stderr.
    ~SettingsWriter();
    SettingsWriter(const SettingsWriter&) = delete;
    SettingsWriter& operator=(const SettingsWriter&) = delete;

    // Writes value `name` of HKCU\sharedPath\ownPath, creating the keys that are missing. Keys
    // of `sharedPath` that this creates are removed afterwards only when empty (others use them
    // too); keys of `ownPath` that this creates are removed with everything beneath them, which
    // includes what the monitor wrote there during the run. False with a reason.
    bool SetValue(const std::wstring& sharedPath, const std::wstring& ownPath, const std::wstring& name, DWORD type,
                  const std::vector<BYTE>& data, std::wstring& error);

    // Creates HKCU\sharedPath\ownPath with its last key volatile (no lasting key can be made
    // beneath it), removed afterwards; a key that is there already is refused. False with a reason.
    bool CreateVolatileKey(const std::wstring& sharedPath, const std::wstring& ownPath, std::wstring& error);

    // Creates the file anew (UTF-16, so any text survives) with these entries; a file that was
    // there before gets its old bytes back afterwards. One file per writer.
    bool WriteIniFile(const std::wstring& path, const std::vector<IniSetting>& entries, std::wstring& error);

    // Leaves everything written in place.
    void Keep() { m_keep = true; }
    // Undoes what was written, once; one line per failure in `problems`.
    void Restore(std::vector<std::wstring>& problems);

private:
    struct CreatedKey {
        std::wstring path;  // below HKCU
        bool wholeTree = false;
    };
    struct ValueBackup {
        std::wstring keyPath, name;
        std::optional<DWORD> oldType;  // none: the value did not exist
        std::vector<BYTE> oldData;
    };
    struct FileBackup {
        std::wstring path;
        std::optional<std::vector<BYTE>> oldBytes;  // none: the file did not exist
    };

    bool CreateKeys(const std::wstring& path, size_t ownFrom, std::wstring& error);
    bool BackUpValue(const std::wstring& keyPath, const std::wstring& name, std::wstring& error);
    void RestoreValues(std::vector<std::wstring>& problems);
    void RemoveKeys(std::vector<std::wstring>& problems);
    void RestoreFile(std::vector<std::wstring>& problems);

    std::vector<CreatedKey> m_createdKeys;  // in the order created
    std::vector<ValueBackup> m_values;      // first write of each value, in order
    std::optional<FileBackup> m_file;
    bool m_keep = false;
};

}  // namespace twprint
