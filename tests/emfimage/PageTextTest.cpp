// Reading page text from real and recorded metafiles: the words and their order, glyph-index
// text turned back into characters, and the markers hidden from the text and from the drawing.
#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

#include "support/EmfCorpus.h"
#include "MetafileTestSupport.h"
#include "emfimage/EmfTextRuns.h"
#include "emfimage/PageTextReader.h"
#include "support/TestSupport.h"

namespace {

using tw::PageTextSettings;
using tw::TextLayoutMode;
using tw::TextLayoutOptions;

TextLayoutOptions Lines(TextLayoutMode mode = TextLayoutMode::Plain, bool unicode = true) {
    TextLayoutOptions o;
    o.mode = mode;
    o.lineBreaks = 2;
    o.unicode = unicode;
    return o;
}

struct PageRead {
    tw::PageTextState state;
    std::wstring text;
};

// Reads `emf` at `dpi` as the first band of a page does.
void Read(HENHMETAFILE emf, PageRead& page, const TextLayoutOptions& layout, const PageTextSettings& settings = {},
          int dpi = 300) {
    ENHMETAHEADER h{};
    ::GetEnhMetaFileHeader(emf, sizeof(h), &h);
    const LONG width = std::max<LONG>(1, (h.rclFrame.right - h.rclFrame.left) * dpi / 2540);
    const LONG height = std::max<LONG>(1, (h.rclFrame.bottom - h.rclFrame.top) * dpi / 2540);
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    page.state.collector = std::make_unique<tw::TCTextOut>(width, height);
    tw::ScanPageMarkers(emf, page.state.markers);
    tw::PlaybackBudget budget;
    tw::CollectPageWords(dc.get(), emf, RECT{0, 0, width - 1, height - 1}, nullptr, page.state, settings, budget);
    page.text = page.state.collector->Layout(layout);
}

std::wstring ReadFile(const wchar_t* corpusName, const TextLayoutOptions& layout, const PageTextSettings& settings = {}) {
    const std::string bytes = twtest::ReadFileBytes(twtest::EmfCorpusFile(corpusName));
    if (bytes.empty()) return L"<missing corpus file>";
    tw::UniqueEnhMetaFile emf = twtest::EmfFromBits(bytes);
    PageRead page;
    Read(emf.get(), page, layout, settings);
    return page.text;
}

// A page recorded with `face` at 12 points, drawing each text with `draw`.
template <typename Draw>
tw::UniqueEnhMetaFile FontPage(const wchar_t* face, Draw draw) {
    return twtest::EmfFromBits(twtest::RecordPage(100, 50, [&](HDC dc) {
        LOGFONTW lf{};
        lf.lfHeight = -48;
        ::wcscpy(lf.lfFaceName, face);
        HFONT font = ::CreateFontIndirectW(&lf);
        HGDIOBJ old = ::SelectObject(dc, font);
        draw(dc);
        ::SelectObject(dc, old);
        ::DeleteObject(font);
    }));
}

std::vector<WORD> Glyphs(HDC dc, const std::wstring& text) {
    std::vector<WORD> glyphs(text.size());
    ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), 0);
    return glyphs;
}

void DrawGlyphs(HDC dc, int x, int y, const std::vector<WORD>& glyphs) {
    ::ExtTextOutW(dc, x, y, ETO_GLYPH_INDEX, nullptr, reinterpret_cast<LPCWSTR>(glyphs.data()),
                  static_cast<UINT>(glyphs.size()), nullptr);
}

TEST(PageTextCorpus, WindowsPageGivesItsLinesInOrder) {
    // poi__SimpleEMF_windows.emf shows a path wrapped over seven lines.
    EXPECT_EQ(ReadFile(L"poi__SimpleEMF_windows.emf", Lines()),
              L"C:\\Users\\tallison\\\nIdea Projects\\tika-\nasf2-git-1.x\\tika-\nparsers\\src\\test\\\n"
              L"resources\\test-\ndocuments\\\ntestPDF.pdf\n");
}

TEST(PageTextCorpus, LegacyCoordinatesComeFromTheRecordBounds) {
    // Two records on one baseline but drawn with different sizes: their text reference points
    // differ, their bounds' tops too; legacy coordinates take the tops from the bounds as recorded.
    std::string bits = twtest::RecordPage(100, 50, [](HDC dc) { ::TextOutW(dc, 10, 10, L"ab", 2); });
    std::vector<std::string> records;
    for (const twtest::EmfRecordBytes& r : twtest::EmfRecords(twtest::EmfFromBits(bits).get()))
        if (r.type == EMR_EXTTEXTOUTW) records.push_back(r.bytes);
    ASSERT_EQ(records.size(), 1u);
    std::string moved = records[0];
    twtest::WriteDword(moved, 8, 7);    // rclBounds.left
    twtest::WriteDword(moved, 12, 33);  // rclBounds.top
    tw::UniqueEnhMetaFile emf = twtest::EmfFromBits(twtest::SpliceRecords(bits, {moved}));
    PageTextSettings legacy;
    legacy.legacyCoordinates = true;
    PageRead page;
    Read(emf.get(), page, Lines(), legacy);
    TextLayoutOptions grid = Lines(TextLayoutMode::Advanced);
    grid.wordCoordinates = true;
    const std::wstring text = page.state.collector->Layout(grid);
    EXPECT_NE(text.find(L"[[7,33,"), std::wstring::npos) << text;
}

