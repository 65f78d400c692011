#pragma once
// Packed DIBs in and out of TIFF pages: a colour page saved in one call, and a page read back
// into a DIB (for watermark pictures).
#include <windows.h>

namespace twtiff {

bool SaveDibPage(const wchar_t* fileName, HGLOBAL dib, int compression);
HGLOBAL LoadDibPage(const wchar_t* fileName, int page);

}  // namespace twtiff
