// The text layout of the collected words and the text output file.
#include <gtest/gtest.h>

#include "emfimage/TCTextOut.h"
#include "emfimage/TextFile.h"
#include "support/TestSupport.h"

namespace {

using tw::TCTextOut;
using tw::TextLayoutMode;
using tw::TextLayoutOptions;
using tw::TextWord;

TextWord Word(int x, int y, const std::wstring& text, int charWidth = 10, int height = 20) {
    TextWord w;
    w.x = x;
    w.y = y;
    w.text = text;
    w.width = charWidth * static_cast<int>(text.size());
    w.charWidth = charWidth;
    w.height = height;
    w.advances.assign(text.size(), charWidth);
    return w;
}

TextLayoutOptions Options(TextLayoutMode mode, DWORD addSpace = 2, DWORD lineBreaks = 1) {
    TextLayoutOptions o;
    o.mode = mode;
    o.addSpace = addSpace;
    o.lineBreaks = lineBreaks;
    return o;
}

TEST(TCTextOutLayout, PlainLinesFollowRowsAndGaps) {
    TCTextOut t;
    // Arrival order is not page order: rows by y, words by x.
    t.AddWord(Word(100, 50, L"World"));    // a gap of 50 after "Hello": a space
    t.AddWord(Word(0, 50, L"Hello"));
    t.AddWord(Word(0, 10, L"Title"));
    t.AddWord(Word(52, 10, L"Case"));      // a gap of 2 (< 0.3 x 10 + 0.5): no space
    t.AddWord(Word(0, 50, L"Hello"));      // drawn twice, read once
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain)), L"TitleCase\r\nHello World\r\n");
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain, 1, 2)), L"Title Case \nHello World \n");
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain, 0, 3)), L"TitleCase\rHelloWorld\r");
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain, 2, 9)), L"TitleCaseHello World");
}

TEST(TCTextOutLayout, WordsOnOneYAreOneLine) {
    TCTextOut t;
    for (int i = 9; i >= 0; --i) t.AddWord(Word(i * 100, 77, std::wstring(1, static_cast<wchar_t>(L'a' + i))));
    EXPECT_EQ(t.Rows(), 1u);
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain)), L"a b c d e f g h i j\r\n");
    t.StartPage();
    EXPECT_TRUE(t.Empty());
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain)), L"");
}

TEST(TCTextOutLayout, GridKeepsLineDistances) {
    // Pitch 20 (the smallest row distance); 1.4 pitches give one line end, 1.6 pitches two.
    TCTextOut t;
    t.AddWord(Word(0, 0, L"a"));
    t.AddWord(Word(0, 20, L"b"));
    t.AddWord(Word(0, 48, L"c"));
    t.AddWord(Word(0, 80, L"d"));
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Grid, 2, 2)), L"a\nb\nc\n\nd");
    // Rows less than half a pitch apart share a line.
    TCTextOut merged;
    merged.AddWord(Word(0, 100, L"x"));
    merged.AddWord(Word(0, 120, L"y"));
    merged.AddWord(Word(40, 125, L"z"));
    EXPECT_EQ(merged.Layout(Options(TextLayoutMode::Grid, 2, 2)), L"\n\n\n\n\nx\ny   z");
}

TEST(TCTextOutLayout, GridColumnsFromTheAverageWidth) {
    TCTextOut t;
    t.AddWord(Word(30, 0, L"ab"));   // column 3
    t.AddWord(Word(200, 0, L"cd"));  // column 20
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Grid)), L"   ab" + std::wstring(15, L' ') + L"cd");
}

TEST(TCTextOutLayout, AdvancedPrefixesWordCoordinates) {
    TCTextOut t;
    TextWord w = Word(10, 20, L"Bold", 10, 30);
    w.style.points = 12;
    w.style.bold = true;
    w.style.face = L"Liberation Sans";
    t.AddWord(w);
    TextLayoutOptions o = Options(TextLayoutMode::Advanced);
    EXPECT_EQ(t.Layout(o), L"Bold\r\n");
    o.wordCoordinates = true;
    EXPECT_EQ(t.Layout(o), L"[[10,20,50,50][12][B,,][Liberation Sans]]Bold\r\n");
}

TEST(TCTextOutLayout, WordCoordinatesOnAPageTurnedForThePaper) {
    // A landscape page 2550 high turned a quarter clockwise: (x, y) goes to (2550 - y, x).
    TCTextOut t;
    TextWord w = Word(100, 200, L"Turn", 10, 30);
    w.style.face = L"F";
    t.AddWord(w);
    TextLayoutOptions o = Options(TextLayoutMode::Advanced);
    o.wordCoordinates = true;
    o.turnedPageHeight = 2550;
    EXPECT_EQ(t.Layout(o), L"[[2320,100,2350,140][1][,,][F]]Turn\r\n");
    o.mode = TextLayoutMode::Plain;  // only the coordinates of the advanced layout turn
    EXPECT_EQ(t.Layout(o), L"Turn\r\n");
}