TEST(GlyphText, GlyphIndicesComeBackAsCharacters) {
    tw::UniqueEnhMetaFile emf = FontPage(L"Liberation Sans", [](HDC dc) {
        DrawGlyphs(dc, 20, 20, Glyphs(dc, L"Invoice 2026-17"));
        DrawGlyphs(dc, 20, 100, {Glyphs(dc, L"A")[0], 60000, Glyphs(dc, L"B")[0]});  // beyond the font
    });
    PageRead page;
    Read(emf.get(), page, Lines());
    EXPECT_EQ(page.text, L"Invoice 2026-17\nA?B\n");
    EXPECT_EQ(page.state.glyphs.CachedFonts(), 1u);  // one reverse map for the page's one font

    PageTextSettings junk;
    junk.filterJunk = true;  // glyph-index text is not read at all
    PageRead filtered;
    Read(emf.get(), filtered, Lines(), junk);
    EXPECT_EQ(filtered.text, L"");
}

TEST(GlyphText, RightToLeftGlyphsInLogicalOrder) {
    // Glyph-index text is in visual order: the phrase "shalom olam" reversed.
    const std::wstring logical = L"\x05E9\x05DC\x05D5\x05DD \x05E2\x05D5\x05DC\x05DD";
    const std::wstring visual(logical.rbegin(), logical.rend());
    tw::UniqueEnhMetaFile emf = FontPage(L"DejaVu Sans", [&](HDC dc) { DrawGlyphs(dc, 20, 20, Glyphs(dc, visual)); });
    PageTextSettings utf8;
    utf8.encoding = tw::TextEncoding::Utf8;
    PageRead page;
    Read(emf.get(), page, Lines(), utf8);
    EXPECT_EQ(page.text, logical + L"\n");
}

TEST(GlyphText, MissingGlyphsBecomeQuestionMarksOrTatweels) {
    const wchar_t missing = 0xFFFD;
    EXPECT_EQ(tw::ReplaceMissingCharacters(std::wstring(L"a") + missing + L"b"), L"a?b");
    EXPECT_EQ(tw::ReplaceMissingCharacters(std::wstring(L"\x0628") + missing + missing + L"\x062A"),
              L"\x0628\x0640\x0640\x062A");
    EXPECT_EQ(tw::ReplaceMissingCharacters(std::wstring(1, missing) + L"\x062A"), L"?\x062A");
    EXPECT_EQ(tw::PlausibilityScore(L"Ab1 .;#"), 5);
}

// The left and right of the first word in the coordinate layout ("[[left,top,right,bottom]...").
std::pair<int, int> FirstWordSpan(const tw::TCTextOut& collector) {
    TextLayoutOptions o = Lines(TextLayoutMode::Advanced);
    o.wordCoordinates = true;
    const std::wstring text = collector.Layout(o);
    int left = 0, top = 0, right = 0;
    if (::swscanf(text.c_str(), L"[[%d,%d,%d", &left, &top, &right) != 3) return {-1, -1};
    return {left, right};
}

TEST(PageTextGeometry, ARunWithNegativeSpacingLiesLeftOfItsReferencePoint) {
    // The same three letters from the same point, advancing 40 units to the right, then to the left.
    auto page = [](int step) {
        return FontPage(L"Liberation Sans", [step](HDC dc) {
            const INT dx[] = {step, step, step};
            ::ExtTextOutW(dc, 200, 20, 0, nullptr, L"abc", 3, dx);
        });
    };
    PageRead forward, backward;
    Read(page(40).get(), forward, Lines());
    Read(page(-40).get(), backward, Lines());
    EXPECT_EQ(forward.text, L"abc\n");
    EXPECT_EQ(backward.text, L"abc\n");
    const auto [fl, fr] = FirstWordSpan(*forward.state.collector);
    const auto [bl, br] = FirstWordSpan(*backward.state.collector);
    ASSERT_GT(fr, fl);
    // Forward the word starts at the reference point; backward "c" lies two steps left of it
    // and "a" ends one glyph right of it.
    EXPECT_LT(bl, fl - (fr - fl) / 3) << bl << " " << fl;
    EXPECT_LT(br, fr);
    EXPECT_GT(br, fl);
}

// ---- Markers

