#pragma once
// Several pages on one sheet for the vector path: each page metafile becomes a sheet-sized
// metafile with the page scaled into its cell, and the sheet's geometry is the first page's.
#include <windows.h>

#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/MetafileRecorder.h"

namespace tw {

class TarnwellDEVMODE;
class PagesPerSheet;

// What the first page of a sheet leaves for the other pages of that sheet.
struct MetafileSheetGeometry {
    bool valid = false;
    VectorSize size;        // float page size
    RECTL frame{};          // the page metafile's frame, hundredths of a millimetre
    int paperWidth = 0;     // tenths of a millimetre (dmScale applied)
    int paperLength = 0;
    LONG pixelWidth = 0;
    LONG pixelHeight = 0;
    short printQuality = 0;
    short yResolution = 0;
    short paperSize = 0;
    short orientation = 0;

    void Remember(const TarnwellDEVMODE& dm, const VectorSize& pageSize, const RECTL& pageFrame);
    void PutBack(TarnwellDEVMODE& dm) const;
};

// Puts page `pageIndex` (its place in the document) into its cell. `page` and, when present,
// `annotation` are replaced by their sheet metafiles; on a turned sheet the record's geometry
// and `size` are turned as for a quarter rotation. False when a metafile could not be made.
bool PlaceMetafilesOnSheet(const std::wstring& printerName, HANDLE gdiMutex, PagesPerSheet& sheet, DWORD pageIndex,
                           UniqueEnhMetaFile& page, UniqueEnhMetaFile& annotation, TarnwellDEVMODE& dm,
                           VectorSize& size);

// The sheet of the cells placed so far: each part (a sheet-sized metafile from
// PlaceMetafilesOnSheet, `size` its float size) played in turn into one metafile with the
// parts' frame. Null when there is none or it cannot be made.
UniqueEnhMetaFile ComposeSheetMetafile(HDC reference, const std::vector<HENHMETAFILE>& parts, const VectorSize& size);

}  // namespace tw
