// Glyph-index text back to characters.
#include "emfimage/GlyphText.h"

#include <cwctype>
#include <vector>

#include "base/WideString.h"
#include "emfimage/TCTextOut.h"
#include "emfimage/TextFile.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

constexpr wchar_t kMissing = 0xFFFD;
constexpr wchar_t kTatweel = 0x0640;
constexpr wchar_t kUnknown = L'?';
constexpr wchar_t kTemporaryFontMark[] = L".TMP";
constexpr WORD kNoGlyph = 0xFFFF;
constexpr wchar_t kFirstPrintable = 32, kLastPrintable = 126;

bool IsArabic(wchar_t c) {
    return (c >= 0x0600 && c <= 0x06FF) || (c >= 0x0750 && c <= 0x077F) || (c >= 0x08A0 && c <= 0x08FF) ||
           (c >= 0xFB50 && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

std::wstring FaceName(HDC dc) {
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    return face;
}

// The font's identity for the cache: what selects a different set of glyphs.
std::wstring FontKey(HDC dc) {
    LOGFONTW lf{};
    HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
    if (!font || !::GetObjectW(font, sizeof(lf), &lf)) return FaceName(dc);
    return FormatW(L"%s|%d|%d|%d", lf.lfFaceName, static_cast<int>(lf.lfWeight), lf.lfItalic ? 1 : 0,
                   static_cast<int>(lf.lfCharSet));
}

int CountPrintable(const std::wstring& text, wchar_t last) {
    int n = 0;
    for (wchar_t c : text) n += (c >= kFirstPrintable && c <= last) ? 1 : 0;
    return n;
}

}  // namespace

int PlausibilityScore(const std::wstring& text) {
    if (text.empty()) return 0;
    std::vector<WORD> types(text.size());
    if (!::GetStringTypeW(CT_CTYPE1, text.data(), static_cast<int>(text.size()), types.data())) return 0;
    int score = 0;
    for (size_t i = 0; i < text.size(); ++i)
        score += ((types[i] & (C1_ALPHA | C1_DIGIT | C1_SPACE)) || text[i] == L'.') ? 1 : 0;
    return score;
}

std::wstring ReplaceMissingCharacters(const std::wstring& text) {
    std::wstring out = text;
    size_t i = 0;
    while (i < out.size()) {
        if (out[i] != kMissing) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < out.size() && out[end] == kMissing) ++end;
        const bool arabic = i > 0 && end < out.size() && IsArabic(out[i - 1]) && IsArabic(out[end]);
        for (size_t k = i; k < end; ++k) out[k] = arabic ? kTatweel : kUnknown;
        i = end;
    }
    return out;
}

bool IsTemporaryFontFace(HDC dc) {
    std::wstring face = FaceName(dc);
    for (wchar_t& c : face) c = static_cast<wchar_t>(std::towupper(c));
    return face.find(kTemporaryFontMark) != std::wstring::npos;
}

const GlyphTextConverter::ReverseMap& GlyphTextConverter::MapFor(HDC dc) {
    const std::wstring key = FontKey(dc);
    auto found = m_maps.find(key);
    if (found != m_maps.end()) return found->second;
    ReverseMap& map = m_maps[key];
    const DWORD size = ::GetFontUnicodeRanges(dc, nullptr);
    if (size < sizeof(GLYPHSET)) return map;
    std::vector<BYTE> buffer(size);
    auto* set = reinterpret_cast<GLYPHSET*>(buffer.data());
    if (!::GetFontUnicodeRanges(dc, set)) return map;
    std::vector<wchar_t> chars;
    for (DWORD r = 0; r < set->cRanges; ++r) {
        const WCRANGE& range = set->ranges[r];
        for (USHORT k = 0; k < range.cGlyphs; ++k) chars.push_back(static_cast<wchar_t>(range.wcLow + k));
    }
    std::vector<WORD> glyphs(chars.size());
    if (chars.empty() || ::GetGlyphIndicesW(dc, chars.data(), static_cast<int>(chars.size()), glyphs.data(),
                                            GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return map;
    // The first character of a shared glyph wins: for ASCII letters that is the letter itself.
    for (size_t i = 0; i < chars.size(); ++i)
        if (glyphs[i] != kNoGlyph) map.emplace(glyphs[i], chars[i]);
    TW_TRACE(L"GlyphTextConverter: reverse map of %s, %zu glyphs", key.c_str(), map.size());
    return map;
}

std::wstring GlyphTextConverter::ByMap(HDC dc, const std::wstring& glyphs) {
    const ReverseMap& map = MapFor(dc);
    std::wstring out(glyphs.size(), kMissing);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        auto it = map.find(static_cast<WORD>(glyphs[i]));
        if (it != map.end()) out[i] = it->second;
    }
    return out;
}

std::wstring GlyphTextConverter::ByOffset(HDC dc, const std::wstring& glyphs) {
    WORD space = 0;
    const wchar_t blank = L' ';
    if (::GetGlyphIndicesW(dc, &blank, 1, &space, 0) == GDI_ERROR) space = 0;
    std::wstring out(glyphs.size(), kMissing);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const int c = static_cast<int>(glyphs[i]) - static_cast<int>(space) + kFirstPrintable;
        if (c > 0 && c < 0xFFFF) out[i] = static_cast<wchar_t>(c);
    }
    return out;
}

std::wstring GlyphTextConverter::Convert(HDC dc, const std::wstring& glyphs, DWORD method, TextEncoding encoding) {
    std::wstring text;
    if (!IsTemporaryFontFace(dc)) {
        text = ByMap(dc, glyphs);
    } else {
        const auto how = static_cast<GlyphMethod>(method);
        const std::wstring mapped = how == GlyphMethod::Offset ? std::wstring() : ByMap(dc, glyphs);
        const std::wstring offset = how == GlyphMethod::Map ? std::wstring() : ByOffset(dc, glyphs);
        switch (how) {
        case GlyphMethod::Map: text = mapped; break;
        case GlyphMethod::Offset: text = offset; break;
        case GlyphMethod::OffsetUnlessAnsi:
            text = (encoding != TextEncoding::Ansi ||
                    CountPrintable(offset, kLastPrintable) > CountPrintable(mapped, kLastPrintable))
                       ? offset
                       : mapped;
            break;
        default:
            if (glyphs.size() > 1) {
                m_mapScore += PlausibilityScore(mapped);
                m_offsetScore += PlausibilityScore(offset);
            }
            text = m_offsetScore > m_mapScore ? offset : mapped;
            break;
        }
    }
    if (encoding != TextEncoding::Ansi) text = RightToLeftRunsInLogicalOrder(text);
    return ReplaceMissingCharacters(text);
}

}  // namespace tw
