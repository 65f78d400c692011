#pragma once
// The JPEG library's contract: JPEG32.DLL, loaded at run time and used through these entry
// points by name, exported undecorated with the WINAPI convention. Page and picture DIBs are
// packed DIBs (BITMAPINFOHEADER, palette, rows) in global memory blocks.
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Results of the save functions and the thread's last error (JpegError).
#define JPEG_OK 0
#define JPEG_ERR_INVALID_ARGUMENT 1  // no file name, no DIB, or a bad parameter block
#define JPEG_ERR_UNSUPPORTED_IMAGE 2 // not a DIB this library reads, or larger than it may hold
#define JPEG_ERR_OPEN 3              // the file cannot be opened or created
#define JPEG_ERR_IO 4                // reading or writing the file failed
#define JPEG_ERR_NO_MEMORY 5
#define JPEG_ERR_CODEC 6             // libjpeg refused the data (a damaged or truncated JPEG)

// The 52-byte parameter block of SaveDIBInJPEGFileExW: little-endian fields at these offsets,
// everything else zero.
#define JPEG_EX_BLOCK_SIZE 52
#define JPEG_EX_QUALITY 12          // 16 bits: 1 to 100 (0: 75)
#define JPEG_EX_H_SUBSAMPLING 20    // 16 bits: 2 halves a*/b* (Cb/Cr) horizontally; 0 or 1 keeps them whole
#define JPEG_EX_V_SUBSAMPLING 22    // 16 bits: the same vertically
#define JPEG_EX_COLOR_SPACE 26      // 16 bits: 1 CIELAB, 0 the ordinary JFIF YCbCr
#define JPEG_EX_OPTIMIZE 44         // 32 bits: 1 Huffman tables computed for the image
#define JPEG_EX_RESTART_ROWS 48     // 32 bits: a restart marker after every N rows of blocks (0: none)
#define JPEG_COLOR_SPACE_YCBCR 0
#define JPEG_COLOR_SPACE_CIELAB 1

// Writes the DIB (1, 4, 8, 24 or 32 bits, BI_RGB, bottom-up or top-down) as a baseline JFIF
// file; grey DIBs give one-component JPEGs. Returns JPEG_OK or an error number.
int WINAPI SaveDIBInJPEGFileW(LPCWSTR fileName, HGLOBAL dib, int quality);
// The same with the parameter block above (L*a*b colour; see README.md for the encoding).
int WINAPI SaveDIBInJPEGFileExW(LPCWSTR fileName, HGLOBAL dib, const BYTE* params);
// A JPEG file as a moveable packed DIB: 8-bit with a grey palette for grey pictures, 24-bit
// for colour (CMYK and YCCK converted to RGB); the resolution from its JFIF density. Null on
// failure, with JpegError set.
HGLOBAL WINAPI LoadJPEGIntoDIBW(LPCWSTR fileName);
// Where the TIFF library is, as its callers tell it (an 8-bit path); kept for GetTiffDllName.
void WINAPI SetTiffDllName(LPCSTR path);
// The path last given to SetTiffDllName (empty when none), into a buffer of `size` bytes.
int WINAPI GetTiffDllName(LPSTR buffer, int size);
// The calling thread's last error of this library (like GetLastError; success leaves it alone).
int WINAPI JpegError(void);
void WINAPI SetJpegError(int error);

typedef int(WINAPI* PFN_SaveDIBInJPEGFileW)(LPCWSTR, HGLOBAL, int);
typedef int(WINAPI* PFN_SaveDIBInJPEGFileExW)(LPCWSTR, HGLOBAL, const BYTE*);
typedef HGLOBAL(WINAPI* PFN_LoadJPEGIntoDIBW)(LPCWSTR);
typedef void(WINAPI* PFN_SetTiffDllName)(LPCSTR);
typedef int(WINAPI* PFN_GetTiffDllName)(LPSTR, int);
typedef int(WINAPI* PFN_JpegError)(void);
typedef void(WINAPI* PFN_SetJpegError)(int);

#ifdef __cplusplus
}
#endif