TEST(TCTextOutLayout, LetterSpacedWordsGetInnerSpaces) {
    TCTextOut t;
    TextWord w = Word(0, 0, L"WIDE", 10, 20);
    w.advances = {30, 30, 30, 10};  // 20 beyond the font's width, more than 20 / 5 / 2
    t.AddWord(w);
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain, 3)), L"W I D E\r\n");
    EXPECT_EQ(t.Layout(Options(TextLayoutMode::Plain, 2)), L"WIDE\r\n");

    // A word drawn backwards lists its advances from the left: the last character's first.
    TCTextOut back;
    TextWord b = Word(0, 0, L"ABCD", 10, 20);
    b.advances = {10, 30, 10, 10};  // from the left: the wide one belongs to "C"
    b.backwards = true;
    back.AddWord(b);
    EXPECT_EQ(back.Layout(Options(TextLayoutMode::Plain, 3)), L"ABC D\r\n");
}

TEST(TCTextOutLayout, RightToLeftWordsComeOutInLogicalOrder) {
    // "shalom olam" drawn as two words: the first word of the phrase lies on the right.
    const std::wstring shalom = L"\x05E9\x05DC\x05D5\x05DD", olam = L"\x05E2\x05D5\x05DC\x05DD";
    TCTextOut t;
    t.AddWord(Word(0, 0, L"Hi"));
    t.AddWord(Word(100, 0, olam));
    t.AddWord(Word(200, 0, shalom));
    TextLayoutOptions o = Options(TextLayoutMode::Plain);
    o.unicode = true;
    EXPECT_EQ(t.Layout(o), L"Hi " + shalom + L" " + olam + L"\r\n");
    o.unicode = false;  // ANSI output keeps the page's order
    EXPECT_EQ(t.Layout(o), L"Hi " + olam + L" " + shalom + L"\r\n");
    EXPECT_EQ(tw::RightToLeftRunsInLogicalOrder(L"ab\x05DD\x05D5\x05DC\x05E9 1"), L"ab" + shalom + L" 1");
}

TEST(TCTextOutTokens, LettersBlanksAndOthers) {
    const std::wstring text = L"Mall-123 \t\x5BC6\x7801:x";
    std::vector<std::wstring> tokens;
    for (auto [b, e] : tw::SplitTextTokens(text)) tokens.push_back(text.substr(b, e - b));
    EXPECT_EQ(tokens, (std::vector<std::wstring>{L"Mall", L"-", L"123", L" \t", L"\x5BC6\x7801:", L"x"}));
}

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir = twtest::MakeTempDir(L"textfile"); }
    void TearDown() override { twtest::RemoveTree(dir); }
    std::wstring dir;
};

TEST_F(TextFileTest, EncodingsAndByteOrderMarks) {
    struct Case {
        tw::TextEncoding encoding;
        std::string expected;
    };
    const Case cases[] = {
        {tw::TextEncoding::Ansi, "Ab\r\nAb\r\n"},
        {tw::TextEncoding::Utf8, "\xEF\xBB\xBF" "Ab\xC3\xA9\r\nAb\xC3\xA9\r\n"},
        {tw::TextEncoding::Utf16Le, std::string("\xFF\xFE" "A\0b\0\xE9\0\r\0\n\0A\0b\0\xE9\0\r\0\n\0", 22)},
        {tw::TextEncoding::Utf16Be, std::string("\xFE\xFF\0A\0b\0\xE9\0\r\0\n\0A\0b\0\xE9\0\r\0\n", 22)},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring path = dir + L"\\t" + std::to_wstring(n++) + L".txt";
        const std::wstring line = c.encoding == tw::TextEncoding::Ansi ? L"Ab\r\n" : L"Ab\x00E9\r\n";
        ASSERT_TRUE(tw::AppendTextFile(path, L"", c.encoding));  // creates it with its mark only
        ASSERT_TRUE(tw::AppendTextFile(path, line, c.encoding));
        ASSERT_TRUE(tw::AppendTextFile(path, line, c.encoding));  // no second mark
        EXPECT_EQ(twtest::ReadFileBytes(path), c.expected) << static_cast<int>(c.encoding);
    }
}

TEST_F(TextFileTest, AnExistingFileIsAppendedTo) {
    const std::wstring path = dir + L"\\old.txt";
    twtest::WriteFileBytes(path, "old\n");
    ASSERT_TRUE(tw::AppendTextFile(path, L"new\n", tw::TextEncoding::Utf8));
    EXPECT_EQ(twtest::ReadFileBytes(path), "old\nnew\n");
    EXPECT_FALSE(tw::AppendTextFile(dir + L"\\missing\\dir\\x.txt", L"x", tw::TextEncoding::Utf8));
}

}  // namespace
