// The TIFF and fax writers' own parts: the tags of a page in their order (against a recording
// stand-in for the library), the row callbacks, the CALS header, the coding tables, and the
// multi-page writer's failure protocol against the real library.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/WideString.h"
#include "support/RenderFixture.h"
#include "support/TestSupport.h"
#include "twfile/BlFaxFiles.h"
#include "twfile/BlTIFFFile.h"
#include "twfile/CalsHeader.h"
#include "twfile/TiffCompression.h"
#include "twfile/TiffPageTags.h"
#include "twfile/TiffRows.h"

namespace {

// ---- A recording stand-in for the library's tag and encode entry points.
struct Recorded {
    int tag;
    int type;
    std::vector<LONG> values;
};
std::vector<Recorded> g_tags;
int g_encodedRows = 0;

BOOL WINAPI RecordInfo(HTIFFDOC, int, int tag, int type, LONG value) {
    g_tags.push_back({tag, type, {value}});
    return TRUE;
}
BOOL WINAPI RecordBuffer(HTIFFDOC, int, int tag, const void* buffer, int type, int count) {
    Recorded r{tag, type, {}};
    if (type == TIFF_TYPE_SHORT)
        for (int i = 0; i < count; ++i) r.values.push_back(static_cast<const WORD*>(buffer)[i]);
    else
        r.values = {static_cast<LONG>(static_cast<const DWORD*>(buffer)[0]), static_cast<LONG>(static_cast<const DWORD*>(buffer)[1])};
    g_tags.push_back(r);
    return TRUE;
}
BOOL WINAPI RecordEncode(HTIFFDOC, int, void* params, TIFFROWPROC proc) {
    std::vector<BYTE> row(4096);  // the library's buffer holds a stride and more
    g_encodedRows = 0;
    while (proc(row.data(), g_encodedRows, params) == TIFF_ROW_OK) ++g_encodedRows;
    return TRUE;
}

tw::TiffFunctions Recorder() {
    tw::TiffFunctions fn;
    fn.DefineTiffImageInfo = &RecordInfo;
    fn.DefineTiffImageInfoBuffer = &RecordBuffer;
    fn.EncodeTiffImage = &RecordEncode;
    return fn;
}

// A small bottom-up DIB: header, palette, rows.
struct TestDib {
    std::vector<BYTE> bytes;
    tw::DibView view;
    TestDib(LONG width, LONG height, WORD bits, std::vector<RGBQUAD> palette, LONG ppm = 11811) {
        const DWORD stride = (width * bits + 31) / 32 * 4;
        BITMAPINFOHEADER h{sizeof(h), width, height, 1, bits, BI_RGB, stride * height, ppm, ppm,
                           static_cast<DWORD>(palette.size()), 0};
        bytes.resize(sizeof(h) + palette.size() * 4 + stride * height);
        std::memcpy(bytes.data(), &h, sizeof(h));
        if (!palette.empty()) std::memcpy(bytes.data() + sizeof(h), palette.data(), palette.size() * 4);
        for (size_t i = 0; i < stride * static_cast<size_t>(height); ++i)
            bytes[sizeof(h) + palette.size() * 4 + i] = static_cast<BYTE>(i * 7 + 1);
        EXPECT_TRUE(tw::ViewDib(bytes.data(), bytes.size(), view));
    }
};

const RGBQUAD kBlack{0, 0, 0, 0}, kWhite{255, 255, 255, 0};

std::vector<int> Tags() {
    std::vector<int> tags;
    for (const Recorded& r : g_tags) tags.push_back(r.tag);
    return tags;
}

const Recorded* Find(int tag) {
    const Recorded* last = nullptr;
    for (const Recorded& r : g_tags)
        if (r.tag == tag) last = &r;
    return last;
}

TEST(TiffPageTags, MonochromePageTagsInOrder) {
    TestDib dib(40, 6, 1, {kBlack, kWhite});
    tw::TiffPageOptions options;
    options.format = 21;
    options.pageNumbering = true;
    options.pageNumber = 3;
    options.reverseBitOrder = true;
    options.internetTiff = true;
    g_tags.clear();
    ASSERT_TRUE(tw::WriteTiffPage(Recorder(), nullptr, 0, dib.view, options));
    EXPECT_EQ(Tags(), (std::vector<int>{297, 259, 292, 256, 257, 258, 277, 278, 266, 254, 282, 283, 296, 262}));
    EXPECT_EQ(Find(297)->values, (std::vector<LONG>{2, 0}));
    EXPECT_EQ(Find(259)->values[0], 3);
    EXPECT_EQ(Find(292)->values[0], 0);
    EXPECT_EQ(Find(278)->values[0], 6);
    EXPECT_EQ(Find(266)->values[0], 2);
    EXPECT_EQ(Find(254)->values[0], 2);
    EXPECT_EQ(Find(282)->values, (std::vector<LONG>{300, 1}));
    EXPECT_EQ(Find(262)->values[0], 0);
    EXPECT_EQ(g_encodedRows, 6);

    // Without the options: no PageNumber, no NewSubfileType, FillOrder 1; Group 4 has no T4Options.
    options = {};
    options.format = 7;
    g_tags.clear();
    ASSERT_TRUE(tw::WriteTiffPage(Recorder(), nullptr, 0, dib.view, options));
    EXPECT_EQ(Tags(), (std::vector<int>{259, 256, 257, 258, 277, 278, 266, 282, 283, 296, 262}));
    EXPECT_EQ(Find(259)->values[0], 4);
    EXPECT_EQ(Find(266)->values[0], 1);
}

TEST(TiffPageTags, ColourPagesStripsAndColorMap) {
    std::vector<RGBQUAD> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
    TestDib grey(1000, 100, 8, palette);
    tw::TiffPageOptions options;
    options.format = 9;
    g_tags.clear();
    ASSERT_TRUE(tw::WriteTiffPage(Recorder(), nullptr, 0, grey.view, options));
    EXPECT_EQ(Find(262)->values[0], 3);
    EXPECT_EQ(Find(258)->values[0], 8);
    EXPECT_EQ(Find(278)->values[0], 65);
    const std::vector<LONG>& map = Find(320)->values;
    ASSERT_EQ(map.size(), 768u);
    EXPECT_EQ(map[5], 7 << 8);          // red of entry 5
    EXPECT_EQ(map[256 + 5], 250 << 8);  // green
    EXPECT_EQ(map[512 + 5], 5 << 8);    // blue

    TestDib rgb(1000, 100, 24, {});
    g_tags.clear();
    ASSERT_TRUE(tw::WriteTiffPage(Recorder(), nullptr, 0, rgb.view, options));
    EXPECT_EQ(Find(262)->values[0], 2);
    EXPECT_EQ(Find(258)->values, (std::vector<LONG>{8, 8, 8}));
    EXPECT_EQ(Find(277)->values[0], 3);
    EXPECT_EQ(Find(284)->values[0], 1);
    EXPECT_EQ(Find(278)->values[0], 2);
}

TEST(TiffRows, TopRowFirstInkAsOneAndBgrSwapped) {
    TestDib dib(16, 3, 1, {kBlack, kWhite});
    tw::RowSource rows = tw::MonochromeRows(dib.view);
    BYTE row[8] = {};
    ASSERT_EQ(tw::MonochromeRowProc(row, 0, &rows), TIFF_ROW_OK);
    const BYTE* top = dib.view.bits + 2 * dib.view.stride;  // bottom-up: the last row in memory
    EXPECT_EQ(row[0], static_cast<BYTE>(~top[0]));
    EXPECT_EQ(row[3], static_cast<BYTE>(~top[3]));
    EXPECT_EQ(tw::MonochromeRowProc(row, 3, &rows), TIFF_ROW_END);
    EXPECT_EQ(tw::MonochromeRowProc(row, -1, &rows), TIFF_ROW_END);

    // White at palette entry 0: the 1 bits are already ink.
    TestDib white(16, 3, 1, {kWhite, kBlack});
    rows = tw::MonochromeRows(white.view);
    ASSERT_EQ(tw::MonochromeRowProc(row, 0, &rows), TIFF_ROW_OK);
    EXPECT_EQ(row[0], white.view.bits[2 * white.view.stride]);
    // The IOCA rows are the other way round: 0 bits are ink.
    rows = tw::CopiedRows(dib.view);
    ASSERT_EQ(tw::MonochromeRowProc(row, 0, &rows), TIFF_ROW_OK);
    EXPECT_EQ(row[0], top[0]);

    TestDib rgb(2, 1, 24, {});
    rows = tw::RgbRows(rgb.view);
    ASSERT_EQ(tw::RgbRowProc(row, 0, &rows), TIFF_ROW_OK);
    for (int px = 0; px < 2; ++px)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(row[3 * px + c], rgb.view.bits[3 * px + 2 - c]);
}

TEST(CalsHeader, RecordsOfA200DpiPage) {
    const tw::CalsHeader header = tw::BuildCalsHeader(1728, 2200, 7874);
    const std::string text(header.data(), header.size());
    auto record = [&](int i) { return text.substr(i * 128, 128); };
    auto trimmed = [&](int i) {
        std::string r = record(i);
        return r.substr(0, r.find_last_not_of(' ') + 1);
    };
    EXPECT_EQ(trimmed(0), "srcdocid:");
    EXPECT_EQ(trimmed(6), "rtype: 1");
    EXPECT_EQ(trimmed(7), "rorient: 000,270");
    EXPECT_EQ(trimmed(8), "rpelcnt: 001728,002200");
    EXPECT_EQ(trimmed(9), "rdensty: 0200");
    EXPECT_EQ(trimmed(10), "notes:");
    for (int i = 11; i < 16; ++i) EXPECT_EQ(record(i), std::string(128, ' '));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(tw::CalsDensity(11811), 300);
}

TEST(TiffTables, CompressionCodingAndSaveCodes) {
    EXPECT_EQ(tw::TiffCompressionFor(3, false).compression, 1);
    EXPECT_EQ(tw::TiffCompressionFor(5, false).t4Options, 4);
    EXPECT_EQ(tw::TiffCompressionFor(6, false).t4Options, 1);
    for (DWORD code : {4u, 21u, 22u, 23u, 30u, 44u, 45u}) EXPECT_EQ(tw::TiffCompressionFor(code, false).t4Options, 0);
    for (DWORD code : {7u, 42u, 43u}) EXPECT_EQ(tw::TiffCompressionFor(code, false).compression, 4);
    EXPECT_EQ(tw::TiffCompressionFor(8, false).compression, 32773);
    EXPECT_EQ(tw::TiffCompressionFor(10, false).compression, 0);
    EXPECT_EQ(tw::TiffCompressionFor(10, true).compression, 6);
    EXPECT_EQ(tw::TiffSaveCodeFor(9), TIFF_SAVE_LZW);
    EXPECT_EQ(tw::TiffSaveCodeFor(4), TIFF_SAVE_DEFAULT);
    EXPECT_EQ(tw::RawFaxCoding(12), 3u);
    EXPECT_EQ(tw::RawFaxCoding(13), 0x40003u);
    EXPECT_EQ(tw::RawFaxCoding(14), 0x10003u);
    EXPECT_EQ(tw::RawFaxCoding(15), 4u);
    EXPECT_EQ(tw::DpiFromPelsPerMeter(11811), 300);
    EXPECT_EQ(tw::DpiFromPelsPerMeter(8031), 204);
}

class TiffWriter : public ::testing::Test {
protected:
    void SetUp() override { dir = twtest::MakeTempDir(L"tiffwriter"); }
    void TearDown() override { twtest::RemoveTree(dir); }
    std::wstring dir;
};

TEST_F(TiffWriter, FirstPageFailingBeforeEncodingClosesTheFile) {
    twtest::RenderFixture fx;
    fx.DevMode().Dpi(100, 100);
    auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), 7, false);
    auto* tiff = dynamic_cast<tw::CBlTIFFFile*>(writer.get());
    ASSERT_NE(tiff, nullptr);
    const std::wstring name = dir + L"\\doc.tif";
    ASSERT_TRUE(tiff->OpenTIFFFile(name.c_str()));
    tw::UniqueHGlobal bad(twtest::GlobalFromBytes(std::string(64, 'x')));
    EXPECT_FALSE(tiff->SaveTIFFPage(bad.get(), 64, TRUE));
    const std::string page = twtest::SamplePage();
    tw::UniqueHGlobal good(twtest::GlobalFromBytes(page));
    tiff->SetCurrentPage(2);
    EXPECT_FALSE(tiff->SaveTIFFPage(good.get(), page.size(), TRUE));
    EXPECT_EQ(tw::ToUtf8(fx.Job().StatusText()), "Internal error: 5.");
    EXPECT_TRUE(tiff->CloseTIFFFile());
}

