// TCTextOut: collecting a page's words by row and position.
#include "emfimage/TCTextOut.h"

#include <algorithm>
#include <cwctype>

#include "monitor/Trace.h"

namespace tw {
namespace {

enum class TokenClass { Alnum, Blank, Other };

// Only ASCII letters and digits make an alphanumeric token: judging other scripts by a byte of
// their code would split them at random places.
TokenClass ClassOf(wchar_t c) {
    if ((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z')) return TokenClass::Alnum;
    if (c == L' ' || c == L'\t') return TokenClass::Blank;
    return TokenClass::Other;
}

bool SameWord(const TextWord& a, const TextWord& b) { return a.text == b.text; }

}  // namespace

std::vector<std::pair<size_t, size_t>> SplitTextTokens(const std::wstring& text) {
    std::vector<std::pair<size_t, size_t>> tokens;
    size_t begin = 0;
    while (begin < text.size()) {
        const TokenClass cls = ClassOf(text[begin]);
        size_t end = begin + 1;
        while (end < text.size() && ClassOf(text[end]) == cls) ++end;
        tokens.emplace_back(begin, end);
        begin = end;
    }
    return tokens;
}

TCTextOut::TCTextOut(int pageWidth, int pageHeight) : m_pageWidth(pageWidth), m_pageHeight(pageHeight) {}

void TCTextOut::SetPageSize(int width, int height) {
    if (width > 0) m_pageWidth = width;
    if (height > 0) m_pageHeight = height;
}

void TCTextOut::StartPage() {
    m_rows.clear();
    m_minCharWidth = m_minCharHeight = 0;
    m_widthSum = m_charSum = 0;
}

int TCTextOut::AverageCharWidth() const {
    if (m_charSum <= 0) return 1;
    return std::max(1, static_cast<int>(static_cast<double>(m_widthSum) / static_cast<double>(m_charSum) + 0.5));
}

void TCTextOut::AddWord(TextWord word) {
    if (word.text.empty()) return;
    word.width = std::abs(word.width);
    m_widthSum += word.width;
    m_charSum += static_cast<long long>(word.text.size());
    if (word.charWidth > 0 && (m_minCharWidth == 0 || word.charWidth < m_minCharWidth)) m_minCharWidth = word.charWidth;
    if (word.height > 0 && (m_minCharHeight == 0 || word.height < m_minCharHeight)) m_minCharHeight = word.height;

    auto row = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& r) { return r.y >= word.y; });
    if (row == m_rows.end() || row->y != word.y) {
        Row fresh;
        fresh.y = word.y;
        fresh.words.push_back(std::move(word));
        m_rows.insert(row, std::move(fresh));
        return;
    }
    auto& words = row->words;
    auto at = std::find_if(words.begin(), words.end(), [&](const TextWord& w) { return w.x >= word.x; });
    // Several words at one x keep their order of arrival; the same word twice is drawn twice
    // (shadows, bold by overprinting) but read once.
    while (at != words.end() && at->x == word.x) {
        if (SameWord(*at, word)) return;
        ++at;
    }
    words.insert(at, std::move(word));
}

}  // namespace tw
