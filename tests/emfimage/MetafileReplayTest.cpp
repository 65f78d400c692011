// Record replay of the metafile transforms: text keeps its layout language out, and text
// records whose arrays lie outside them are skipped instead of read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "MetafileTestSupport.h"
#include "emfimage/EmfBitmapRecords.h"
#include "emfimage/EmfRecordCheck.h"
#include "emfimage/EmfTextRecords.h"
#include "emfimage/MetafileReplay.h"
#include "emfimage/PagePlayer.h"

namespace twtest {
namespace {

constexpr DWORD kIgnoreLanguage = ETO_IGNORELANGUAGE;

std::string BasePage() {
    return RecordPage(100, 100, [](HDC dc) {
        ::MoveToEx(dc, 0, 0, nullptr);
        ::LineTo(dc, 50, 50);
    });
}

// Replays `source` onto a new metafile and returns its records.
std::vector<EmfRecordBytes> ReplayedRecords(HENHMETAFILE source, tw::PlaybackStats* stats = nullptr) {
    tw::UniqueDC screen(::CreateCompatibleDC(nullptr));
    const RECT frame{0, 0, 10000, 10000};
    HDC dc = ::CreateEnhMetaFileW(screen.get(), nullptr, &frame, nullptr);
    const RECT rect{0, 0, 300, 300};
    const tw::PlaybackStats s = tw::ReplayMetafile(dc, source, rect, nullptr);
    if (stats) *stats = s;
    tw::UniqueEnhMetaFile out(::CloseEnhMetaFile(dc));
    return EmfRecords(out.get());
}

// Options of every text entry of the text records, and the texts drawn by EXTTEXTOUTW.
struct TextSeen {
    std::vector<DWORD> options;
    std::vector<std::wstring> texts;
};

TextSeen TextOf(const std::vector<EmfRecordBytes>& records) {
    TextSeen seen;
    for (const EmfRecordBytes& r : records) {
        if (r.type != EMR_EXTTEXTOUTW && r.type != EMR_POLYTEXTOUTW && r.type != 108) continue;
        if (r.type == 108) {
            seen.options.push_back(ReadDword(r.bytes, 20));
            continue;
        }
        const size_t first = r.type == EMR_EXTTEXTOUTW ? 36 : 40;
        const DWORD entries = r.type == EMR_EXTTEXTOUTW ? 1 : ReadDword(r.bytes, 36);
        for (DWORD i = 0; i < entries; ++i) {
            const size_t text = first + i * 40;
            seen.options.push_back(ReadDword(r.bytes, text + 16));
            const DWORD chars = ReadDword(r.bytes, text + 8), off = ReadDword(r.bytes, text + 12);
            seen.texts.emplace_back(reinterpret_cast<const wchar_t*>(r.bytes.data() + off), chars);
        }
    }
    return seen;
}

TEST(MetafileReplay, TextIsRedrawnWithoutIgnoreLanguage) {
    const std::string source = SpliceRecords(
        BasePage(), {ExtTextOutWRecord(10, 10, kIgnoreLanguage | ETO_OPAQUE, L"Hello"),
                     PolyTextOutWRecord({L"ab", L"cd"}, kIgnoreLanguage), SmallTextOutRecord(5, 5, kIgnoreLanguage, L"xy")});
    tw::UniqueEnhMetaFile emf = EmfFromBits(source);
    ASSERT_TRUE(emf);
    const TextSeen before = TextOf(EmfRecords(emf.get()));
    ASSERT_EQ(before.options.size(), 4u);
    for (DWORD o : before.options) ASSERT_TRUE(o & kIgnoreLanguage);

    tw::PlaybackStats stats;
    const TextSeen after = TextOf(ReplayedRecords(emf.get(), &stats));
    EXPECT_EQ(stats.skipped, 0);
    ASSERT_FALSE(after.options.empty());
    for (DWORD o : after.options) EXPECT_FALSE(o & kIgnoreLanguage) << std::hex << o;
    // The text itself survives, with the options that are not the flag.
    ASSERT_FALSE(after.texts.empty());
    EXPECT_EQ(after.texts.front(), L"Hello");
    EXPECT_TRUE(after.options.front() & ETO_OPAQUE);

    // Plain playback passes the flag on: what the replay is there to change.
    tw::UniqueDC screen(::CreateCompatibleDC(nullptr));
    const RECT frame{0, 0, 10000, 10000}, rect{0, 0, 300, 300};
    HDC dc = ::CreateEnhMetaFileW(screen.get(), nullptr, &frame, nullptr);
    ::PlayEnhMetaFile(dc, emf.get(), &rect);
    tw::UniqueEnhMetaFile plain(::CloseEnhMetaFile(dc));
    const TextSeen played = TextOf(EmfRecords(plain.get()));
    ASSERT_FALSE(played.options.empty());
    EXPECT_TRUE(played.options.front() & kIgnoreLanguage);
}

TEST(MetafileReplay, CopiesLoseTheFlagInEveryEntryAndNothingElse) {
    for (const std::string& record :
         {PolyTextOutWRecord({L"one", L"two", L"three"}, kIgnoreLanguage | ETO_CLIPPED),
          SmallTextOutRecord(1, 2, kIgnoreLanguage, L"abc"), ExtTextOutWRecord(1, 2, kIgnoreLanguage, L"x")}) {
        std::vector<BYTE> copy(record.begin(), record.end());
        ASSERT_TRUE(tw::TextRecordFits(copy.data(), static_cast<DWORD>(copy.size())));
        tw::ClearIgnoreLanguage(copy);
        size_t changed = 0;
        for (size_t i = 0; i < copy.size(); ++i)
            if (copy[i] != static_cast<BYTE>(record[i])) {
                ++changed;
                EXPECT_EQ(static_cast<BYTE>(record[i]) & ~copy[i], kIgnoreLanguage >> 8) << "byte " << i;
            }
        const DWORD type = ReadDword(record, 0);
        EXPECT_EQ(changed, type == EMR_POLYTEXTOUTW ? 3u : 1u);
    }
}

// EMR_STRETCHDIBITS of a 1-bit 8 x 8 bitmap, all pixels colour 0, with a table of red and
// blue that its header only implies: biClrUsed 0, or a core header with RGB triples.
std::string ImpliedTableDibRecord(bool core) {
    const size_t header = core ? sizeof(BITMAPCOREHEADER) : sizeof(BITMAPINFOHEADER);
    const size_t table = core ? 2 * sizeof(RGBTRIPLE) : 2 * sizeof(RGBQUAD);
    const size_t info = (header + table + 3) / 4 * 4, bits = 8 * 4;
    std::string r(80 + info + bits, '\0');
    WriteDword(r, 0, EMR_STRETCHDIBITS);
    WriteDword(r, 4, static_cast<DWORD>(r.size()));
    WriteDword(r, 40, 8), WriteDword(r, 44, 8);  // cxSrc, cySrc
    WriteDword(r, 48, 80), WriteDword(r, 52, static_cast<DWORD>(header + table));
    WriteDword(r, 56, static_cast<DWORD>(80 + info)), WriteDword(r, 60, static_cast<DWORD>(bits));
    WriteDword(r, 64, DIB_RGB_COLORS), WriteDword(r, 68, SRCCOPY);
    WriteDword(r, 72, 40), WriteDword(r, 76, 40);  // cxDest, cyDest
    if (core) {
        const BITMAPCOREHEADER h{sizeof(h), 8, 8, 1, 1};
        std::memcpy(&r[80], &h, sizeof(h));
        const BYTE colours[] = {0, 0, 255, 255, 0, 0};  // blue, green, red: red, then blue
        std::memcpy(&r[80 + header], colours, sizeof(colours));
    } else {
        BITMAPINFOHEADER h{sizeof(h), 8, 8, 1, 1, BI_RGB};
        std::memcpy(&r[80], &h, sizeof(h));
        const BYTE colours[] = {0, 0, 255, 0, 255, 0, 0, 0};
        std::memcpy(&r[80 + header], colours, sizeof(colours));
    }
    return r;
}

TEST(MetafileReplay, PaletteBitmapsKeepTheirColourTableWhenRecorded) {
    // Wine's recorder sizes the table by biClrUsed but copies the implied one over the rows and
    // past its own record (heap damage, then a crash at some later allocation); the replay
    // hands it a copy that states the count, so the recorded bitmap keeps its colours.
    for (bool core : {false, true}) {
        SCOPED_TRACE(core ? "core header" : "info header");
        const std::string record = ImpliedTableDibRecord(core);
        std::vector<BYTE> copy;
        ASSERT_TRUE(tw::StateColourCount(reinterpret_cast<const BYTE*>(record.data()),
                                         static_cast<DWORD>(record.size()), copy));
        tw::UniqueEnhMetaFile emf = EmfFromBits(SpliceRecords(BasePage(), {record}));
        ASSERT_TRUE(emf);
        tw::PlaybackStats stats;
        const std::vector<EmfRecordBytes> replayed = ReplayedRecords(emf.get(), &stats);
        EXPECT_EQ(stats.skipped, 0);
        const auto dib = std::find_if(replayed.begin(), replayed.end(),
                                      [](const EmfRecordBytes& r) { return r.type == EMR_STRETCHDIBITS; });
        ASSERT_NE(dib, replayed.end());
        const DWORD offBmi = ReadDword(dib->bytes, 48), cbBmi = ReadDword(dib->bytes, 52);
        ASSERT_EQ(cbBmi, sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
        EXPECT_EQ(ReadDword(dib->bytes, offBmi + 32), 2u);                   // biClrUsed
        EXPECT_EQ(ReadDword(dib->bytes, offBmi + 40), 0x00FF0000u);           // red
        EXPECT_EQ(ReadDword(dib->bytes, offBmi + 44), 0x000000FFu);           // blue
        EXPECT_EQ(ReadDword(dib->bytes, ReadDword(dib->bytes, 56)), 0u);      // the rows follow
    }
    // A bitmap whose count is stated, or that has no table, is played as it stands.
    std::string stated = ImpliedTableDibRecord(false);
    WriteDword(stated, 80 + 32, 2);
    std::vector<BYTE> copy;
    EXPECT_FALSE(tw::StateColourCount(reinterpret_cast<const BYTE*>(stated.data()),
                                      static_cast<DWORD>(stated.size()), copy));
}

// Each record names an array that lies (partly) outside it.
std::vector<std::string> MalformedTextRecords() {
    std::vector<std::string> bad;
    std::string r = ExtTextOutWRecord(0, 0, 0, L"abcd");
    WriteDword(r, 36 + 12, static_cast<DWORD>(r.size()) - 2);  // string runs past the end
    bad.push_back(r);
    r = ExtTextOutWRecord(0, 0, 0, L"abcd");
    WriteDword(r, 36 + 8, 0x40000000);  // nChars x 2 wraps 32 bits
    bad.push_back(r);
    r = ExtTextOutWRecord(0, 0, 0, L"abcd");
    WriteDword(r, 36 + 36, 0xFFFFFFF0);  // spacing array far away
    bad.push_back(r);
    r = ExtTextOutWRecord(0, 0, ETO_PDY, L"abcd");  // PDY needs two values per character
    bad.push_back(r);
    r = PolyTextOutWRecord({L"ab"}, 0);
    WriteDword(r, 36, 0x08000000);  // entries beyond the record
    bad.push_back(r);
    r = PolyTextOutWRecord({L"ab", L"cd"}, 0);
    WriteDword(r, 40 + 40 + 12, 0x7FFFFFF0);  // second entry's string
    bad.push_back(r);
    r = SmallTextOutRecord(0, 0, 0, L"abcd");
    WriteDword(r, 16, 1000);
    bad.push_back(r);
    return bad;
}

TEST(MetafileReplay, MalformedTextRecordsAreSkippedNotRead) {
    const std::vector<std::string> bad = MalformedTextRecords();
    for (const std::string& r : bad) {
        EXPECT_FALSE(tw::TextRecordFits(reinterpret_cast<const BYTE*>(r.data()), static_cast<DWORD>(r.size())));
        tw::ExtTextOutCall call;
        EXPECT_FALSE(tw::ReadExtTextOut(reinterpret_cast<const BYTE*>(r.data()), static_cast<DWORD>(r.size()), call));
    }
    std::vector<std::string> records = bad;
    records.push_back(ExtTextOutWRecord(20, 20, 0, L"Good"));
    const std::string source = SpliceRecords(BasePage(), records);
    const tw::EmfWalkResult walk = tw::WalkEmfRecords(reinterpret_cast<const BYTE*>(source.data()), source.size());
    EXPECT_TRUE(walk.reachedEof);
    EXPECT_EQ(walk.UnsafeCount(), bad.size());
    EXPECT_EQ(std::count(walk.verdicts.begin(), walk.verdicts.end(), tw::EmfRecordVerdict::BadTextArray),
              static_cast<long>(bad.size()));

    tw::UniqueEnhMetaFile emf = EmfFromBits(source);
    ASSERT_TRUE(emf);
    tw::PlaybackStats stats;
    const TextSeen after = TextOf(ReplayedRecords(emf.get(), &stats));
    EXPECT_EQ(stats.skipped, static_cast<int>(bad.size()));
    EXPECT_FALSE(stats.truncated);
    ASSERT_EQ(after.texts.size(), 1u);  // the well-formed record after them is still drawn
    EXPECT_EQ(after.texts.front(), L"Good");

    // The raster path's player refuses them too.
    tw::UniqueDC screen(::CreateCompatibleDC(nullptr));
    tw::UniqueGdiObject bitmap(::CreateBitmap(300, 300, 1, 1, nullptr));
    tw::SelectGuard select(screen.get(), bitmap.get());
    tw::PlaybackBudget budget;
    const tw::PlaybackStats raster =
        tw::PlayPage(screen.get(), emf.get(), RECT{0, 0, 300, 300}, nullptr, tw::FontQualityRule{}, budget);
    EXPECT_EQ(raster.skipped, static_cast<int>(bad.size()));
}

}  // namespace
}  // namespace twtest
