#include "notify/CopyDataTransfer.h"

#include <algorithm>
#include <vector>

#include "base/UniqueHandle.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "notify/PrnMessage.h"

namespace tw {
namespace {

// One block; the window's answer, 0 when it refused it or did not answer in time.
LRESULT SendBlock(HWND window, const void* data, DWORD size, DWORD timeoutMs) {
    COPYDATASTRUCT cds{};
    cds.dwData = copydata::kMarker;
    cds.cbData = size;
    cds.lpData = const_cast<void*>(data);
    DWORD_PTR answer = 0;
    // A window whose thread no longer pumps messages must not hold the spooler thread.
    if (!::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                               timeoutMs, &answer))
        return 0;
    return static_cast<LRESULT>(answer);
}

}  // namespace

HWND FindClientWindow(const std::wstring& printerName) {
    UniquePrinter printer;
    if (!printer.open(printerName.c_str())) return nullptr;
    // A 64-bit handle value; a 32-bit client stores 4 bytes, which read the same.
    ULONGLONG value = 0;
    DWORD type = 0, needed = 0;
    const DWORD error = Spooler().GetPrinterData(printer.get(), kClientWindowValue, &type,
                                                 reinterpret_cast<BYTE*>(&value), sizeof(value), &needed);
    if (error != ERROR_SUCCESS || needed == 0 || needed > sizeof(value) || value == 0) return nullptr;
    HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
    return ::IsWindow(window) ? window : nullptr;
}

BOOL SendImageThroughCopyData(HWND window, DWORD number, HGLOBAL image, const std::wstring& interfaceName,
                              DWORD interfaceId, DWORD timeoutMs) {
    TW_TRACE(L"> SendImageThroughCopyData %p", window);
    if (!window) return TRUE;
    GlobalLockGuard<BYTE> bytes(image);
    if (!bytes) {
        TW_TRACE_FAILED(L"SendImageThroughCopyData", L"GlobalLock");
        return FALSE;
    }
    const SIZE_T size = bytes.size();
    if (size == 0 || size > MAXDWORD) {
        TW_TRACE_FAILED(L"SendImageThroughCopyData", L"GlobalSize");
        return FALSE;
    }
    const std::vector<BYTE> record = BuildCopyDataRecord(number, interfaceName, interfaceId);
    if (!SendBlock(window, record.data(), static_cast<DWORD>(record.size()), timeoutMs)) return TRUE;
    const DWORD imageSize = static_cast<DWORD>(size);
    if (!SendBlock(window, &imageSize, sizeof(imageSize), timeoutMs)) return TRUE;
    for (DWORD sent = 0; sent < imageSize;) {
        const DWORD piece = std::min<DWORD>(kMessagePieceSize, imageSize - sent);
        if (!SendBlock(window, bytes.get() + sent, piece, timeoutMs)) break;
        sent += piece;
    }
    TW_TRACE(L"< SendImageThroughCopyData: TRUE");
    return TRUE;
}

}  // namespace tw
