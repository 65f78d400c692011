// Fonts carried by a page: installed for the job from the page's GDI comments (as the spooler
// embeds them), used by the page, and gone again when the job lets them go. Malformed records
// and files are skipped without harm.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MetafileTestSupport.h"
#include "emfimage/FontPackageMerger.h"
#include "emfimage/FontResource.h"
#include "emfimage/PagePlayer.h"
#include "emfimage/TTFHandler.h"
#include "emfimage/TemporaryFonts.h"
#include "support/TestSupport.h"

namespace {

constexpr wchar_t kInstalledFace[] = L"DejaVu Sans";
constexpr wchar_t kFontFile[] = L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf";

void ReplaceAll(std::string& bytes, const std::string& from, const std::string& to) {
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
        bytes.replace(at, from.size(), to);
}

std::string Utf16Be(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += '\0', out += c;
    return out;
}

// The installed font under a family name no font of the machine has (same length, so every
// table offset stays as it was).
std::string RenamedFont(const std::string& family) {
    std::string font = twtest::ReadFileBytes(kFontFile);
    ReplaceAll(font, Utf16Be("DejaVu Sans"), Utf16Be(family));
    ReplaceAll(font, "DejaVu Sans", family);
    ReplaceAll(font, Utf16Be("DejaVuSans"), Utf16Be(family.substr(0, 10)));
    ReplaceAll(font, "DejaVuSans", family.substr(0, 10));
    return font;
}

void Put32(std::string& s, DWORD v) { s.append(reinterpret_cast<const char*>(&v), 4); }

// An engine-font record of the spool format with these font files.
std::string EngineFontRecord(const std::vector<std::string>& files) {
    std::string r;
    Put32(r, tw::fontrec::kEngineFont);
    Put32(r, 0);
    Put32(r, 0);  // type-1 identifier
    Put32(r, static_cast<DWORD>(files.size()));
    for (const std::string& f : files) Put32(r, static_cast<DWORD>(f.size()));
    if (files.size() % 2) Put32(r, 0);
    for (const std::string& f : files) r += f;
    const DWORD size = static_cast<DWORD>(r.size());
    std::memcpy(r.data() + 4, &size, 4);
    return r;
}

std::string PackageRecord(DWORD type, ULONGLONG id, const std::string& package) {
    std::string r;
    Put32(r, type);
    Put32(r, static_cast<DWORD>(8 + package.size()));
    r.append(reinterpret_cast<const char*>(&id), 8);
    return r + package;
}

// The comment data that carries a font record: 0, "FNOT", the record.
std::string Carrier(const std::string& record) {
    std::string data;
    Put32(data, 0);
    Put32(data, tw::fontrec::kSignature);
    return data + record;
}

const BYTE* Bytes(const std::string& s) { return reinterpret_cast<const BYTE*>(s.data()); }

// GDI keeps the faces it chose for a font description: each look-up uses a height of its own.
std::wstring FaceChosenFor(const wchar_t* face) {
    static LONG height = 40;
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    LOGFONTW lf{};
    lf.lfHeight = -(++height);
    ::wcscpy(lf.lfFaceName, face);
    tw::UniqueGdiObject font(::CreateFontIndirectW(&lf));
    tw::SelectGuard select(dc.get(), font.get());
    wchar_t chosen[LF_FACESIZE] = {};
    ::GetTextFaceW(dc.get(), LF_FACESIZE, chosen);
    return chosen;
}

// A page that prints a word in `face` at `height`, with `comments` (font carriers) before the text.
std::string WordPage(const wchar_t* face, const std::vector<std::string>& comments, LONG height = 60) {
    return twtest::RecordPage(60, 20, [&](HDC dc) {
        for (const std::string& c : comments) ::GdiComment(dc, static_cast<UINT>(c.size()), Bytes(c));
        LOGFONTW lf{};
        lf.lfHeight = -height;
        ::wcscpy(lf.lfFaceName, face);
        HFONT font = ::CreateFontIndirectW(&lf);
        HGDIOBJ old = ::SelectObject(dc, font);
        ::TextOutW(dc, 10, 10, L"Quartz 8@", 9);
        ::SelectObject(dc, old);
        ::DeleteObject(font);
    });
}

std::vector<BYTE> Draw(const std::string& page) {
    tw::UniqueEnhMetaFile emf = twtest::EmfFromBits(page);
    return twtest::PlayPageBits(emf.get(), 400, 120);
}

class FontResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        original = twtest::ReadFileBytes(kFontFile);
        if (original.empty()) GTEST_SKIP() << "the DejaVu font is not installed";
    }
    std::string original;
};

