#pragma once
// The library's last error, one per thread like GetLastError, with the detail that libtiff
// reported for it.
#include <string>

namespace twtiff {

int LastError();
void SetLastErrorNumber(int error);
// Sets the error with a detail text for TiffErrorString; returns false for `return Fail(...)`.
bool Fail(int error, const char* detail = nullptr);
// The text of an error number; the thread's detail is appended when it belongs to that number.
bool ErrorText(int error, std::string& text);
// Forgets libtiff's last message: each entry point starts with a clean slate.
void ClearLibtiffMessage();
// Routes libtiff's messages: errors become the thread's detail text, warnings are dropped.
void InstallLibtiffHandlers();
// Frees the calling thread's error state (at DLL_THREAD_DETACH).
void ReleaseThreadError();

}  // namespace twtiff
