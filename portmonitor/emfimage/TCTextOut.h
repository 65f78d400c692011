#pragma once
// The text of one page with the device positions of its words, laid out into lines for the text
// output file and the in-memory text. The job keeps one for the document and clears it per page.
#include <windows.h>

#include <list>
#include <string>
#include <vector>

namespace tw {

// How the font of a word looked, for the coordinate prefix of the advanced layout.
struct TextWordStyle {
    int points = 0;
    bool bold = false, underline = false, italic = false;
    std::wstring face;
};

struct TextWord {
    int x = 0, y = 0;        // top left in device pixels
    int width = 0;
    int charWidth = 0;       // average character width of the word's font
    int height = 0;          // tmHeight - tmExternalLeading
    std::wstring text;       // converted text
    std::vector<int> advances;  // one per character, left to right
    bool backwards = false;     // drawn right to left: advances[0] belongs to the last character
    TextWordStyle style;
};

// The three layouts of the DEVMODE's text byte.
enum class TextLayoutMode { Plain = 0, Advanced = 1, Grid = 2 };

struct TextLayoutOptions {
    TextLayoutMode mode = TextLayoutMode::Plain;
    DWORD addSpace = 2;      // "Add Space": 1 after every word, 2 by gaps, 3 also inside words
    DWORD lineBreaks = 1;    // "Line Breaks": 1 CR LF, 2 LF, 3 CR, else none
    bool unicode = false;    // a Unicode text encoding: right-to-left runs are put in logical order
    bool wordCoordinates = false;  // "Display Word Coordinates"
    int lineAdjustment = 100;      // "Line Adjustment", percent
    int yDpi = 300;
    // Above 0: the page is turned a quarter clockwise after it is drawn, and word coordinates are
    // given on the turned page; the height of the page before it is turned.
    int turnedPageHeight = 0;
};

class TCTextOut {
public:
    static constexpr int kDefaultPageWidth = 2550;
    static constexpr int kDefaultPageHeight = 3300;

    TCTextOut(int pageWidth = kDefaultPageWidth, int pageHeight = kDefaultPageHeight);
    void SetPageSize(int width, int height);
    int PageWidth() const { return m_pageWidth; }
    int PageHeight() const { return m_pageHeight; }
    // Forgets the words of the previous page.
    void StartPage();
    // Adds one word in x order to the row of its y; an empty word or a repeat at the same place
    // is dropped.
    void AddWord(TextWord word);
    // The page's words laid out into lines.
    std::wstring Layout(const TextLayoutOptions& options) const;
    // The words as they were read, row by row, each row ending in a single space.
    std::wstring PlainText() const;
    size_t Rows() const { return m_rows.size(); }
    bool Empty() const { return m_rows.empty(); }

private:
    struct Row {
        int y = 0;
        std::vector<TextWord> words;  // ordered by x
    };
    int AverageCharWidth() const;
    std::wstring LayoutLines(const TextLayoutOptions& options) const;
    std::wstring LayoutGrid(const TextLayoutOptions& options) const;
    std::wstring WordText(const TextWord& word, const TextLayoutOptions& options) const;

    std::list<Row> m_rows;  // ordered by y
    int m_pageWidth, m_pageHeight;
    int m_minCharWidth = 0, m_minCharHeight = 0;
    long long m_widthSum = 0, m_charSum = 0;
};

// Splits a record's text into the words of the layout: runs of letters and digits, runs of
// blanks (space, tab) and runs of everything else. Returns [begin, end) pairs.
std::vector<std::pair<size_t, size_t>> SplitTextTokens(const std::wstring& text);

// The line end that "Line Breaks" asks for.
const wchar_t* LineBreakText(DWORD lineBreaks);

// Reverses every run of right-to-left characters of `line` (visual order to logical order).
std::wstring RightToLeftRunsInLogicalOrder(const std::wstring& line);
// Does the text begin, in reading order, with a right-to-left character?
bool StartsRightToLeft(const std::wstring& text);

}  // namespace tw
