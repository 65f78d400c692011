#pragma once
// The plug-in contract. The monitor loads the library named by "Plugin Filename" in the
// printer's "Default Settings" and looks up these five entry points by name; each may be
// missing. They are exported undecorated with the WINAPI convention.
//
// The DEVMODE is the job's whole private record (public part plus driver extra). For every call
// the monitor exchanges paper width and length, and the page width and height in pixels, when
// dmOrientation is 2, and exchanges them back afterwards.
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Called once at the start of a document. May store a value in *ppUserData that every later
// call of the same document receives; *ppReserved is a second job-lifetime slot. FALSE
// declines the document: it is consumed without output and each of its pages fails.
BOOL WINAPI TwStartDoc(DEVMODEW* pDevMode, void** ppUserData, void** ppReserved);
// Called when a page starts; FALSE fails the page.
BOOL WINAPI TwStartPage(DEVMODEW* pDevMode, void* pUserData);
// Called after a page has been written, with its output page number; FALSE fails the page.
BOOL WINAPI TwEndPage(DEVMODEW* pDevMode, void* pUserData, DWORD dwPage);
// Called at the end of the document with the main group file; FALSE fails the document's end.
BOOL WINAPI TwEndDoc(DEVMODEW* pDevMode, void* pUserData, LPCWSTR pszGroupFile);
// Called when the spooler aborts the document.
void WINAPI TwAbort(DEVMODEW* pDevMode, void* pUserData);

typedef BOOL(WINAPI* PFN_TwStartDoc)(DEVMODEW* pDevMode, void** ppUserData, void** ppReserved);
typedef BOOL(WINAPI* PFN_TwStartPage)(DEVMODEW* pDevMode, void* pUserData);
typedef BOOL(WINAPI* PFN_TwEndPage)(DEVMODEW* pDevMode, void* pUserData, DWORD dwPage);
typedef BOOL(WINAPI* PFN_TwEndDoc)(DEVMODEW* pDevMode, void* pUserData, LPCWSTR pszGroupFile);
typedef void(WINAPI* PFN_TwAbort)(DEVMODEW* pDevMode, void* pUserData);

#ifdef __cplusplus
}  // extern "C"

#include <type_traits>

namespace twplugin {

// Library loaded when "Plugin Filename" is not set.
inline constexpr wchar_t kDefaultLibraryName[] = L"TwPlugIn.dll";

// Export names, as GetProcAddress takes them.
inline constexpr char kStartDocExport[] = "TwStartDoc";
inline constexpr char kStartPageExport[] = "TwStartPage";
inline constexpr char kEndPageExport[] = "TwEndPage";
inline constexpr char kEndDocExport[] = "TwEndDoc";
inline constexpr char kAbortExport[] = "TwAbort";

}  // namespace twplugin

// The pointer types must stay in step with the declarations above.
static_assert(std::is_same_v<PFN_TwStartDoc, decltype(&TwStartDoc)>);
static_assert(std::is_same_v<PFN_TwStartPage, decltype(&TwStartPage)>);
static_assert(std::is_same_v<PFN_TwEndPage, decltype(&TwEndPage)>);
static_assert(std::is_same_v<PFN_TwEndDoc, decltype(&TwEndDoc)>);
static_assert(std::is_same_v<PFN_TwAbort, decltype(&TwAbort)>);
#endif
