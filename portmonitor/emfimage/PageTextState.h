#pragma once
// What a job keeps for reading the text of its pages: the markers of the current page, the glyph
// maps and scores of the document, the collected words and the text laid out from them.
#include <windows.h>

#include <memory>
#include <string>

#include "emfimage/GlyphText.h"
#include "emfimage/MarkerScanner.h"
#include "emfimage/TCTextOut.h"
#include "emfimage/TextFile.h"

namespace tw {

// How the words of a page are read from its text records.
struct PageTextSettings {
    bool legacyCoordinates = false;  // "Use Legacy Coordinates"
    bool filterJunk = false;         // "Filter Junk Characters": glyph-index text is not read
    DWORD glyphMethod = 0;           // "Glyph Conversion Method"
    TextEncoding encoding = TextEncoding::Ansi;
    int yDpi = 300;
};

struct PageTextState {
    MarkerScanner markers;
    GlyphTextConverter glyphs;
    std::unique_ptr<TCTextOut> collector;  // made at the first page that needs it
    std::wstring heading;                  // "Page %d:" of multi-page text output
    std::wstring pageText;                 // the current page's text as written
    bool wordsRead = false;                // the current page's words are in the collector
};

}  // namespace tw