TEST_F(FontResourceTest, EmbeddedEngineFontRendersThePageAndLeavesWithTheJob) {
    const std::wstring face = L"TarnEmbed A";
    ASSERT_NE(FaceChosenFor(face.c_str()), face) << "the test face must not be installed";
    const std::string record = EngineFontRecord({RenamedFont("TarnEmbed A")});
    // The application printed the page with the font installed (the text's spacing is that font's);
    // the spooler process has no such font.
    std::string page;
    {
        tw::CFontResource application;
        application.AddFontRecord(Bytes(record), record.size());
        page = WordPage(face.c_str(), {Carrier(record)});
    }
    ASSERT_NE(FaceChosenFor(face.c_str()), face);
    {
        tw::CFontResource fonts;
        tw::UniqueEnhMetaFile emf = twtest::EmfFromBits(page);
        tw::RegisterMetafileFonts(emf.get(), fonts);
        EXPECT_EQ(fonts.InstalledFonts(), 1u);
        EXPECT_EQ(FaceChosenFor(face.c_str()), face);
        // The page renders exactly as with the installed font it was made from.
        const std::vector<BYTE> embedded = Draw(page);
        EXPECT_EQ(embedded, Draw(WordPage(kInstalledFace, {})));
        // The same font in every page is installed once.
        tw::RegisterMetafileFonts(emf.get(), fonts);
        fonts.AddFontRecord(Bytes(record), record.size());
        EXPECT_EQ(fonts.InstalledFonts(), 1u);
        fonts.Clear();
        EXPECT_NE(FaceChosenFor(face.c_str()), face);
        tw::RegisterMetafileFonts(emf.get(), fonts);
        EXPECT_EQ(FaceChosenFor(face.c_str()), face);
    }
    EXPECT_NE(FaceChosenFor(face.c_str()), face) << "the job's end removes its fonts";
}

TEST_F(FontResourceTest, EvenAndOddFileCountsFindTheirFiles) {
    tw::CFontResource fonts;
    const std::string two = EngineFontRecord({RenamedFont("TarnEven AA"), RenamedFont("TarnEven BB")});
    fonts.AddFontRecord(Bytes(two), two.size());
    EXPECT_EQ(fonts.InstalledFonts(), 2u);
    EXPECT_EQ(FaceChosenFor(L"TarnEven BB"), L"TarnEven BB");
    const std::string three =
        EngineFontRecord({RenamedFont("TarnOdd AAA"), RenamedFont("TarnOdd BBB"), RenamedFont("TarnOdd CCC")});
    fonts.AddFontRecord(Bytes(three), three.size());
    EXPECT_EQ(fonts.InstalledFonts(), 5u);
    EXPECT_EQ(FaceChosenFor(L"TarnOdd CCC"), L"TarnOdd CCC");
}

TEST_F(FontResourceTest, SubsetAndDeltaFontsAreMerged) {
    tw::CFontResource fonts;
    const std::string delta = PackageRecord(tw::fontrec::kDeltaFont, 7, RenamedFont("TarnDelta A"));
    fonts.AddFontRecord(Bytes(delta), delta.size());  // no subset font yet: ignored
    EXPECT_EQ(fonts.InstalledFonts(), 0u);
    const std::string subset = PackageRecord(tw::fontrec::kSubsetFont, 7, RenamedFont("TarnSubsetA"));
    fonts.AddFontRecord(Bytes(subset), subset.size());
    EXPECT_EQ(fonts.InstalledFonts(), 1u);
    EXPECT_EQ(FaceChosenFor(L"TarnSubsetA"), L"TarnSubsetA");
    fonts.AddFontRecord(Bytes(delta), delta.size());
    EXPECT_EQ(fonts.InstalledFonts(), 1u);  // the merged font replaces the subset
    EXPECT_EQ(FaceChosenFor(L"TarnSubsetA"), L"TarnSubsetA");
}

TEST_F(FontResourceTest, OwnDeltaMergeAddsTheMissingGlyphs) {
    // The merge rebuilds the glyph table and its index in the long format: the merged font must
    // draw exactly as the font it came from.
    const std::string font = RenamedFont("TarnMerge A");
    std::vector<BYTE> whole(font.begin(), font.end()), merged;
    ASSERT_TRUE(tw::FontPackageMerger::MergeOwn({}, whole.data(), whole.size(), tw::FontMergeMode::Subset, merged));
    EXPECT_EQ(merged, whole);
    ASSERT_TRUE(tw::FontPackageMerger::MergeOwn(whole, whole.data(), whole.size(), tw::FontMergeMode::Delta, merged));
    EXPECT_TRUE(tw::TTFHandler::LooksLikeFont(merged.data(), merged.size()));
    tw::CFontResource fonts;
    const std::string carried(merged.begin(), merged.end());
    const std::string record = EngineFontRecord({carried});
    fonts.AddFontRecord(Bytes(record), record.size());
    ASSERT_EQ(fonts.InstalledFonts(), 1u);
    EXPECT_EQ(Draw(WordPage(L"TarnMerge A", {})), Draw(WordPage(kInstalledFace, {})));
    const std::string junk = "not a font at all";
    EXPECT_FALSE(tw::FontPackageMerger::MergeOwn(whole, Bytes(junk), junk.size(), tw::FontMergeMode::Delta, merged));
}

