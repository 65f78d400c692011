#pragma once
// The cover page libraries the monitor loads from the filler directory: TwImg1x.dll (TIFF pages
// and their annotations), TwAnnox.dll (drawing annotations), TwDibx.dll (blank page test). The
// exported entry points, their pointer types and the constants both sides share (README.md).
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// The private TIFF tag that carries a page's annotations (UNDEFINED bytes, UTF-8 text).
#define TWANNO_TIFF_TAG 65110
// NumberOfTiffImages: count every page of the chain, reduced-resolution ones included.
#define TWIMG_COUNT_ALL_PAGES 0x8000
// The largest page a library decodes, in pixels (a letter page at 1200 dpi).
#define TWIMG_MAX_PIXELS 140000000LL
// IsImageBlank: the default share of dark pixels, in millionths, up to which a page is blank.
#define TWDIB_DEFAULT_BLANK_PPM 500

// TwImg1x.dll. Page DIBs are packed, bottom-up BI_RGB DIBs (1 or 24 bits) in moveable global
// blocks that the caller frees. A TIFF handle or annotation handle of 0 means failure.
typedef int(WINAPI* PFN_GETNUMBEROFIMAGESINTIFFFILEW)(LPCWSTR path);
typedef HGLOBAL(WINAPI* PFN_LOADTIFFINTODIBW)(LPCWSTR path, int page);
typedef HANDLE(WINAPI* PFN_LOADANNOTATIONFROMTIFFW)(LPCWSTR path, int flags);
typedef HANDLE(WINAPI* PFN_OPENTIFFINMEMORY)(HGLOBAL block, DWORD size, int flags);
typedef void(WINAPI* PFN_CLOSETIFFFILE)(HANDLE tiff);
typedef HGLOBAL(WINAPI* PFN_LOADTIFFCHAININTODIB)(HANDLE tiff, int page);
typedef int(WINAPI* PFN_NUMBEROFTIFFIMAGES)(HANDLE tiff, int flags);
typedef HANDLE(WINAPI* PFN_LOADANNOTATIONFROMTIFFCHAIN)(HANDLE tiff, int flags);

// TwAnnox.dll. Each returns 1 on success, 0 for a handle that is not an annotation handle.
typedef int(WINAPI* PFN_ANNOOBJDESELECT)(HANDLE anno, int object);
typedef int(WINAPI* PFN_ANNODRAWALL)(HANDLE anno, HDC hdc);
typedef int(WINAPI* PFN_DESTROYANNOHANDLE)(HANDLE anno);
typedef int(WINAPI* PFN_ANNOSELECTPAGE)(HANDLE anno, int page);
typedef int(WINAPI* PFN_ANNOSETDPI)(HANDLE anno, int xdpi, int ydpi);

// TwDibx.dll: 1 blank, 0 not blank, -1 not a DIB it reads. `sensitivity` is the share of dark
// pixels in millionths up to which the page is blank (0: TWDIB_DEFAULT_BLANK_PPM); `darkPpm`,
// when given, receives the page's share.
typedef int(WINAPI* PFN_ISIMAGEBLANK)(HGLOBAL dib, int sensitivity, int* darkPpm);

#ifdef __cplusplus
}
#endif
