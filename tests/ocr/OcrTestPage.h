#pragma once
// Pages of known text drawn through GDI, and the OCR library beside the test program.
#include <windows.h>

#include <string>
#include <vector>

#include "ocr/TwOCRx.h"

namespace twtest {

// The words every OCR test prints, one line each, at 12 points.
extern const std::vector<std::wstring> kOcrLines;

// A packed DIB in moveable memory of `width` x `height` pixels at `dpi`, white, with `lines`
// drawn from the top left in 12-point Liberation Sans; 1 or 24 bits.
HGLOBAL MakeTextPage(const std::vector<std::wstring>& lines, LONG width, LONG height, int dpi, WORD bits);

// The words of a text, split at white space, with punctuation at their ends removed.
std::vector<std::wstring> Words(const std::wstring& text);
// Share of `expected` words found in `text`, in order-free matching (each found word counts once).
double WordAccuracy(const std::vector<std::wstring>& expected, const std::wstring& text);

// bin\TwOCRx.dll beside the test program.
std::wstring OcrLibraryPath();

struct OcrLibrary {
    HMODULE module = nullptr;
    PFN_OCRDIBW recognise = nullptr;
    PFN_OCRDIBEXW recogniseEx = nullptr;
    PFN_TWOCRFREETEXTW freeText = nullptr;
    OcrLibrary();
    ~OcrLibrary();
    // Plain text (kind 0) or hOCR (kind 1); the status in `status`.
    std::wstring Run(HGLOBAL dib, const wchar_t* languages, int kind, int& status, int pageIndex = 0);
};

}  // namespace twtest
