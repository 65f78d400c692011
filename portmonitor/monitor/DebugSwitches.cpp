#include "monitor/DebugSwitches.h"

#include "base/IniFile.h"
#include "monitor/Trace.h"

namespace tw {

DebugSwitches::DebugSwitches(std::wstring switchFile) : m_szSwitchFile(std::move(switchFile)) {
    TW_TRACE(L"> DebugSwitches::DebugSwitches");
    IniFile ini(m_szSwitchFile);
    m_nDebug = ini.GetInt(diag::kSwitchSection, diag::kSwitchDebug, 0);
    m_nCaptureLevel = ini.GetInt(diag::kSwitchSection, diag::kSwitchCaptureLevel, 0);
    m_szEdfFile = ini.GetString(diag::kSwitchSection, diag::kSwitchEdfFile, diag::kSwitchEdfFileDefault);
    m_szEmfDataFile = ini.GetString(diag::kEmfDataSection, diag::kEmfDataFile, L"");
    TW_TRACE(L"< DebugSwitches::DebugSwitches: Debug=%d, Capture=%d", m_nDebug, m_nCaptureLevel);
}

}  // namespace tw
