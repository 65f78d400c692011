#pragma once
// What the stand-in plug-in does, read from its own INI file on every call so that a test can
// change it between jobs while the library stays loaded.
#include <windows.h>

#include <string>

namespace twplugin {

// Names in the behaviour INI file.
inline constexpr wchar_t kIniPathVariable[] = L"TW_PLUGIN_INI";  // overrides the file's location
inline constexpr wchar_t kIniFileName[] = L"TwPlugIn.ini";       // next to the library otherwise
inline constexpr wchar_t kSection[] = L"Behaviour";
inline constexpr wchar_t kDeclineDocumentKey[] = L"DeclineDocument";
inline constexpr wchar_t kDeclineStartPageKey[] = L"DeclineStartPage";
inline constexpr wchar_t kDeclineEndPageKey[] = L"DeclineEndPage";
inline constexpr wchar_t kDeclineEndDocKey[] = L"DeclineEndDoc";
inline constexpr wchar_t kLogKey[] = L"Log";

struct Behaviour {
    bool bDeclineDocument = false;
    DWORD dwDeclineStartPage = 0;  // the document's Nth TwStartPage call fails; 0 for none
    DWORD dwDeclineEndPage = 0;    // TwEndPage for this page number fails; 0 for none
    bool bDeclineEndDoc = false;
    std::wstring logPath;          // empty: no log
};

// The INI file in force: the variable's value when set, else the file beside this library.
std::wstring BehaviourIniPath();
// A missing file or key gives the default: accept everything, log nothing.
Behaviour ReadBehaviour();

}  // namespace twplugin
