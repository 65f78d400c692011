#pragma once
// The two passes over a page metafile that read its text: the marker pass, which needs no DC,
// and the word pass, which follows the page on a DC so that fonts, alignment and transforms are
// those the text is drawn with, and hands every word with its device position to the collector.
#include <windows.h>

#include "emfimage/PagePlayer.h"
#include "emfimage/PageTextState.h"

namespace tw {

class TemporaryFontLoader;

// Feeds the text of every text record, in record order, to `scanner` (which starts afresh).
void ScanPageMarkers(HENHMETAFILE emf, MarkerScanner& scanner);

// Follows `emf` on `dc` into `rect` and adds the words of its text records (markers removed) to
// `state.collector`. Drawing records are not played: only what changes the DC's state.
PlaybackStats CollectPageWords(HDC dc, HENHMETAFILE emf, const RECT& rect, HANDLE gdiMutex, PageTextState& state,
                               const PageTextSettings& settings, PlaybackBudget& budget,
                               TemporaryFontLoader* tempFonts = nullptr);

}  // namespace tw
