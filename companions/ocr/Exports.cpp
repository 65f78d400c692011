// The exported entry points: argument checks, the language data, and the text handed out.
// Nothing thrown inside the library leaves it: every entry point turns it into an error number.
#include <new>
#include <string>

#include "LanguageData.h"
#include "PixFromDib.h"
#include "Recogniser.h"
#include "TwOCRx.h"

namespace twocr {
namespace {

// The caller frees what it gets through TwOCRFreeTextW, so it comes from new[] here.
wchar_t* WideCopy(const std::string& utf8) {
    int n = utf8.empty() ? 0
                         : ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    auto* text = new wchar_t[size_t(n) + 1];
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text, n);
    text[n] = L'\0';
    return text;
}

int Run(HGLOBAL dib, LPWSTR* text, LPCWSTR languages, const TwOCRParams* params, int outputKind, int pageIndex) {
    if (!text) return TWOCR_ERR_INVALID_ARGUMENT;
    *text = nullptr;
    if (!dib || (params && params->cbSize < sizeof(TwOCRParams)) || pageIndex < 0)
        return TWOCR_ERR_INVALID_ARGUMENT;
    if (outputKind != TWOCR_OUTPUT_TEXT && outputKind != TWOCR_OUTPUT_HOCR) return TWOCR_ERR_OUTPUT_KIND;
    RecogniseRequest request;
    request.languages = NormaliseLanguages(languages);
    if (request.languages.empty()) return TWOCR_ERR_INVALID_ARGUMENT;
    std::wstring dataDir = FindTessdataDir(params ? params->tessdataDir : nullptr);
    if (!HasLanguageData(dataDir, request.languages)) return TWOCR_ERR_LANGUAGE_DATA;
    request.dataDir = NarrowPath(dataDir);
    request.pageSegMode = params ? params->pageSegMode : 0;
    request.hocr = outputKind == TWOCR_OUTPUT_HOCR;
    request.pageIndex = pageIndex;

    PixResult page = PixFromDib(dib, params ? params->resolution : 0);
    if (page.error) return page.error;
    RecogniseResult result = Recognise(page.pix.get(), request);
    if (result.error) return result.error;
    *text = WideCopy(result.utf8);
    return TWOCR_OK;
}

int Guarded(HGLOBAL dib, LPWSTR* text, LPCWSTR languages, const TwOCRParams* params, int outputKind, int pageIndex) {
    try {
        return Run(dib, text, languages, params, outputKind, pageIndex);
    } catch (const std::bad_alloc&) {
        return TWOCR_ERR_NO_MEMORY;
    } catch (...) {
        return TWOCR_ERR_RECOGNITION;
    }
}

}  // namespace
}  // namespace twocr

extern "C" {

__declspec(dllexport) int WINAPI OCRDIBW(HGLOBAL dib, LPWSTR* text, LPCWSTR languages, const TwOCRParams* params) {
    return twocr::Guarded(dib, text, languages, params, TWOCR_OUTPUT_TEXT, 0);
}

__declspec(dllexport) int WINAPI OCRDIBExW(HGLOBAL dib, LPWSTR* text, LPCWSTR languages, const TwOCRParams* params,
                                           int outputKind, int pageIndex) {
    return twocr::Guarded(dib, text, languages, params, outputKind, pageIndex);
}

__declspec(dllexport) void WINAPI TwOCRFreeTextW(LPWSTR text) { delete[] text; }

}  // extern "C"
