#pragma once
// The contract of the four barcode libraries (TuBwQRr.dll, TuBwDMr.dll, TuBwP417r.dll,
// TuBrw1Dr.dll): their exports, argument order and error numbers. README.md says what each
// numbered parameter means. Bitmaps are packed 24-bit DIBs in moveable global memory.
#include <windows.h>

// The libraries' file names.
inline constexpr wchar_t kQRLibrary[] = L"TuBwQRr.dll";
inline constexpr wchar_t kDataMatrixLibrary[] = L"TuBwDMr.dll";
inline constexpr wchar_t kPDF417Library[] = L"TuBwP417r.dll";
inline constexpr wchar_t kOneDLibrary[] = L"TuBrw1Dr.dll";

// Values of the `err` out parameter.
inline constexpr int kBarcodeOk = 0;
inline constexpr int kBarcodeEmptyValue = -1;     // no value, or a value that is not text
inline constexpr int kBarcodeBadParameter = -2;   // a numbered parameter out of its range
inline constexpr int kBarcodeCannotEncode = -3;   // two-dimensional: the value does not fit the symbol
inline constexpr int kBarcodeInvalidValue = -4;   // one-dimensional: the value is not valid for the symbology
inline constexpr int kBarcodeBadBitmap = -5;      // the bitmap is not a 24-bit DIB large enough for the symbol
inline constexpr int kBarcodeNoMemory = -6;
inline constexpr int kBarcodeTooLarge = -7;       // the symbol would exceed the largest bitmap

// DataMatrix parameter block (given with the DEVMODE's DataMatrix parameter bits).
#pragma pack(push, 1)
struct DataMatrixBlock {
    BYTE quietZone;   // parameter 4: modules of white around the symbol
    BYTE options;     // parameter 3: 1 plain data, 2 GS1 data
    WORD symbolSize;  // 0 automatic, else the size index 1 to 30 of the symbol table
};
#pragma pack(pop)

extern "C" {
// QR: the symbol's side in pixels; WriteQR returns a new DIB with the symbol drawn on a copy of `bitmap`.
typedef int(WINAPI* PFN_GetQRSize)(const char* value, int length, int moduleSize, int quietZone, int eccLevel,
                                   int* err);
typedef HGLOBAL(WINAPI* PFN_WriteQR)(HGLOBAL bitmap, const char* value, int length, int moduleSize, int x, int y,
                                     int rotation, int quietZone, int eccLevel, int* err);
// DataMatrix: the symbol's side minus one (its last pixel); `length` counts a terminating NUL.
typedef int(WINAPI* PFN_GetDataMatrixSize)(HGLOBAL bitmap, const char* value, int length, int moduleSize, int x,
                                           int y, int rotation, int shape, const DataMatrixBlock* block, int* err);
typedef HGLOBAL(WINAPI* PFN_WriteDataMatrix)(HGLOBAL bitmap, const char* value, int length, int moduleSize, int x,
                                             int y, int rotation, int shape, const DataMatrixBlock* block, int* err);
// PDF417: width and height less one pixel each (the last column and row).
typedef int(WINAPI* PFN_GetPDF417Size)(HGLOBAL bitmap, const char* value, int length, int compact, int columns,
                                       int rows, int eccLevel, int moduleWidth, int rowHeight, int x, int y,
                                       int rotation, int quietZone, int* width, int* height, int* err);
typedef HGLOBAL(WINAPI* PFN_WritePDF417Barcode)(HGLOBAL bitmap, const char* value, int length, int compact,
                                                int columns, int rows, int eccLevel, int moduleWidth, int rowHeight,
                                                int x, int y, int rotation, int quietZone, int* width, int* height,
                                                int* err);
// One-dimensional: `rect` holds four 32-bit values (README.md); `rotationCode` 0 none, 1 half a
// turn, 2 a quarter clockwise, 3 three quarters. Width and height less one pixel each.
typedef int(WINAPI* PFN_GetBarCodeSize)(HGLOBAL bitmap, int symbology, const int* rect, const char* value,
                                        int rotationCode, int checkDigit, int moduleWidth, int heightTens,
                                        int quietZone, int verticalQuiet, int reserved, int* width, int* height, int* err);
typedef HGLOBAL(WINAPI* PFN_WriteBarCodeToRectangle)(HGLOBAL bitmap, int symbology, const int* rect,
                                                     const char* value, int rotationCode, int checkDigit,
                                                     int moduleWidth, int heightTens, int quietZone, int verticalQuiet,
                                                     int reserved, int* width, int* height, int* err);
}