TEST_F(FontResourceTest, MalformedRecordsAndFilesAreSkipped) {
    tw::CFontResource fonts;
    std::string record = EngineFontRecord({RenamedFont("TarnBroke A")});
    // Truncated: the font file runs past the data.
    fonts.AddFontRecord(Bytes(record), record.size() / 2);
    // Lying: a file size far beyond the record.
    std::string lying = record;
    const DWORD huge = 0x7FFFFFF0;
    std::memcpy(lying.data() + 16, &huge, 4);
    fonts.AddFontRecord(Bytes(lying), lying.size());
    // A file count that cannot fit.
    std::string counted = record;
    const DWORD many = 0x40000000;
    std::memcpy(counted.data() + 12, &many, 4);
    fonts.AddFontRecord(Bytes(counted), counted.size());
    // Not a font.
    const std::string text = EngineFontRecord({std::string(4000, 'x')});
    fonts.AddFontRecord(Bytes(text), text.size());
    // A name table that points outside the font.
    std::string broken = RenamedFont("TarnBroke B");
    broken.resize(2000);
    const std::string cut = EngineFontRecord({broken});
    fonts.AddFontRecord(Bytes(cut), cut.size());
    const std::string unknown = PackageRecord(99, 1, "x");
    fonts.AddFontRecord(Bytes(unknown), unknown.size());
    EXPECT_EQ(fonts.InstalledFonts(), 0u);
    EXPECT_NE(FaceChosenFor(L"TarnBroke A"), L"TarnBroke A");
    // Comments that only look like carriers.
    size_t size = 0;
    std::string comment(24, '\0');
    EXPECT_EQ(tw::FontRecordOfComment(Bytes(comment), comment.size(), size), nullptr);
}

TEST_F(FontResourceTest, TemporaryFontFilesStayInTheTemporaryFolder) {
    const std::wstring dir = twtest::MakeTempDir(L"tmpfonts");
    twtest::WriteFileBytes(dir + L"\\TWF1.TMP", RenamedFont("TarnTemp AA"));
    twtest::WriteFileBytes(dir + L"\\JUNK.TMP", std::string(3000, 'j'));
    std::wstring path;
    EXPECT_TRUE(tw::TemporaryFontPath(dir, L"twf1.tmp", path));
    EXPECT_EQ(path, dir + L"\\TWF1.TMP");
    EXPECT_FALSE(tw::TemporaryFontPath(dir, L"..\\secret.tmp", path));
    EXPECT_FALSE(tw::TemporaryFontPath(dir, L"C:x.tmp", path));
    EXPECT_FALSE(tw::TemporaryFontPath(dir, L"sub/x.tmp", path));
    EXPECT_FALSE(tw::TemporaryFontPath(dir, L"Arial", path));

    tw::CFontResource fonts;
    tw::TemporaryFontLoader loader(fonts, dir, L"szFontName(2)");
    auto fontRecord = [](const wchar_t* face) {
        std::vector<BYTE> r(sizeof(EMREXTCREATEFONTINDIRECTW), 0);
        std::memcpy(r.data() + offsetof(EMREXTCREATEFONTINDIRECTW, elfw.elfLogFont.lfFaceName), face,
                    std::wcslen(face) * sizeof(wchar_t));
        return r;
    };
    std::vector<BYTE> lower = fontRecord(L"twf1.tmp");
    loader.OnFontRecord(lower);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(
                  lower.data() + offsetof(EMREXTCREATEFONTINDIRECTW, elfw.elfLogFont.lfFaceName))),
              L"TWF1.TMP");
    EXPECT_EQ(fonts.InstalledFonts(), 1u);
    loader.OnFontRecord(lower);  // the same file is not read again
    std::vector<BYTE> junk = fontRecord(L"junk.tmp"), escape = fontRecord(L"..\\..\\x.tmp");
    loader.OnFontRecord(junk);
    loader.OnFontRecord(escape);
    EXPECT_EQ(fonts.InstalledFonts(), 1u);
    EXPECT_EQ(FaceChosenFor(L"TarnTemp AA"), L"TarnTemp AA");
    fonts.Clear();
    twtest::RemoveTree(dir);
}

}  // namespace
