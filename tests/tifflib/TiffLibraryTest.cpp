// The library's call contracts as the writers rely on them, checked through its own reader
// (LoadTiffIntoDIBW) and the file bytes. Independent decoders check the same files in
// test_tifflib_native.py.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <thread>

#include "TiffLibraryFixture.h"
#include "base/UniqueHandle.h"
#include "support/TestSupport.h"

using namespace tifftest;

namespace {

class TiffLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_lib.Load()) << "TIFF32.DLL or one of its entry points is missing";
        m_dir = TempDir(L"tifflib");
        m_lib.SetTiffError(0);
    }
    void TearDown() override { twtest::RemoveTree(m_dir); }
    std::wstring Path(const wchar_t* name) const { return m_dir + L"\\" + name; }

    // Writes pages into a file opened with mode 2; returns whether everything succeeded.
    bool WriteFile(const std::wstring& path, const std::vector<const PageDib*>& pages, PageOptions options) {
        HTIFFDOC doc = m_lib.OpenTiffFileW(path.c_str(), TIFF_MODE_APPEND);
        if (!doc) return false;
        bool ok = true;
        for (const PageDib* page : pages) ok &= WritePage(m_lib, doc, *page, options) >= 0;
        return m_lib.CloseTiffFile(doc) && ok;
    }
    size_t Differences(const std::wstring& path, int page, const PageDib& expected, int tolerance = 0) {
        HGLOBAL dib = m_lib.LoadTiffIntoDIBW(path.c_str(), page, 0);
        if (!dib) return SIZE_MAX;
        return DifferentPixels(expected, dib, tolerance);
    }
    int Pages(const std::wstring& path) {
        HTIFFDOC doc = m_lib.OpenTiffFileW(path.c_str(), TIFF_MODE_READ);
        if (!doc) return -1;
        TIFFFILEINFO info{};
        m_lib.GetTiffFileInfo(doc, &info);
        m_lib.CloseTiffFile(doc);
        return info.nImages;
    }

    TiffLibrary m_lib;
    std::wstring m_dir;
};

TEST_F(TiffLibraryTest, EveryExportResolvesByName) {
    for (const char* name : twtiff::kAllExports) EXPECT_NE(::GetProcAddress(m_lib.module, name), nullptr) << name;
}

TEST_F(TiffLibraryTest, BilevelPagesRoundTripInEveryCompression) {
    // An odd width: the last byte of each row is partly padding, and the callback copies whole strides.
    PageDib page = PageDib::Make(1001, 257, 1, 7);
    struct Case {
        const wchar_t* name;
        int compression, t4, fillOrder;
    } cases[] = {{L"none.tif", 1, -1, 1},  {L"g3.tif", 3, 0, 1},      {L"g3fill.tif", 3, 4, 1}, {L"g32d.tif", 3, 1, 1},
                 {L"g3lsb.tif", 3, 0, 2},  {L"g4.tif", 4, -1, 1},     {L"g4lsb.tif", 4, -1, 2}, {L"pack.tif", 32773, -1, 1},
                 {L"lzw.tif", 5, -1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.compression << "/" << c.t4 << "/" << c.fillOrder);
        PageOptions options;
        options.compression = c.compression;
        options.t4Options = c.t4;
        options.fillOrder = c.fillOrder;
        ASSERT_TRUE(WriteFile(Path(c.name), {&page}, options));
        EXPECT_EQ(Differences(Path(c.name), 0, page), 0u);
    }
}

TEST_F(TiffLibraryTest, ColourPagesRoundTrip) {
    PageDib palette = PageDib::Make(321, 97, 8, 1), rgb = PageDib::Make(1000, 67, 24, 2);
    for (int compression : {1, 32773, 5}) {
        PageOptions options;
        options.compression = compression;
        ASSERT_TRUE(WriteFile(Path(L"pal.tif"), {&palette, &rgb}, options)) << compression;
        EXPECT_EQ(Differences(Path(L"pal.tif"), 0, palette), 0u) << compression;
        EXPECT_EQ(Differences(Path(L"pal.tif"), 1, rgb), 0u) << compression;
        ::DeleteFileW(Path(L"pal.tif").c_str());
    }
    // Compression 6 is written as JPEG that readers decode: palette and bilevel pages widened.
    PageDib bilevel = PageDib::Make(200, 64, 1, 3);
    PageOptions jpeg;
    jpeg.compression = 6;
    ASSERT_TRUE(WriteFile(Path(L"jpeg.tif"), {&rgb, &palette, &bilevel}, jpeg));
    EXPECT_LT(Differences(Path(L"jpeg.tif"), 0, rgb, 40), 1000u * 67 / 100);
    EXPECT_LT(Differences(Path(L"jpeg.tif"), 1, palette, 60), 321u * 97 / 20);
    EXPECT_LT(Differences(Path(L"jpeg.tif"), 2, bilevel, 100), 200u * 64 / 20);
}

