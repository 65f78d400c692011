// The library's entry points: argument checks and handle lookup, then the classes that do the
// work. Every entry point starts by forgetting libtiff's last message, so that a failure
// reports the message that belongs to it.
#include <windows.h>

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "BilevelStrip.h"
#include "CiscoLayout.h"
#include "DibPages.h"
#include "HandleTable.h"
#include "IocaWriter.h"
#include "LibraryError.h"
#include "Tiff32.h"

using namespace twtiff;

namespace {

constexpr DWORD kCodingGroup3 = 3, kCodingGroup4 = 4;
constexpr DWORD kT4OptionsKnown = GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS;

BOOL Result(bool ok) { return ok ? TRUE : FALSE; }

// The document behind a handle, with the entry's clean slate.
TiffDocument* Enter(HTIFFDOC handle) {
    ClearLibtiffMessage();
    return FindDocument(handle);
}

std::wstring Widen(LPCSTR text) {
    if (!text) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

bool ValidFile(HANDLE file) {
    return (file && file != INVALID_HANDLE_VALUE) || Fail(TIFF_ERR_INVALID_HANDLE, "no file handle");
}

}  // namespace

extern "C" {

HTIFFDOC WINAPI OpenTiffFileW(LPCWSTR fileName, int mode) {
    ClearLibtiffMessage();
    return AddDocument(TiffDocument::OpenFile(fileName, mode));
}

HTIFFDOC WINAPI OpenTiffInMemory(HGLOBAL block, DWORD size, int mode) {
    ClearLibtiffMessage();
    return AddDocument(TiffDocument::OpenMemory(block, size, mode));
}

int WINAPI DefineTiffImage(HTIFFDOC handle) {
    TiffDocument* doc = Enter(handle);
    return doc ? doc->DefinePage() : -1;
}

BOOL WINAPI DefineTiffImageInfo(HTIFFDOC handle, int index, int tag, int type, LONG value) {
    TiffDocument* doc = Enter(handle);
    return Result(doc && doc->SetTag(index, tag, type, value));
}

BOOL WINAPI DefineTiffImageInfoBuffer(HTIFFDOC handle, int index, int tag, const void* buffer, int type, int count) {
    TiffDocument* doc = Enter(handle);
    return Result(doc && doc->SetTagBuffer(index, tag, buffer, type, count));
}

BOOL WINAPI EncodeTiffImage(HTIFFDOC handle, int index, void* params, TIFFROWPROC rowProc) {
    TiffDocument* doc = Enter(handle);
    const bool ok = doc && doc->Encode(index, params, rowProc);
    // A page lost to the file system leaves the Windows error for the caller, as a file API does.
    ::SetLastError(ok || !doc ? ERROR_SUCCESS : doc->LastIoError());
    return Result(ok);
}

BOOL WINAPI DropTiffImage(HTIFFDOC handle, int index) {
    TiffDocument* doc = Enter(handle);
    return Result(doc && doc->Drop(index));
}

BOOL WINAPI CloseTiffFile(HTIFFDOC handle) {
    ClearLibtiffMessage();
    std::unique_ptr<TiffDocument> doc = RemoveDocument(handle);
    return Result(doc && doc->Close());
}

BOOL WINAPI GetTiffFileInfo(HTIFFDOC handle, TIFFFILEINFO* info) {
    TiffDocument* doc = Enter(handle);
    return Result(doc && doc->Info(info));
}

BOOL WINAPI GetTiffImage(HTIFFDOC handle, int index) {
    TiffDocument* doc = Enter(handle);
    return Result(doc && doc->SelectPage(index));
}

BOOL WINAPI MoveLastImageFast(HTIFFDOC handle, int position, int reserved) {
    TiffDocument* doc = Enter(handle);
    if (doc && reserved != 0) return Result(Fail(TIFF_ERR_INVALID_ARGUMENT, "the third argument is 0"));
    return Result(doc && doc->MoveLast(position));
}

BOOL WINAPI UpdatePageNumbersW(LPCWSTR fileName, int total) {
    ClearLibtiffMessage();
    std::unique_ptr<TiffDocument> doc = TiffDocument::OpenFile(fileName, TIFF_MODE_APPEND, false);
    return Result(doc && doc->UpdatePageTotals(total) && doc->Close());
}

BOOL WINAPI UpdatePageNumbersInMemory(HTIFFDOC handle, int total) {
    TiffDocument* doc = Enter(handle);
    return Result(doc && doc->UpdatePageTotals(total));
}

BOOL WINAPI SaveDIBInTiffFileW(LPCWSTR fileName, HGLOBAL dib, int compression, int reserved) {
    ClearLibtiffMessage();
    if (reserved != 0) return Result(Fail(TIFF_ERR_INVALID_ARGUMENT, "the fourth argument is 0"));
    return Result(SaveDibPage(fileName, dib, compression));
}

BOOL WINAPI SaveDIBInTiffFile(LPCSTR fileName, HGLOBAL dib, int compression, int reserved) {
    std::wstring wide = Widen(fileName);
    return SaveDIBInTiffFileW(wide.c_str(), dib, compression, reserved);
}

BOOL WINAPI ConvertTiffToCiscoFormatW(LPCWSTR fileName) {
    ClearLibtiffMessage();
    return Result(ConvertToCiscoLayout(fileName, fileName));
}

BOOL WINAPI SaveTiffForCiscoFormatW(LPCWSTR sourceName, LPCWSTR targetName) {
    ClearLibtiffMessage();
    return Result(ConvertToCiscoLayout(sourceName, targetName));
}

int WINAPI TiffError(void) { return LastError(); }

void WINAPI SetTiffError(int error) { SetLastErrorNumber(error); }

BOOL WINAPI TiffErrorString(char* buffer, int error) {
    if (!buffer) return FALSE;
    std::string text;
    bool known = ErrorText(error, text);
    size_t n = std::min<size_t>(text.size(), twtiff::kErrorTextBytes - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return Result(known);
}

BOOL WINAPI EncodeCcittImage(HANDLE file, int width, int height, DWORD coding, void* params, TIFFROWPROC rowProc) {
    ClearLibtiffMessage();
    if (!ValidFile(file)) return FALSE;
    DWORD scheme = LOWORD(coding), t4Options = HIWORD(coding);
    if ((scheme != kCodingGroup3 && scheme != kCodingGroup4) || (t4Options & ~kT4OptionsKnown) ||
        (scheme == kCodingGroup4 && t4Options)) {
        return Result(Fail(TIFF_ERR_INVALID_ARGUMENT, "coding is 3 with T4Options in the high word, or 4"));
    }
    if (width <= 0 || height <= 0) return Result(Fail(TIFF_ERR_INVALID_ARGUMENT, "the page has no size"));
    std::vector<uint8_t> coded;
    uint32_t compression = scheme == kCodingGroup3 ? COMPRESSION_CCITTFAX3 : COMPRESSION_CCITTFAX4;
    if (!EncodeBilevelStrip(static_cast<uint32_t>(width), static_cast<uint32_t>(height), compression, t4Options, false,
                            rowProc, params, coded)) {
        return FALSE;
    }
    return Result(WriteAll(file, coded.data(), coded.size()) || Fail(TIFF_ERR_IO, "cannot write the file"));
}

BOOL WINAPI EncodeMMRImage(HANDLE file, int width, int height, int reserved, void* params, TIFFROWPROC rowProc) {
    ClearLibtiffMessage();
    if (!ValidFile(file)) return FALSE;
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) {
        return Result(Fail(TIFF_ERR_INVALID_ARGUMENT, "IOCA sizes are 1 to 65535"));
    }
    std::vector<uint8_t> coded;
    return Result(EncodeBilevelStrip(static_cast<uint32_t>(width), static_cast<uint32_t>(height), COMPRESSION_CCITTFAX4, 0,
                                     true, rowProc, params, coded) &&
                  WriteIocaImageData(file, coded));
}

BOOL WINAPI WriteIOCAHeader(HANDLE file, const IOCAHEADER* header) {
    ClearLibtiffMessage();
    if (!header) return Result(Fail(TIFF_ERR_INVALID_ARGUMENT, "no header record"));
    return Result(WriteIocaHeader(file, *header));
}

BOOL WINAPI WriteIOCATail(HANDLE file) {
    ClearLibtiffMessage();
    return Result(WriteIocaTail(file));
}

HGLOBAL WINAPI LoadTiffIntoDIBW(LPCWSTR fileName, int page, int reserved) {
    ClearLibtiffMessage();
    if (!fileName || !*fileName || reserved != 0) {
        Fail(TIFF_ERR_INVALID_ARGUMENT, "a file name, a page and 0");
        return nullptr;
    }
    return LoadDibPage(fileName, page);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) InstallLibtiffHandlers();
    if (reason == DLL_THREAD_DETACH) ReleaseThreadError();
    return TRUE;
}

}  // extern "C"
