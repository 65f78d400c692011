#include "LibraryError.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Tiff32.h"
#include "base/ThreadSlot.h"

namespace twtiff {
namespace {

struct ThreadError {
    int error = TIFF_ERR_NONE;
    int detailError = TIFF_ERR_NONE;
    char detail[512] = {};
    // libtiff's latest message on this thread, kept until the failing call reports it.
    char libtiffMessage[512] = {};
};
tw::ThreadSlot<ThreadError> g_errors;

ThreadError& Current() { return g_errors.Get(); }

struct ErrorName {
    int number;
    const char* text;
};
constexpr ErrorName kErrorTexts[] = {
    {TIFF_ERR_NONE, "No error"},
    {TIFF_ERR_INVALID_HANDLE, "Invalid TIFF handle"},
    {TIFF_ERR_INVALID_ARGUMENT, "Invalid argument"},
    {TIFF_ERR_OPEN, "Cannot open the TIFF file"},
    {TIFF_ERR_IO, "Cannot read or write the TIFF data"},
    {TIFF_ERR_NO_MEMORY, "Not enough memory"},
    {TIFF_ERR_NOT_TIFF, "Not a TIFF file, or a damaged one"},
    {TIFF_ERR_UNSUPPORTED_TAG, "Unsupported tag or tag value"},
    {TIFF_ERR_INCOMPLETE_PAGE, "The page description is incomplete"},
    {TIFF_ERR_ENCODE, "Cannot encode the page"},
    {TIFF_ERR_ROWS, "The row callback did not deliver every row"},
    {TIFF_ERR_PAGE_INDEX, "No such page"},
    {TIFF_ERR_UNSUPPORTED_IMAGE, "Unsupported image layout"},
    {TIFF_ERR_FAX_LAYOUT, "Page is not of a standard fax width or resolution"},
    {TIFF_ERR_DECODE, "Cannot decode the page"},
};

void CopyText(char* target, size_t capacity, const char* text) {
    std::snprintf(target, capacity, "%s", text ? text : "");
}

void OnLibtiffError(const char* module, const char* fmt, va_list ap) {
    char message[400];
    std::vsnprintf(message, sizeof message, fmt, ap);
    ThreadError& e = Current();
    std::snprintf(e.libtiffMessage, sizeof e.libtiffMessage, "%s%s%s", module ? module : "", module ? ": " : "",
                  message);
}

void OnLibtiffWarning(const char*, const char*, va_list) {}

}  // namespace

int LastError() { return Current().error; }

void SetLastErrorNumber(int error) {
    ThreadError& e = Current();
    e.error = error;
    e.detailError = TIFF_ERR_NONE;
    e.detail[0] = '\0';
    e.libtiffMessage[0] = '\0';
}

bool Fail(int error, const char* detail) {
    ThreadError& e = Current();
    e.error = error;
    e.detailError = error;
    // libtiff's own words say more than ours when it was libtiff that failed.
    CopyText(e.detail, sizeof e.detail, e.libtiffMessage[0] ? e.libtiffMessage : detail);
    e.libtiffMessage[0] = '\0';
    return false;
}

bool ErrorText(int error, std::string& text) {
    for (const ErrorName& e : kErrorTexts) {
        if (e.number != error) continue;
        text = e.text;
        const ThreadError& current = Current();
        if (error == current.detailError && current.detail[0]) {
            text += ": ";
            text += current.detail;
        }
        return true;
    }
    text = "Unknown TIFF library error " + std::to_string(error);
    return false;
}

void ClearLibtiffMessage() { Current().libtiffMessage[0] = '\0'; }

void ReleaseThreadError() { g_errors.ReleaseThread(); }

void InstallLibtiffHandlers() {
    TIFFSetErrorHandler(OnLibtiffError);
    TIFFSetWarningHandler(OnLibtiffWarning);
}

}  // namespace twtiff