TEST_F(TiffLibraryTest, SavedDibsRoundTrip) {
    PageDib pages[] = {PageDib::Make(333, 120, 1, 4), PageDib::Make(333, 120, 4, 5), PageDib::Make(333, 120, 8, 6),
                       PageDib::Make(333, 120, 24, 7)};
    for (int code : {TIFF_SAVE_DEFAULT, TIFF_SAVE_PACKBITS, TIFF_SAVE_LZW}) {
        std::wstring path = Path((L"save" + std::to_wstring(code) + L".tif").c_str());
        for (const PageDib& page : pages) ASSERT_TRUE(m_lib.SaveDIBInTiffFileW(path.c_str(), page.Handle(), code, 0));
        EXPECT_EQ(Pages(path), 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Differences(path, i, pages[i]), 0u) << code << " page " << i;
    }
    std::wstring jpeg = Path(L"savejpeg.tif");
    std::string ansi(jpeg.begin(), jpeg.end());
    ASSERT_TRUE(m_lib.SaveDIBInTiffFile(ansi.c_str(), pages[3].Handle(), TIFF_SAVE_JPEG, 0));
    EXPECT_LT(Differences(jpeg, 0, pages[3], 40), 333u * 120 / 100);
}

TEST_F(TiffLibraryTest, AppendingReopensAndCountsPages) {
    PageDib a = PageDib::Make(640, 100, 1, 10), b = PageDib::Make(640, 100, 1, 11), c = PageDib::Make(640, 100, 1, 12);
    PageOptions g4;
    ASSERT_TRUE(WriteFile(Path(L"multi.tif"), {&a, &b}, g4));
    HTIFFDOC doc = m_lib.OpenTiffFileW(Path(L"multi.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    TIFFFILEINFO info{};
    ASSERT_TRUE(m_lib.GetTiffFileInfo(doc, &info));
    EXPECT_EQ(info.nImages, 2);
    EXPECT_EQ(WritePage(m_lib, doc, c, g4), 2);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    EXPECT_EQ(Pages(Path(L"multi.tif")), 3);
    EXPECT_EQ(Differences(Path(L"multi.tif"), 2, c), 0u);
    EXPECT_EQ(m_lib.LoadTiffIntoDIBW(Path(L"multi.tif").c_str(), 3, 0), nullptr);
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_PAGE_INDEX);
}

TEST_F(TiffLibraryTest, DocumentWithoutPagesLeavesItsFileEmpty) {
    twtest::WriteFileBytes(Path(L"empty.tif"), "");
    HTIFFDOC doc = m_lib.OpenTiffFileW(Path(L"empty.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    EXPECT_EQ(ReadBytes(Path(L"empty.tif")).size(), 0u);
}

TEST_F(TiffLibraryTest, MoveLastImageFastRelinksAndLaterPagesStillAppend) {
    std::vector<PageDib> pages;
    for (uint32_t i = 0; i < 5; ++i) pages.push_back(PageDib::Make(300, 90, 1, 20 + i));
    PageOptions g4;
    ASSERT_TRUE(WriteFile(Path(L"move.tif"), {&pages[0], &pages[1], &pages[2], &pages[3]}, g4));
    std::string before = ReadBytes(Path(L"move.tif"));
    HTIFFDOC doc = m_lib.OpenTiffFileW(Path(L"move.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(m_lib.MoveLastImageFast(doc, 1, 0));
    // The page moved with pointer writes alone: the file did not grow.
    EXPECT_EQ(ReadBytes(Path(L"move.tif")).size(), before.size());
    EXPECT_EQ(WritePage(m_lib, doc, pages[4], g4), 4);
    ASSERT_TRUE(m_lib.MoveLastImageFast(doc, 0, 0));
    EXPECT_FALSE(m_lib.MoveLastImageFast(doc, -1, 0));
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    int order[] = {4, 0, 3, 1, 2};
    ASSERT_EQ(Pages(Path(L"move.tif")), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Differences(Path(L"move.tif"), i, pages[order[i]]), 0u) << i;
}

TEST_F(TiffLibraryTest, PageNumbersAndTagsOfWrittenPages) {
    PageDib page = PageDib::Make(200, 50, 1, 30), colour = PageDib::Make(120, 40, 24, 31);
    PageOptions plain;
    ASSERT_TRUE(WriteFile(Path(L"plain.tif"), {&page, &page}, plain));
    std::string before = ReadBytes(Path(L"plain.tif"));
    EXPECT_TRUE(m_lib.UpdatePageNumbersW(Path(L"plain.tif").c_str(), 2));
    EXPECT_EQ(ReadBytes(Path(L"plain.tif")), before) << "pages without PageNumber stay without it";
    EXPECT_FALSE(m_lib.UpdatePageNumbersW(Path(L"plain.tif").c_str(), 70000));
    EXPECT_FALSE(m_lib.UpdatePageNumbersW(Path(L"missing.tif").c_str(), 2));
    EXPECT_EQ(::GetFileAttributesW(Path(L"missing.tif").c_str()), INVALID_FILE_ATTRIBUTES) << "not created";

    // A colour page saved in one call gets its page number afterwards, as the reopen path does.
    ASSERT_TRUE(m_lib.SaveDIBInTiffFileW(Path(L"plain.tif").c_str(), colour.Handle(), TIFF_SAVE_LZW, 0));
    HTIFFDOC doc = m_lib.OpenTiffFileW(Path(L"plain.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    TIFFFILEINFO info{};
    ASSERT_TRUE(m_lib.GetTiffFileInfo(doc, &info));
    ASSERT_EQ(info.nImages, 3);
    ASSERT_TRUE(m_lib.GetTiffImage(doc, info.nImages - 1));
    EXPECT_FALSE(m_lib.GetTiffImage(doc, info.nImages));
    WORD number[2] = {2, 0};
    EXPECT_TRUE(m_lib.DefineTiffImageInfoBuffer(doc, 2, twtiff::kTagPageNumber, number, TIFF_TYPE_SHORT, 2));
    EXPECT_FALSE(m_lib.DefineTiffImageInfo(doc, 2, twtiff::kTagImageWidth, TIFF_TYPE_LONG, 5));
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_UNSUPPORTED_TAG);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    EXPECT_TRUE(m_lib.UpdatePageNumbersW(Path(L"plain.tif").c_str(), 3));
    EXPECT_EQ(Pages(Path(L"plain.tif")), 3);
    EXPECT_EQ(Differences(Path(L"plain.tif"), 2, colour), 0u);
    EXPECT_EQ(Differences(Path(L"plain.tif"), 1, page), 0u);
}

TEST_F(TiffLibraryTest, MemoryTiffGrowsItsBlock) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 1);
    ASSERT_TRUE(block);
    PageDib big = PageDib::Make(2000, 1500, 1, 40), small = PageDib::Make(500, 80, 1, 41);
    PageOptions none;
    none.compression = 1;
    none.pageNumber = 0;
    HTIFFDOC doc = m_lib.OpenTiffInMemory(block, 1, TIFF_MODE_CREATE);
    ASSERT_TRUE(doc);
    EXPECT_EQ(WritePage(m_lib, doc, big, none), 0);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    SIZE_T first = ::GlobalSize(block);
    EXPECT_GT(first, 2000u / 8 * 1500);
    {
        tw::GlobalLockGuard<char> lock(block);
        EXPECT_EQ(std::string(lock.get(), 4), std::string("II*\0", 4));
    }
    doc = m_lib.OpenTiffInMemory(block, static_cast<DWORD>(first), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    none.pageNumber = 1;
    EXPECT_EQ(WritePage(m_lib, doc, small, none), 1);
    EXPECT_TRUE(m_lib.UpdatePageNumbersInMemory(doc, 2));
    TIFFFILEINFO info{};
    ASSERT_TRUE(m_lib.GetTiffFileInfo(doc, &info));
    EXPECT_EQ(info.nImages, 2);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    EXPECT_EQ(::GlobalSize(block), info.dwTiffBytes);
    {
        tw::GlobalLockGuard<char> lock(block);
        twtest::WriteFileBytes(Path(L"memory.tif"), std::string(lock.get(), lock.size()));
    }
    ::GlobalFree(block);
    EXPECT_EQ(Differences(Path(L"memory.tif"), 0, big), 0u);
    EXPECT_EQ(Differences(Path(L"memory.tif"), 1, small), 0u);
}

TEST_F(TiffLibraryTest, BadHandlesAndArgumentsAreRefused) {
    char text[twtiff::kErrorTextBytes];
    auto fake = reinterpret_cast<HTIFFDOC>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(m_lib.DefineTiffImage(fake), -1);
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_INVALID_HANDLE);
    EXPECT_TRUE(m_lib.TiffErrorString(text, m_lib.TiffError()));
    EXPECT_STREQ(text, "Invalid TIFF handle");
    EXPECT_FALSE(m_lib.TiffErrorString(text, 999));
    EXPECT_FALSE(m_lib.CloseTiffFile(nullptr));

    HTIFFDOC doc = m_lib.OpenTiffFileW(Path(L"a.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    EXPECT_FALSE(m_lib.CloseTiffFile(doc)) << "a closed handle is stale";
    EXPECT_EQ(m_lib.OpenTiffFileW(L"", TIFF_MODE_APPEND), nullptr);
    EXPECT_EQ(m_lib.OpenTiffFileW(Path(L"a.tif").c_str(), 7), nullptr);
    EXPECT_EQ(m_lib.OpenTiffInMemory(nullptr, 0, TIFF_MODE_CREATE), nullptr);

    // Appending never destroys a file that is not a TIFF.
    twtest::WriteFileBytes(Path(L"text.tif"), "plain text, not an image");
    m_lib.SetTiffError(0);
    EXPECT_EQ(m_lib.OpenTiffFileW(Path(L"text.tif").c_str(), TIFF_MODE_APPEND), nullptr);
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_NOT_TIFF);
    EXPECT_EQ(ReadBytes(Path(L"text.tif")), "plain text, not an image");
    EXPECT_EQ(m_lib.LoadTiffIntoDIBW(Path(L"text.tif").c_str(), 0, 0), nullptr);
    EXPECT_EQ(m_lib.LoadTiffIntoDIBW(Path(L"none.tif").c_str(), 0, 0), nullptr);
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_OPEN);

    PageDib page = PageDib::Make(64, 16, 1, 50);
    EXPECT_FALSE(m_lib.SaveDIBInTiffFileW(Path(L"b.tif").c_str(), page.Handle(), 205, 0));
    HGLOBAL cut = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + 8);
    {
        tw::GlobalLockGuard<BYTE> src(page.Handle()), dst(cut);
        std::memcpy(dst.get(), src.get(), sizeof(BITMAPINFOHEADER) + 8);
    }
    EXPECT_FALSE(m_lib.SaveDIBInTiffFileW(Path(L"b.tif").c_str(), cut, TIFF_SAVE_LZW, 0));
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_UNSUPPORTED_IMAGE);
    ::GlobalFree(cut);

    EXPECT_FALSE(m_lib.EncodeCcittImage(INVALID_HANDLE_VALUE, 64, 16, 4, nullptr, MonochromeRows));
    EXPECT_FALSE(m_lib.WriteIOCAHeader(INVALID_HANDLE_VALUE, nullptr));
}

int WINAPI TenRowsOnly(BYTE* row, int index, void* params) {
    return index >= 10 ? TIFF_ROW_END : MonochromeRows(row, index, params);
}

TEST_F(TiffLibraryTest, FailedPagesLeaveTheDocumentUsable) {
    PageDib page = PageDib::Make(256, 40, 1, 60), colour = PageDib::Make(64, 16, 8, 61);
    HTIFFDOC doc = m_lib.OpenTiffFileW(Path(L"f.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    LockedPage locked(page);
    int index = m_lib.DefineTiffImage(doc);
    EXPECT_FALSE(m_lib.DefineTiffImageInfo(doc, index, 999, TIFF_TYPE_SHORT, 1));
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_UNSUPPORTED_TAG);
    EXPECT_FALSE(m_lib.EncodeTiffImage(doc, index, &locked.mono, MonochromeRows));
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_INCOMPLETE_PAGE);
    EXPECT_TRUE(m_lib.DropTiffImage(doc, index));

    index = m_lib.DefineTiffImage(doc);
    m_lib.DefineTiffImageInfo(doc, index, twtiff::kTagImageWidth, TIFF_TYPE_LONG, 256);
    m_lib.DefineTiffImageInfo(doc, index, twtiff::kTagImageLength, TIFF_TYPE_LONG, 40);
    m_lib.DefineTiffImageInfo(doc, index, twtiff::kTagCompression, TIFF_TYPE_SHORT, 4);
    EXPECT_FALSE(m_lib.EncodeTiffImage(doc, index, &locked.mono, TenRowsOnly));
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_ROWS);
    m_lib.DropTiffImage(doc, index);

    PageOptions g4;
    EXPECT_EQ(WritePage(m_lib, doc, colour, g4), -1) << "CCITT needs a bilevel page";
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_UNSUPPORTED_IMAGE);
    EXPECT_EQ(WritePage(m_lib, doc, page, g4), 0);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    EXPECT_EQ(Pages(Path(L"f.tif")), 1);
    EXPECT_EQ(Differences(Path(L"f.tif"), 0, page), 0u);
}

