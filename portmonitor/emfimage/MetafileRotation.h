#pragma once
// Turning the page metafiles of the vector path: code 1 a quarter turn anticlockwise, 2 a half
// turn, 3 a quarter turn clockwise, the same sense as the page DIB rotation.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"
#include "emfimage/MetafileRecorder.h"

namespace tw {

class TarnwellDEVMODE;

// The printer's "Rotation" ("Page Settings"), or with IsRotatePaperEnabled 3 for landscape
// pages and 0 otherwise; unknown codes count as 0.
int PageRotationCode(const TarnwellDEVMODE& dm);

// The world transform that turns a `width` x `height` page by `code` (identity for 0).
XFORM RotationTransform(int code, float width, float height);

// Re-records `page` and, when present, `annotation` turned by `code`. Quarter turns exchange
// the record's pixel sizes, paper sides and resolutions and the float page size. False when a
// metafile could not be re-recorded; both stay as they were then.
bool RotateMetafiles(const std::wstring& printerName, HANDLE gdiMutex, int code, UniqueEnhMetaFile& page,
                     UniqueEnhMetaFile& annotation, TarnwellDEVMODE& dm, VectorSize& size);

// The record's page geometry turned a quarter: pixel sizes, paper sides and resolutions.
void SwapPageGeometry(TarnwellDEVMODE& dm);

}  // namespace tw