TEST_F(TiffWriter, MissingLibraryAndNullArguments) {
    {
        twtest::RenderFixture fx;
        auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), 7, false);
        auto* tiff = dynamic_cast<tw::CBlTIFFFile*>(writer.get());
        EXPECT_FALSE(tiff->OpenTIFFFile(nullptr));
        EXPECT_EQ(tw::ToUtf8(fx.Job().StatusText()), "Internal error: 2.");
    }
    {
        twtest::RenderFixture fx;
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        dm.SetText(tw::dmtext::TIFFDllName, L"NoSuchTiffLibrary.dll");
        auto writer = tw::CreateBlFileObject(dm, &fx.Job(), 7, false);
        const std::string page = twtest::SamplePage();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
        EXPECT_FALSE(writer->SaveFile(block.get(), page.size(), (dir + L"\\x.tif").c_str(), TRUE));
        EXPECT_EQ(tw::ToUtf8(fx.Job().StatusText()), "TIFF32.DLL cannot be loaded");
    }
    for (DWORD code : {11u, 12u, 19u}) {
        twtest::RenderFixture fx;
        auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), code, false);
        ASSERT_NE(writer, nullptr);
        EXPECT_FALSE(writer->SaveFile(nullptr, 0, (dir + L"\\x").c_str(), TRUE));
        const char* expected = code == 11 ? "Internal error: 27." : code == 12 ? "Internal error: 32." : "Internal error: 100.";
        EXPECT_EQ(tw::ToUtf8(fx.Job().StatusText()), expected) << code;
    }
}

}  // namespace

