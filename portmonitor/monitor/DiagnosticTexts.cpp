#include "monitor/DiagnosticTexts.h"

#include "base/WideString.h"

namespace tw::diag {
namespace {
const char* OrEmpty(const char* s) { return s ? s : ""; }
const wchar_t* OrEmpty(const wchar_t* s) { return s ? s : L""; }
bool HasText(const char* s) { return s && *s; }
}  // namespace

std::wstring InternalErrorText(int code) { return FormatW(kInternalErrorFormat, kInternalErrorLabel, code); }

std::wstring InternalErrorEventText(int code) { return FormatW(kErrorCodeEventFormat, code); }

std::wstring ErrorLocationText(const char* sourceFile, int line) {
    return FormatW(kErrorLocationFormat, OrEmpty(sourceFile), line);
}

std::wstring TiffGroupFileEntry(int tiffCode, const char* tiffText) {
    if (HasText(tiffText)) return FormatW(kTiffGroupEntryFormat, tiffCode, tiffText);
    return FormatW(kTiffGroupEntryCodeFormat, tiffCode);
}

std::wstring TiffEventText(int code, int tiffCode, const char* tiffText) {
    if (code != 0) {
        // The library's part is shown only when it has both a number and a text.
        if (tiffCode != 0 && HasText(tiffText)) return FormatW(kTiffEventFormat, code, tiffCode, tiffText);
        return FormatW(kTiffEventCodeFormat, code);
    }
    if (HasText(tiffText)) return FormatW(kTiffEventLibraryFormat, tiffCode, tiffText);
    return FormatW(kTiffEventLibraryCodeFormat, tiffCode);
}

std::wstring FormFillerWarningText(bool withLocation, const char* sourceFile, int line, const wchar_t* message) {
    if (withLocation) return FormatW(kFormFillerWarningDebugFormat, OrEmpty(sourceFile), line, OrEmpty(message));
    return FormatW(kFormFillerWarningFormat, OrEmpty(message));
}

std::wstring FormFillerErrorText(bool withLocation, const char* sourceFile, int line, const wchar_t* message) {
    if (withLocation) return FormatW(kFormFillerErrorDebugFormat, OrEmpty(sourceFile), line, OrEmpty(message));
    return FormatW(kFormFillerErrorFormat, OrEmpty(message));
}

}  // namespace tw::diag
