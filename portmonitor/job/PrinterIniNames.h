#pragma once
// Sections and keys of the printer driver's data file (the printer INI file) that the job reads.
#include <windows.h>

#include "plugin/TwPlugIn.h"

namespace tw::printerini {

inline constexpr wchar_t kDefaultSettings[] = L"Default Settings";
inline constexpr wchar_t kUppercaseExtensions[] = L"Uppercase Extensions";
inline constexpr wchar_t kPluginFilename[] = L"Plugin Filename";
inline constexpr const wchar_t* kDefaultPlugin = twplugin::kDefaultLibraryName;
inline constexpr wchar_t kEndPageDelay[] = L"EndPage Delay";
inline constexpr wchar_t kStartDocDelay[] = L"StartDoc Delay";
inline constexpr wchar_t kEndDocDelay[] = L"EndDoc Delay";
inline constexpr wchar_t kAlwaysReopenTiff[] = L"Always Reopen TIFF File";
inline constexpr wchar_t kDuplexCapability[] = L"Duplex Capability";
inline constexpr wchar_t kWriteCopies[] = L"Write Number of Copies to Group File";
inline constexpr wchar_t kTextOutputSettings[] = L"Text Output Settings";
inline constexpr wchar_t kDisplayWordCoordinates[] = L"Display Word Coordinates";
inline constexpr wchar_t kLineAdjustment[] = L"Line Adjustment";
inline constexpr wchar_t kPdfSettings[] = L"PDF Settings";
inline constexpr wchar_t kBitmapMergingMode[] = L"Bitmap Merging Mode";
inline constexpr wchar_t kTroubleshootingSettings[] = L"Troubleshooting Settings";
inline constexpr wchar_t kEventLoggingLevel[] = L"Event Logging Level";
inline constexpr int kDefaultEventLoggingLevel = 2;
inline constexpr int kDefaultLineAdjustment = 100;
inline constexpr wchar_t kSharingSettings[] = L"Sharing Settings";
inline constexpr wchar_t kOcrSettings[] = L"OCR Settings";
inline constexpr wchar_t kIgnoreDevMode[] = L"Ignore DEVMODE from clients";
inline constexpr wchar_t kIgnoreExtendedDevMode[] = L"Ignore extended DEVMODE from clients";
inline constexpr wchar_t kBitmapDirectory[] = L"Bitmap Directory";
inline constexpr wchar_t kWriteBitmaps[] = L"Write Bitmaps";
inline constexpr wchar_t kInterfaceName[] = L"InterfaceName";
inline constexpr wchar_t kSessionId[] = L"SessionID";
inline constexpr wchar_t kStartApplicationTimeout[] = L"Start Application Timeout";
inline constexpr wchar_t kMessagingTimeout[] = L"Messaging Timeout";
inline constexpr wchar_t kMessagingTimeout2[] = L"Messaging Timeout 2";
inline constexpr wchar_t kAllowAnisotropicDpi[] = L"Allow Anisotropic DPI";
inline constexpr DWORD kBitmapDirectoryChars = 2048;
inline constexpr wchar_t kPassword[] = L"Password";

}  // namespace tw::printerini