namespace {

// Pages in a TIFF file or block, as the library reads them back.
int PagesOf(const std::wstring& file) {
    HMODULE lib = ::LoadLibraryW(L"TIFF32.DLL");
    if (!lib) return -1;
    auto open = reinterpret_cast<PFN_OpenTiffFileW>(reinterpret_cast<void*>(::GetProcAddress(lib, "OpenTiffFileW")));
    auto info = reinterpret_cast<PFN_GetTiffFileInfo>(reinterpret_cast<void*>(::GetProcAddress(lib, "GetTiffFileInfo")));
    auto close = reinterpret_cast<PFN_CloseTiffFile>(reinterpret_cast<void*>(::GetProcAddress(lib, "CloseTiffFile")));
    int pages = -1;
    if (HTIFFDOC doc = open(file.c_str(), TIFF_MODE_READ)) {
        TIFFFILEINFO fi{};
        if (info(doc, &fi)) pages = fi.nImages;
        close(doc);
    }
    ::FreeLibrary(lib);
    return pages;
}

TEST_F(TiffWriter, ColourPagesThroughTheResidentAndReopenPaths) {
    const std::string page = twtest::SamplePage();
    // LZW holds the file open; TIFF JPEG reopens it for every page and hands colour pages over whole.
    for (DWORD code : {9u, 10u}) {
        for (DWORD colour : {1u, 3u}) {
            twtest::RenderFixture fx;
            fx.DevMode().Dpi(100, 100).ColorMode(colour);
            auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), code, false);
            auto* tiff = dynamic_cast<tw::CBlTIFFFile*>(writer.get());
            const std::wstring name = dir + L"\\c" + std::to_wstring(code) + L"_" + std::to_wstring(colour) + L".tif";
            ASSERT_TRUE(tiff->OpenTIFFFile(name.c_str()));
            for (DWORD n = 1; n <= 2; ++n) {
                tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
                tiff->SetCurrentPage(n);
                EXPECT_TRUE(tiff->SaveTIFFPage(block.get(), page.size(), TRUE)) << tw::ToUtf8(fx.Job().StatusText());
            }
            EXPECT_TRUE(tiff->CloseTIFFFile());
            EXPECT_EQ(PagesOf(name), 2) << code << " " << colour;
        }
    }
}

TEST_F(TiffWriter, MemoryWriterKeepsOneTiffPerPage) {
    twtest::RenderFixture fx;
    fx.DevMode().Dpi(100, 100);
    auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), 7, true);
    ASSERT_NE(dynamic_cast<tw::CBlMemTIFFFile*>(writer.get()), nullptr);
    const std::string page = twtest::SamplePage();
    SIZE_T first = 0;
    for (DWORD n = 1; n <= 2; ++n) {
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
        writer->SetCurrentPage(n);
        ASSERT_TRUE(writer->SaveFile(block.get(), page.size(), L"memory.tif", TRUE));
        HGLOBAL tiff = fx.Job().MemoryOutputBlock();
        tw::GlobalLockGuard<BYTE> bytes(tiff);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(std::memcmp(bytes.get(), "II*\0", 4), 0);
        // Without multi-page output every page starts the TIFF anew.
        if (n == 1) first = bytes.size();
        else EXPECT_EQ(bytes.size(), first);
    }
    EXPECT_GT(first, 1000u);
}

}  // namespace
