#pragma once
// The cover page form filler's names, settings and numbered messages, each in one place.
#include <windows.h>

namespace tw::formfiller {

// ---- Files in the filler directory.
inline constexpr wchar_t kEditorName[] = L"Cover Page Filler.exe";
inline constexpr wchar_t kImagingLibrary[] = L"TwImg1x.dll";
inline constexpr wchar_t kAnnotationLibrary[] = L"TwAnnox.dll";
inline constexpr wchar_t kBlankLibrary[] = L"TwDibx.dll";
inline constexpr wchar_t kImaging2Library[] = L"TwImg2x.dll";
inline constexpr wchar_t kImaging3Library[] = L"TwImg3x.dll";
inline constexpr wchar_t kColourLibrary[] = L"lcms2x.dll";

// ---- Kernel object names: prefix, job id (the map as the monitor opens it: session id first).
inline constexpr wchar_t kNameGuid[] = L"{22A6A404-F0A0-4CF3-8166-67755E3E0FC3}";
inline constexpr wchar_t kCreateEventFormat[] = L"Global\\%s_%d_CreateEvent";
inline constexpr wchar_t kDoneEventFormat[] = L"Global\\%s_%d_DoneEvent";
inline constexpr wchar_t kMutexFormat[] = L"Global\\%s_%d_Mutex";
inline constexpr wchar_t kSessionMapFormat[] = L"Session\\%d\\%s_%d_Map";
inline constexpr wchar_t kLocalMapFormat[] = L"Local\\%s_%d_Map";
inline constexpr size_t kMaxObjectNameChars = 260;
inline constexpr wchar_t kCommandLineFormat[] = L"\"%s\" \"%s\" \"%s\" \"%s\" \"%s\" \"%s\"";
inline constexpr size_t kMaxCommandLineChars = 4096;

// ---- The launch record "%s\FormFiller_TMP\<post-print ID>".
inline constexpr wchar_t kLaunchRecords[] = L"FormFiller_TMP";
inline constexpr wchar_t kLaunchCommandLine[] = L"Command Line";
inline constexpr wchar_t kLaunchEditor[] = L"Form Filler";
inline constexpr wchar_t kLaunchFlags[] = L"Flags";
inline constexpr DWORD kLaunchFlagsValue = 1;
inline constexpr wchar_t kLaunchWriter[] = L"StartFormFiller";

// ---- Settings of "%s\Cover Page Settings" beyond the switches (SettingsNames.h).
inline constexpr wchar_t kFillerDirectory[] = L"Cover Page Filler Directory";
inline constexpr wchar_t kDefaultCoverPage[] = L"Default Cover Page";
// The longest wait for the editor in milliseconds: shorter values shorten both waits for it
// (tests, impatient sites), longer ones are cut to the hour.
inline constexpr wchar_t kFillerWaitTimeout[] = L"Filler Wait Timeout";

// ---- Waits, in milliseconds.
inline constexpr DWORD kCreateWaitMs = 10000;
inline constexpr DWORD kFillerWaitMs = 3600000;
inline constexpr DWORD kDoneWaitMs = 10000;
// The largest cover page TIFF taken from the editor.
inline constexpr unsigned long long kMaxCoverPageBytes = 256ull * 1024 * 1024;
// NumberOfTiffImages: every page of the chain.
inline constexpr int kCountAllPages = 0x8000;

// ---- Numbered messages.
inline constexpr wchar_t kMsgLoadLibrary[] = L"402: Error loading DLL %s, Windows error %d";
inline constexpr wchar_t kMsgNoMemoryForDescriptor[] = L"403: Could not create security descriptor - Memory allocation error.";
inline constexpr wchar_t kMsgInitDescriptor[] =
    L"403: Could not create security descriptor - Error in InitializeSecurityDescriptor, Windows error %d";
inline constexpr wchar_t kMsgSetDacl[] =
    L"403: Could not create security descriptor - Error in SetSecurityDescriptorDacl, Windows error %d";
inline constexpr wchar_t kMsgCreateEvent[] = L"404: Could not create event object %s, Windows error %d";
inline constexpr wchar_t kMsgCreateMutex[] = L"405: Could not create mutex object %s, Windows error %d";
inline constexpr wchar_t kMsgClosedWithoutSubmitting[] = L"406: Cover Page Filler closed without submitting cover page";
inline constexpr wchar_t kMsgWaitFailed[] = L"407: Error while waiting for Cover Page Filler. Wait result: %d";
inline constexpr wchar_t kMsgOpenMap[] = L"408: Could not open memory map %s, Windows error %d";
inline constexpr wchar_t kMsgMapCount[] = L"408: Could not open memory map %s, Windows error %d (2)";
inline constexpr wchar_t kMsgMapPages[] = L"408: Could not open memory map %s, Windows error %d (3)";
inline constexpr wchar_t kMsgAllocate[] = L"409: Could not allocate %d bytes for cover page.";
inline constexpr wchar_t kMsgAllocate2[] = L"409: Could not allocate %d bytes for cover page. (2)";
inline constexpr wchar_t kMsgLoadCoverPage[] = L"410: Could not load cover page.";
inline constexpr wchar_t kMsgLoadCoverPage2[] = L"410: Could not load cover page. (2)";
inline constexpr wchar_t kMsgLoadCoverPage3[] = L"410: Could not load cover page. (3)";
inline constexpr wchar_t kMsgLoadAnnotations[] = L"411: Could not load annotations from the cover page";
inline constexpr wchar_t kMsgLoadTemplate[] = L"412: Could not load cover page template %s";
inline constexpr wchar_t kMsgLoadFunctions[] = L"413: Error loading functions from DLL %s, Windows error %d";

}  // namespace tw::formfiller
