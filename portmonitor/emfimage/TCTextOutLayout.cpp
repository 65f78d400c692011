// TCTextOut: laying the collected rows out into lines, as plain lines, as lines of words with
// their coordinates, or on a character grid that keeps the page's layout.
#include <algorithm>
#include <cmath>

#include "base/WideString.h"
#include "emfimage/TCTextOut.h"

namespace tw {
namespace {

constexpr wchar_t kWordPrefix[] = L"[[%d,%d,%d,%d][%d][%s,%s,%s][%s]]";
constexpr wchar_t kBold[] = L"B";
constexpr wchar_t kUnderline[] = L"U";
constexpr wchar_t kItalic[] = L"I";
constexpr double kWordGapFactor = 0.3;

bool IsRightToLeft(wchar_t c) {
    WORD type = 0;
    return ::GetStringTypeW(CT_CTYPE2, &c, 1, &type) && type == C2_RIGHTTOLEFT;
}

bool IsNeutral(wchar_t c) {
    WORD type = 0;
    if (!::GetStringTypeW(CT_CTYPE2, &c, 1, &type)) return false;
    return type == C2_WHITESPACE || type == C2_OTHERNEUTRAL || type == C2_SEGMENTSEPARATOR || type == C2_NOTAPPLICABLE;
}

enum class Direction { Left, Right, Neutral };

// A piece of a line is right-to-left when it holds a right-to-left character, neutral when it
// holds only blanks and punctuation.
Direction DirectionOf(const std::wstring& piece) {
    bool neutral = true;
    for (wchar_t c : piece) {
        if (IsRightToLeft(c)) return Direction::Right;
        if (!IsNeutral(c)) neutral = false;
    }
    return neutral ? Direction::Neutral : Direction::Left;
}

// Pieces in the order of their x, each in logical order: runs of right-to-left pieces (with the
// neutral pieces between them) are read from the right.
std::wstring JoinInLogicalOrder(std::vector<std::wstring> pieces) {
    size_t i = 0;
    while (i < pieces.size()) {
        if (DirectionOf(pieces[i]) != Direction::Right) {
            ++i;
            continue;
        }
        size_t last = i;
        for (size_t k = i + 1; k < pieces.size(); ++k) {
            const Direction d = DirectionOf(pieces[k]);
            if (d == Direction::Left) break;
            if (d == Direction::Right) last = k;
        }
        std::reverse(pieces.begin() + static_cast<std::ptrdiff_t>(i), pieces.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        i = last + 1;
    }
    std::wstring out;
    for (const std::wstring& p : pieces) out += p;
    return out;
}

// The gap after which a new word starts with a space: 0.3 character widths, rounded.
int WordGap(int charWidth) { return static_cast<int>(kWordGapFactor * charWidth + 0.5); }

}  // namespace

const wchar_t* LineBreakText(DWORD lineBreaks) {
    switch (lineBreaks) {
    case 1: return L"\r\n";
    case 2: return L"\n";
    case 3: return L"\r";
    }
    return L"";
}

// A run starts and ends with a right-to-left character and may hold blanks and punctuation
// between them, so that a phrase is turned as a whole, not word by word.
std::wstring RightToLeftRunsInLogicalOrder(const std::wstring& line) {
    std::wstring out = line;
    size_t i = 0;
    while (i < out.size()) {
        if (!IsRightToLeft(out[i])) {
            ++i;
            continue;
        }
        size_t end = i + 1, lastRtl = i;
        while (end < out.size() && (IsRightToLeft(out[end]) || IsNeutral(out[end]))) {
            if (IsRightToLeft(out[end])) lastRtl = end;
            ++end;
        }
        std::reverse(out.begin() + static_cast<std::ptrdiff_t>(i), out.begin() + static_cast<std::ptrdiff_t>(lastRtl) + 1);
        i = lastRtl + 1;
    }
    return out;
}

bool StartsRightToLeft(const std::wstring& text) {
    for (wchar_t c : text) {
        if (IsRightToLeft(c)) return true;
        WORD type = 0;
        if (::GetStringTypeW(CT_CTYPE2, &c, 1, &type) && type == C2_LEFTTORIGHT) return false;
    }
    return false;
}

std::wstring TCTextOut::WordText(const TextWord& word, const TextLayoutOptions& options) const {
    std::wstring text;
    if (options.mode == TextLayoutMode::Advanced && options.wordCoordinates) {
        const TextWordStyle& s = word.style;
        RECT box{word.x, word.y, word.x + word.width, word.y + word.height};
        if (options.turnedPageHeight > 0) {
            // A quarter turn clockwise takes (x, y) to (height - y, x).
            const int h = options.turnedPageHeight;
            box = RECT{h - (word.y + word.height), word.x, h - word.y, word.x + word.width};
        }
        text = FormatW(kWordPrefix, box.left, box.top, box.right, box.bottom, std::max(1, s.points),
                       s.bold ? kBold : L"", s.underline ? kUnderline : L"", s.italic ? kItalic : L"", s.face.c_str());
    }
    if (options.addSpace == 3) {
        // Letter-spaced text: a character whose advance goes beyond the font's width by more than
        // a tenth of the height is followed by a space (never inside the coordinate prefix).
        const int slack = word.height / 5 / 2;
        const size_t n = word.text.size();
        for (size_t i = 0; i < n; ++i) {
            text += word.text[i];
            const size_t a = word.backwards ? n - 1 - i : i;  // the character's own advance
            if (i + 1 < n && a < word.advances.size() && word.text[i] != L'\\' &&
                word.advances[a] - word.charWidth > slack && word.charWidth > 0)
                text += L' ';
        }
    } else {
        text += word.text;
    }
    if (options.addSpace == 1) text += L' ';
    return text;
}

std::wstring TCTextOut::LayoutLines(const TextLayoutOptions& options) const {
    std::wstring out;
    const int average = AverageCharWidth();
    const bool reorder = options.unicode && options.mode == TextLayoutMode::Plain;
    for (const Row& row : m_rows) {
        std::vector<std::wstring> pieces;
        const TextWord* previous = nullptr;
        for (const TextWord& word : row.words) {
            if (previous && options.mode == TextLayoutMode::Plain && (options.addSpace == 2 || options.addSpace == 3)) {
                const int gap = word.x - (previous->x + previous->width);
                if (gap >= WordGap(word.charWidth > 0 ? word.charWidth : average)) pieces.emplace_back(L" ");
            }
            pieces.push_back(WordText(word, options));
            previous = &word;
        }
        if (reorder) {
            out += JoinInLogicalOrder(std::move(pieces));
        } else {
            for (const std::wstring& p : pieces) out += p;
        }
        out += LineBreakText(options.lineBreaks);
    }
    return out;
}

std::wstring TCTextOut::LayoutGrid(const TextLayoutOptions& options) const {
    std::wstring out;
    if (m_rows.empty()) return out;
    const int height = std::max(1, m_minCharHeight);
    const int minPitch = static_cast<int>(options.lineAdjustment / 100.0 * height + 0.5);
    int pitch = 0;
    for (auto it = m_rows.begin(), next = std::next(it); next != m_rows.end(); ++it, ++next) {
        const int d = next->y - it->y;
        if (d >= minPitch && (pitch == 0 || d < pitch)) pitch = d;
    }
    if (pitch == 0 || pitch >= 3 * height) pitch = height;
    pitch = std::max(1, pitch);

    // Rows closer than half a pitch are one line of the grid.
    std::vector<Row> rows;
    for (const Row& row : m_rows) {
        if (!rows.empty() && row.y - rows.back().y < pitch / 2.0) {
            std::vector<TextWord>& words = rows.back().words;
            for (const TextWord& w : row.words) {
                auto at = std::upper_bound(words.begin(), words.end(), w.x,
                                           [](int x, const TextWord& e) { return x < e.x; });
                words.insert(at, w);
            }
        } else {
            rows.push_back(row);
        }
    }

    const int average = AverageCharWidth();
    const wchar_t* lineEnd = LineBreakText(options.lineBreaks);
    int previousY = rows.front().y < 0 ? rows.front().y : 0;
    for (const Row& row : rows) {
        int lines = std::abs(static_cast<int>(static_cast<double>(row.y - previousY) / pitch + 0.5));
        if (lines == 0 && options.lineAdjustment <= 99) lines = 1;
        for (int i = 0; i < lines; ++i) out += lineEnd;
        previousY = row.y;

        int columns = 0;
        const TextWord* previous = nullptr;
        for (size_t i = 0; i < row.words.size(); ++i) {
            const TextWord& word = row.words[i];
            if (word.text == L" " && i + 1 < row.words.size() && row.words[i + 1].x == word.x) continue;
            int spaces = 0;
            if (!previous) {
                spaces = word.x / average - columns;
            } else {
                const int gap = word.x - (previous->x + previous->width);
                if (options.addSpace == 1 || gap > (previous->height / 5 + word.height / 5) / 2) {
                    spaces = word.x / average - columns;
                    if (gap < 2 * word.charWidth && spaces > 1) spaces = 1;
                    if (options.addSpace != 0 && spaces == 0) spaces = 1;
                    if (options.addSpace == 3 && spaces < 0) spaces = 1;
                }
            }
            if (spaces > 0) {
                out.append(static_cast<size_t>(spaces), L' ');
                columns += spaces;
            }
            out += word.text;
            columns += static_cast<int>(word.text.size());
            previous = &word;
        }
    }
    return out;
}

std::wstring TCTextOut::Layout(const TextLayoutOptions& options) const {
    return options.mode == TextLayoutMode::Grid ? LayoutGrid(options) : LayoutLines(options);
}

}  // namespace tw

namespace tw {

std::wstring TCTextOut::PlainText() const {
    std::wstring out;
    const int average = AverageCharWidth();
    for (const Row& row : m_rows) {
        const TextWord* previous = nullptr;
        for (const TextWord& word : row.words) {
            if (word.text.empty()) continue;
            // The pieces of one run of text touch; a gap as wide as the layout's is a space.
            const int gap = previous ? word.x - (previous->x + previous->width) : 0;
            if (previous && gap > 0 && gap >= WordGap(word.charWidth > 0 ? word.charWidth : average)) out += L' ';
            out += word.text;
            previous = &word;
        }
        out += L' ';
    }
    return out;
}

}  // namespace tw
