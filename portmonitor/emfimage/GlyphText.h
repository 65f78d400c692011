#pragma once
// Glyph-index text (ETO_GLYPH_INDEX) turned back into characters: through a reverse map of the
// DC's current font (glyph index to character), or, for the temporary fonts of some printing
// applications whose glyphs follow the character codes, by an offset from the space's glyph.
#include <windows.h>

#include <map>
#include <string>
#include <unordered_map>

namespace tw {

enum class TextEncoding;

// "Glyph Conversion Method".
enum class GlyphMethod { Automatic = 0, Map = 1, Offset = 2, OffsetUnlessAnsi = 3 };

class GlyphTextConverter {
public:
    // `glyphs` drawn with the DC's current font; every glyph without a character becomes "?"
    // (or a tatweel inside Arabic text). Right-to-left runs come out in logical order unless the
    // text encoding is ANSI.
    std::wstring Convert(HDC dc, const std::wstring& glyphs, DWORD method, TextEncoding encoding);
    // The scores of the automatic method, over the document.
    long long MapScore() const { return m_mapScore; }
    long long OffsetScore() const { return m_offsetScore; }
    // Fonts mapped so far (the maps live for the document).
    size_t CachedFonts() const { return m_maps.size(); }

private:
    using ReverseMap = std::unordered_map<WORD, wchar_t>;
    const ReverseMap& MapFor(HDC dc);
    std::wstring ByMap(HDC dc, const std::wstring& glyphs);
    std::wstring ByOffset(HDC dc, const std::wstring& glyphs);

    std::map<std::wstring, ReverseMap> m_maps;
    long long m_mapScore = 0, m_offsetScore = 0;
};

// How plausible `text` is as text: its letters, digits, blanks and full stops.
int PlausibilityScore(const std::wstring& text);

// Glyphs without a character (U+FFFD): a run between two Arabic letters becomes tatweels
// (U+0640), every other one "?".
std::wstring ReplaceMissingCharacters(const std::wstring& text);

// Is the DC's current font one of the temporary font files ("*.TMP") of the printing application?
bool IsTemporaryFontFace(HDC dc);

}  // namespace tw
