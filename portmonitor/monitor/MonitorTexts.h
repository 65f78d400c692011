#pragma once
// Texts of the monitor front end: registry names, UI texts and installer log lines.

namespace tw::texts {

inline constexpr wchar_t kPortListKey[] = L"PortList";
inline constexpr wchar_t kPortDescription[] = L"Tarnwell Port";
// The value data written for each port: one space, no terminator.
inline constexpr wchar_t kPortValueData[] = L" ";
inline constexpr wchar_t kMonitorsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
inline constexpr wchar_t kMonitorTestValue[] = L"MonitorTest";
inline constexpr wchar_t kMonitorTestData[] = L"Test";

inline constexpr wchar_t kPortIniFile[] = L"TwMonitor.ini";
inline constexpr wchar_t kPortIniSection[] = L"PortName";
inline constexpr wchar_t kPortIniKey[] = L"PortName";
// Installers hold this mutex from writing the name into TwMonitor.ini until the Xcv "AddPort"
// has taken it: the file holds one name, so two installers at once would add one port twice.
inline constexpr wchar_t kPortInstallMutex[] = L"Global\\TarnwellMonitorPortInstall";

inline constexpr wchar_t kMessageCaption[] = L"Message";
inline constexpr wchar_t kNothingToConfigure[] = L"There is nothing to configure on this port";
inline constexpr wchar_t kPortExists[] = L"Cannot add port! The specified port already exists.";

inline constexpr wchar_t kPrintJobAborted[] = L"Print job was aborted";

// Installer log lines.
inline constexpr wchar_t kLogCreateKeyFailed[] = L"! Error: Failed to create key. Error code: %d";
inline constexpr wchar_t kLogCreateListFailed[] = L"CreatePortListFromRegistry failed (return FALSE)";
inline constexpr wchar_t kLogNoPortObject[] = L"! Error: Could not create CTWPortInfo object";
inline constexpr wchar_t kLogInitPortFailed[] = L"! Error: InitializePort failed. Port name: %s, Path: %s";
inline constexpr wchar_t kLogSetValueFailed[] = L"! Error: RegSetValueEx failed. Error code: %d";
inline constexpr wchar_t kLogNoPortName[] = L"! Error: Could not read port name from TwMonitor.ini!";
inline constexpr wchar_t kLogAddPortFailed[] = L"AddPort failed (return FALSE)";
inline constexpr wchar_t kLogAddToRegistryFailed[] = L"AddPortToRegistry failed (return FALSE)";
inline constexpr wchar_t kLogSidEveryone[] = L"! Error: Failed to initialize SID for the Everyone group! Error code: %d";
inline constexpr wchar_t kLogSidAdmins[] =
    L"! Error: Failed to initialize SID for the BUILTIN\\Administrators group! Error code: %d";
inline constexpr wchar_t kLogSidSystem[] = L"! Error: Failed to initialize SID for the local SYSTEM account! Error code: %d";
inline constexpr wchar_t kLogCreateAcl[] = L"! Error: Failed to create ACL! Error code: %d";
inline constexpr wchar_t kLogLocalAlloc[] = L"! Error: LocalAlloc failed! Error code: %d, Bytes: %d";
inline constexpr wchar_t kLogInitSd[] = L"! Error: Failed to initialize Security Descriptor! Error code: %d";
inline constexpr wchar_t kLogSetSdDacl[] = L"! Error: Failed to add ACL to the Security Descriptor! Error code: %d";
inline constexpr wchar_t kLogRegSetKeySecurity[] = L"! Error: RegSetKeySecurity failed! Error code: %d";
inline constexpr wchar_t kLogRegCreateKey2[] = L"! Error: RegCreateKeyEx failed! (2) Error code: %d";
inline constexpr wchar_t kLogRegSetKeySecurity2[] = L"! Error: RegSetKeySecurity failed! (2) Error code: %d";

}  // namespace tw::texts