TEST_F(TiffLibraryTest, CiscoConversionKeepsPixelsAndWarnsOffStandardPages) {
    PageDib fax = PageDib::Make(1728, 300, 1, 70, 204), odd = PageDib::Make(1001, 100, 1, 71);
    {
        // The fax page at 204 x 196 dpi.
        tw::GlobalLockGuard<BITMAPINFOHEADER> bih(fax.Handle());
        bih->biYPelsPerMeter = 7717;
    }
    PageOptions g3;
    g3.compression = 3;
    g3.t4Options = 0;
    ASSERT_TRUE(WriteFile(Path(L"fax.tif"), {&fax, &fax}, g3));
    m_lib.SetTiffError(0);
    ASSERT_TRUE(m_lib.ConvertTiffToCiscoFormatW(Path(L"fax.tif").c_str()));
    EXPECT_EQ(m_lib.TiffError(), 0);
    EXPECT_EQ(Pages(Path(L"fax.tif")), 2);
    EXPECT_EQ(Differences(Path(L"fax.tif"), 1, fax), 0u);

    ASSERT_TRUE(WriteFile(Path(L"odd.tif"), {&odd}, g3));
    ASSERT_TRUE(m_lib.SaveTiffForCiscoFormatW(Path(L"odd.tif").c_str(), Path(L"odd2.tif").c_str()));
    EXPECT_EQ(m_lib.TiffError(), TIFF_ERR_FAX_LAYOUT);
    EXPECT_EQ(Differences(Path(L"odd2.tif"), 0, odd), 0u);

    PageDib colour = PageDib::Make(100, 20, 24, 72);
    ASSERT_TRUE(m_lib.SaveDIBInTiffFileW(Path(L"colour.tif").c_str(), colour.Handle(), TIFF_SAVE_LZW, 0));
    std::string before = ReadBytes(Path(L"colour.tif"));
    EXPECT_FALSE(m_lib.ConvertTiffToCiscoFormatW(Path(L"colour.tif").c_str()));
    EXPECT_EQ(ReadBytes(Path(L"colour.tif")), before);
}

