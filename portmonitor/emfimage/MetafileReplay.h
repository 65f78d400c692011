#pragma once
// Replays a page metafile onto another metafile (or any DC) for the metafile transforms:
// rotation and pages per sheet. Each record is checked against its size and the handle table
// first; text records are drawn without ETO_IGNORELANGUAGE so that the new metafile's text is
// laid out again under the transform instead of keeping the recorder's glyph placement.
#include <windows.h>

#include "emfimage/PagePlayer.h"

namespace tw {

// Plays `emf` into `rect` (logical units of `dc`) while holding `gdiMutex` (may be null).
PlaybackStats ReplayMetafile(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex);

}  // namespace tw
