#include "LibraryError.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Tiff32.h"

namespace twtiff {
namespace {

thread_local int t_error = TIFF_ERR_NONE;
thread_local int t_detailError = TIFF_ERR_NONE;
thread_local char t_detail[512];
// libtiff's latest message on this thread, kept until the failing call reports it.
thread_local char t_libtiffMessage[512];

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
    std::snprintf(t_libtiffMessage, sizeof t_libtiffMessage, "%s%s%s", module ? module : "", module ? ": " : "",
                  message);
}

void OnLibtiffWarning(const char*, const char*, va_list) {}

}  // namespace

int LastError() { return t_error; }

void SetLastErrorNumber(int error) {
    t_error = error;
    t_detailError = TIFF_ERR_NONE;
    t_detail[0] = '\0';
    t_libtiffMessage[0] = '\0';
}

bool Fail(int error, const char* detail) {
    t_error = error;
    t_detailError = error;
    // libtiff's own words say more than ours when it was libtiff that failed.
    CopyText(t_detail, sizeof t_detail, t_libtiffMessage[0] ? t_libtiffMessage : detail);
    t_libtiffMessage[0] = '\0';
    return false;
}

bool ErrorText(int error, std::string& text) {
    for (const ErrorName& e : kErrorTexts) {
        if (e.number != error) continue;
        text = e.text;
        if (error == t_detailError && t_detail[0]) {
            text += ": ";
            text += t_detail;
        }
        return true;
    }
    text = "Unknown TIFF library error " + std::to_string(error);
    return false;
}

void ClearLibtiffMessage() { t_libtiffMessage[0] = '\0'; }

void InstallLibtiffHandlers() {
    TIFFSetErrorHandler(OnLibtiffError);
    TIFFSetWarningHandler(OnLibtiffWarning);
}

}  // namespace twtiff