tw::UniqueEnhMetaFile TextPage(const std::vector<std::wstring>& lines) {
    return FontPage(L"Liberation Sans", [&](HDC dc) {
        int y = 20;
        for (const std::wstring& line : lines) {
            ::TextOutW(dc, 20, y, line.c_str(), static_cast<int>(line.size()));
            y += 60;
        }
    });
}

TEST(PageMarkers, FieldsAreReadAndHidden) {
    tw::UniqueEnhMetaFile emf = TextPage({L"To: ##**EmailTo=a@b.example** ok", L"Code ##~~12345~~ end",
                                          L"# single ##**plain** and ##**Filename=out.tif**"});
    PageRead page;
    Read(emf.get(), page, Lines());
    EXPECT_EQ(page.text, L"To: a@b.example ok\nCode  end\n# single plain and out.tif\n");
    const tw::MarkerScanner& m = page.state.markers;
    EXPECT_EQ(m.Values(L"emailto"), std::vector<std::wstring>{L"a@b.example"});
    EXPECT_EQ(m.Values(L"Filename"), std::vector<std::wstring>{L"out.tif"});
    ASSERT_EQ(m.Fields().size(), 4u);
    EXPECT_EQ(m.Fields()[1].kind, tw::MarkerField::Kind::Barcode);
    EXPECT_EQ(m.Fields()[1].value, L"12345");
    EXPECT_EQ(m.CollectedText(), L"EmailTo=a@b.example=plain!Filename=out.tif=");
}

TEST(PageMarkers, ScannerEdgeCases) {
    tw::MarkerScanner s;
    // Markers may span records; more than two number signs open one too.
    s.Feed(L"x###*");
    s.Feed(L"*P1=v*al**");
    ASSERT_EQ(s.Fields().size(), 1u);
    EXPECT_EQ(s.Values(L"P1"), std::vector<std::wstring>{L"v*al"});
    std::wstring visible;
    const std::wstring all = L"x###**P1=v*al**";
    for (size_t i = 0; i < all.size(); ++i)
        if (!s.IsMarked(i)) visible += all[i];
    EXPECT_EQ(visible, L"x#v*al");
    // A marker that never ends hides its opening only, and yields no field.
    s.Reset();
    s.Feed(L"##**EmailTo=never closed");
    EXPECT_TRUE(s.Fields().empty());
    EXPECT_FALSE(s.IsMarked(12));
    EXPECT_TRUE(s.IsMarked(3));
}

TEST(PageMarkers, MarkersAreAbsentFromTheDrawing) {
    // The marked page draws exactly what the page with the visible text alone draws.
    tw::UniqueEnhMetaFile marked = TextPage({L"##**EmailTo=a**", L"x##~~123~~y"});
    tw::UniqueEnhMetaFile plain = TextPage({L"a", L"xy"});
    PageRead page;
    Read(marked.get(), page, Lines());
    ASSERT_TRUE(page.state.markers.HasMarks());
    auto draw = [](HENHMETAFILE emf, const tw::MarkerScanner* markers) {
        return twtest::PlayPageBits(emf, 600, 300, markers);
    };
    const std::vector<BYTE> hidden = draw(marked.get(), &page.state.markers);
    EXPECT_EQ(hidden, draw(plain.get(), nullptr));
    EXPECT_NE(draw(marked.get(), nullptr), hidden);  // without the filter the markers show
}

TEST(PageMarkers, RecordRewriteKeepsSpacingAndOptions) {
    tw::MarkerScanner s;
    s.Feed(L"ab##~~c~~");
    std::string bytes = twtest::ExtTextOutWRecord(5, 6, ETO_GLYPH_INDEX, L"ab##~~c~~");
    std::vector<BYTE> record(bytes.begin(), bytes.end());
    tw::MarkerFilter filter(s);
    ASSERT_TRUE(tw::FilterTextRecord(record, filter));
    std::vector<tw::EmfTextRun> runs = tw::ReadTextRuns(record.data(), static_cast<DWORD>(record.size()));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, L"ab");
    EXPECT_EQ(runs[0].options & ETO_GLYPH_INDEX, static_cast<UINT>(ETO_GLYPH_INDEX));
    // A text that loses every character is drawn as one plain space.
    s.Reset();
    s.Feed(L"##~~c~~");
    bytes = twtest::ExtTextOutWRecord(5, 6, ETO_GLYPH_INDEX, L"##~~c~~");
    record.assign(bytes.begin(), bytes.end());
    tw::MarkerFilter again(s);
    ASSERT_TRUE(tw::FilterTextRecord(record, again));
    runs = tw::ReadTextRuns(record.data(), static_cast<DWORD>(record.size()));
    EXPECT_EQ(runs[0].text, L" ");
    EXPECT_EQ(runs[0].options & ETO_GLYPH_INDEX, 0u);
}

}  // namespace
