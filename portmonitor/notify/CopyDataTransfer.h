#pragma once
// The WM_COPYDATA path of a memory image: the client's window, registered as the printer's data
// value "HWND", receives the copy-data record, the image's size and the image in pieces.
#include <windows.h>

#include <string>

namespace tw {

inline constexpr wchar_t kClientWindowValue[] = L"HWND";

// The window a client registered for `printerName`; null when there is none or it is gone.
HWND FindClientWindow(const std::wstring& printerName);

// Sends message `number`'s image to `window`. Each SendMessage waits at most `timeoutMs` for a
// window that does not answer. False only when the image cannot be read.
BOOL SendImageThroughCopyData(HWND window, DWORD number, HGLOBAL image, const std::wstring& interfaceName,
                              DWORD interfaceId, DWORD timeoutMs);

}  // namespace tw
