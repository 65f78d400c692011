#pragma once
// The debug switch file ("C:\PrnDebug.ini"): switches for the two debug logs, the "Error
// Location" entries and the page dumps. The values are read once, when the object is made.
#include <windows.h>

#include <string>

#include "monitor/DiagnosticTexts.h"

namespace tw {

class DebugSwitches {
public:
    // Reads `switchFile`; a missing file or key gives the defaults.
    explicit DebugSwitches(std::wstring switchFile = diag::kSwitchFile);

    const std::wstring& SwitchFile() const { return m_szSwitchFile; }
    // "Debug" of section "Setting".
    int Debug() const { return m_nDebug; }
    // "Message Capture Log Level": the highest level the message capture log writes.
    int MessageCaptureLevel() const { return m_nCaptureLevel; }
    // "File" of section "Setting": where a page dump goes while "Debug" is not 0.
    const std::wstring& EdfFile() const { return m_szEdfFile; }
    // "File" of section "EMF Data": a page dump to read pages from instead of the spool data.
    const std::wstring& EmfDataFile() const { return m_szEmfDataFile; }

    bool InstallerLogEnabled() const { return m_nDebug == diag::kInstallerLogDebugValue; }
    bool ErrorLocationEnabled() const { return m_nDebug != 0; }

private:
    std::wstring m_szSwitchFile;
    int m_nDebug = 0;
    int m_nCaptureLevel = 0;
    std::wstring m_szEdfFile;
    std::wstring m_szEmfDataFile;
};

}  // namespace tw
