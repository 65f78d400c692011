#pragma once
// The GDI bitmap a page is drawn into one band at a time. Each spooler thread keeps its own,
// so concurrent jobs never share one; it lives until the end of the page.
#include <windows.h>

#include <vector>

#include "emfimage/PageGeometry.h"

namespace tw {

// The thread's band bitmap for `band` (width, band height, depth); a kept bitmap of the same
// shape is returned again. Null when GDI cannot make one.
HBITMAP AcquireBandBitmap(HDC dc, const PageBitmapInfo& band);
// Deletes the thread's band bitmap; it must not be selected into a DC any more.
void ReleaseBandBitmap();

// Copies the top `rows` rows of a monochrome band bitmap into DIB rows of `targetStride` bytes
// at `target`, stored bottom-up (the band's top row last), as GetDIBits would with a black and
// white palette. GetBitmapBits hands the rows over as they are (top-down, WORD-aligned) in a few
// microseconds, where GetDIBits converts them at tens of milliseconds a page under Wine. False
// when the bitmap is not one plane of one bit or the copy fails; `scratch` is reused.
bool CopyMonochromeRows(HBITMAP band, LONG rows, BYTE* target, DWORD targetStride, std::vector<BYTE>& scratch);

// A bitmap of `info`'s shape that belongs to the caller: monochrome for 1 bit, else a DIB section.
HBITMAP GetDIBSection2(HDC dc, const PageBitmapInfo& info);

}  // namespace tw