TEST_F(TiffLibraryTest, TwoThreadsWriteAtOnceWithTheirOwnErrors) {
    std::vector<PageDib> pages;
    for (uint32_t i = 0; i < 4; ++i) pages.push_back(PageDib::Make(800, 300, 1, 80 + i));
    bool ok[2] = {false, false};
    int errors[2] = {-1, -1};
    auto work = [&](int t) {
        m_lib.SetTiffError(0);
        if (t == 1) m_lib.DefineTiffImage(nullptr);  // this thread's error only
        PageOptions options;
        options.compression = t == 0 ? 4 : 3;
        options.t4Options = t == 0 ? -1 : 1;
        std::wstring path = Path(t == 0 ? L"t0.tif" : L"t1.tif");
        HTIFFDOC doc = m_lib.OpenTiffFileW(path.c_str(), TIFF_MODE_APPEND);
        bool good = doc != nullptr;
        for (int round = 0; good && round < 5; ++round) {
            for (const PageDib& p : pages) good &= WritePage(m_lib, doc, p, options) >= 0;
        }
        good &= doc && m_lib.CloseTiffFile(doc);
        ok[t] = good;
        errors[t] = m_lib.TiffError();
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_TRUE(ok[0]);
    EXPECT_TRUE(ok[1]);
    EXPECT_EQ(errors[0], 0);
    EXPECT_EQ(errors[1], TIFF_ERR_INVALID_HANDLE);
    EXPECT_EQ(Pages(Path(L"t0.tif")), 20);
    EXPECT_EQ(Pages(Path(L"t1.tif")), 20);
    EXPECT_EQ(Differences(Path(L"t1.tif"), 19, pages[3]), 0u);
}

}  // namespace
