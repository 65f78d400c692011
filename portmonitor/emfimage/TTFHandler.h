#pragma once
// The names of a TrueType font, read from its "name" table, so that a job installs each embedded
// font once. Offsets that point outside the font's data make the font nameless, never a read
// beyond it.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

class TTFHandler {
public:
    // Family names and unique identifiers, Windows English names first.
    static std::vector<std::wstring> GetUnicodeFontNames(const BYTE* font, size_t length);
    // The raw bytes of the first family name (unique identifier for fonts that are not TrueType
    // 1.0, cut after its last ";"), whatever its platform; empty when there is none.
    static std::string GetFontName(const BYTE* font, size_t length);
    // Is this a TrueType or OpenType font with a table directory that lies inside `length`?
    static bool LooksLikeFont(const BYTE* font, size_t length);
};

}  // namespace tw
