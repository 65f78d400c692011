#pragma once
// TwOCRx.dll, the OCR library the monitor loads at run time: the exported entry points, their
// pointer types, the error numbers and the optional parameter block (README.md).
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Error numbers the recognition entry points return; 0 is success.
#define TWOCR_OK 0
#define TWOCR_ERR_INVALID_ARGUMENT 1  // null DIB or text address, empty or malformed language list
#define TWOCR_ERR_BAD_DIB 2           // the block is not a packed BI_RGB DIB of 1, 4, 8 or 24 bits
#define TWOCR_ERR_PAGE_TOO_LARGE 3    // more than TWOCR_MAX_PIXELS pixels
#define TWOCR_ERR_LANGUAGE_DATA 4     // a language's .traineddata file is not in the data folder
#define TWOCR_ERR_ENGINE 5            // the engine refused to start with that data
#define TWOCR_ERR_RECOGNITION 6       // recognition itself failed
#define TWOCR_ERR_NO_MEMORY 7
#define TWOCR_ERR_OUTPUT_KIND 8       // an output kind other than 0 (text) or 1 (hOCR)

// Output kinds of OCRDIBExW.
#define TWOCR_OUTPUT_TEXT 0
#define TWOCR_OUTPUT_HOCR 1

// The largest page recognised, in pixels: a letter page at 1200 dpi, or a doubled one at 600.
#define TWOCR_MAX_PIXELS 140000000LL

// Optional settings; a null block means all defaults.
typedef struct TwOCRParams {
    DWORD cbSize;              // sizeof(TwOCRParams); a smaller value is refused
    LPCWSTR tessdataDir;       // folder of the <language>.traineddata files; null: searched for
    int pageSegMode;           // Tesseract page segmentation mode 1 to 13; 0: automatic (3)
    int resolution;            // dots per inch to assume; 0: the DIB's, else 300
} TwOCRParams;

typedef int(WINAPI* PFN_OCRDIBW)(HGLOBAL dib, LPWSTR* text, LPCWSTR languages, const TwOCRParams* params);
typedef int(WINAPI* PFN_OCRDIBEXW)(HGLOBAL dib, LPWSTR* text, LPCWSTR languages, const TwOCRParams* params,
                                   int outputKind, int pageIndex);
typedef void(WINAPI* PFN_TWOCRFREETEXTW)(LPWSTR text);

#ifdef __cplusplus
}
#endif
