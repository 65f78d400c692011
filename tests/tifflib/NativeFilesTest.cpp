// Writes the files that test_tifflib_native.py decodes with libtiff's own tools, fax2tiff and
// Pillow: every compression, raw CCITT streams, MO:DCA/IOCA, memory and CISCO output, with the
// expected images beside them (PBM with ink as 1, PPM) and a manifest, one JSON object a line.
// TW_TIFFLIB_OUT names the directory; without it the files go to a temporary one.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <sstream>

#include "TiffLibraryFixture.h"
#include "base/UniqueHandle.h"
#include "support/TestSupport.h"

using namespace tifftest;

namespace {

class NativeFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_lib.Load());
        wchar_t out[MAX_PATH] = L"";
        if (::GetEnvironmentVariableW(L"TW_TIFFLIB_OUT", out, MAX_PATH)) {
            m_dir = out;
        } else {
            m_dir = TempDir(L"tifflib-native");
            m_temporary = true;
        }
        ::CreateDirectoryW(m_dir.c_str(), nullptr);
    }
    void TearDown() override {
        if (m_temporary) twtest::RemoveTree(m_dir);
    }
    std::wstring Path(const std::string& name) const { return m_dir + L"\\" + std::wstring(name.begin(), name.end()); }
    std::string Expect(const PageDib& page, const std::string& name) {
        std::string file = name + (page.Bits() == 1 ? ".pbm" : ".ppm");
        if (page.Bits() == 1) WritePbm(Path(file), page);
        else WritePpm(Path(file), page);
        return file;
    }
    void Manifest(const std::string& line) {
        std::string all = ReadBytes(Path("manifest.jsonl")) + line + "\n";
        twtest::WriteFileBytes(Path("manifest.jsonl"), all);
    }
    static std::string List(const std::vector<std::string>& items) {
        std::string s = "[";
        for (size_t i = 0; i < items.size(); ++i) s += (i ? ",\"" : "\"") + items[i] + "\"";
        return s + "]";
    }

    TiffLibrary m_lib;
    std::wstring m_dir;
    bool m_temporary = false;
};

TEST_F(NativeFiles, TiffFilesInEveryCompression) {
    PageDib p0 = PageDib::Make(1001, 400, 1, 100, 300), p1 = PageDib::Make(1728, 500, 1, 101, 204);
    PageDib pal = PageDib::Make(333, 150, 8, 102), rgb = PageDib::Make(500, 140, 24, 103);
    std::vector<std::string> bilevel = {Expect(p0, "p0"), Expect(p1, "p1")};
    std::vector<std::string> colour = {Expect(pal, "pal"), Expect(rgb, "rgb")};
    struct Case {
        std::string name;
        int compression, t4, fillOrder;
        bool colour, numbered, internet;
    } cases[] = {
        {"g4", 4, -1, 1, false, true, false},        {"g3_1d", 3, 0, 1, false, false, false},
        {"g3_1d_fill", 3, 4, 1, false, false, false}, {"g3_2d", 3, 1, 1, false, true, false},
        {"g3_dialogic", 3, 0, 2, false, true, false}, {"none", 1, -1, 1, false, false, true},
        {"packbits", 32773, -1, 1, false, false, false}, {"lzw", 5, -1, 1, false, false, false},
        {"colour_none", 1, -1, 1, true, false, false}, {"colour_packbits", 32773, -1, 1, true, false, false},
        {"colour_lzw", 5, -1, 1, true, false, false}, {"colour_jpeg", 6, -1, 1, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = c.name + ".tif";
        HTIFFDOC doc = m_lib.OpenTiffFileW(Path(file).c_str(), TIFF_MODE_APPEND);
        ASSERT_TRUE(doc);
        const PageDib* pages[2] = {c.colour ? &pal : &p0, c.colour ? &rgb : &p1};
        for (int i = 0; i < 2; ++i) {
            PageOptions o;
            o.compression = c.compression;
            o.t4Options = c.t4;
            o.fillOrder = c.fillOrder;
            o.pageNumber = c.numbered ? i : -1;
            o.internetTiff = c.internet;
            ASSERT_EQ(WritePage(m_lib, doc, *pages[i], o), i);
        }
        ASSERT_TRUE(m_lib.CloseTiffFile(doc));
        if (c.numbered) {
            ASSERT_TRUE(m_lib.UpdatePageNumbersW(Path(file).c_str(), 2));
        }
        std::ostringstream line;
        int written = c.compression == 6 ? 7 : c.compression;
        line << "{\"kind\":\"tiff\",\"file\":\"" << file << "\",\"compression\":" << written
             << ",\"t4\":" << c.t4 << ",\"fillorder\":" << c.fillOrder << ",\"pages\":" << List(c.colour ? colour : bilevel)
             << ",\"pagenumbers\":" << (c.numbered ? "[[0,2],[1,2]]" : "null") << ",\"subfiletype\":" << (c.internet ? 2 : 0)
             << ",\"lossy\":" << (c.compression == 6 ? "true" : "false") << ",\"dpi\":[300,204]}";
        Manifest(line.str());
    }
}

TEST_F(NativeFiles, SavedDibsMemoryMovedAndCiscoFiles) {
    PageDib pages[] = {PageDib::Make(333, 120, 1, 110), PageDib::Make(333, 120, 4, 111), PageDib::Make(333, 120, 8, 112),
                       PageDib::Make(333, 120, 24, 113)};
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) expected.push_back(Expect(pages[i], "dib" + std::to_string(i)));
    for (int code : {TIFF_SAVE_DEFAULT, TIFF_SAVE_PACKBITS, TIFF_SAVE_LZW, TIFF_SAVE_JPEG}) {
        std::string file = "savedib_" + std::to_string(code) + ".tif";
        for (const PageDib& page : pages) ASSERT_TRUE(m_lib.SaveDIBInTiffFileW(Path(file).c_str(), page.Handle(), code, 0));
        int compression = code == TIFF_SAVE_DEFAULT ? 1 : code == TIFF_SAVE_PACKBITS ? 32773 : code == TIFF_SAVE_LZW ? 5 : 7;
        Manifest("{\"kind\":\"tiff\",\"file\":\"" + file + "\",\"compression\":" + std::to_string(compression) +
                 ",\"pages\":" + List(expected) + ",\"lossy\":" + (code == TIFF_SAVE_JPEG ? "true" : "false") + "}");
    }

    // A two-page memory TIFF, grown from a one-byte block and numbered in memory.
    PageDib m0 = PageDib::Make(1700, 900, 1, 114), m1 = PageDib::Make(800, 200, 1, 115);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 1);
    for (int i = 0; i < 2; ++i) {
        HTIFFDOC doc = m_lib.OpenTiffInMemory(block, static_cast<DWORD>(::GlobalSize(block)), i == 0 ? 3 : 2);
        ASSERT_TRUE(doc);
        PageOptions o;
        o.pageNumber = i;
        ASSERT_EQ(WritePage(m_lib, doc, i == 0 ? m0 : m1, o), i);
        ASSERT_TRUE(m_lib.UpdatePageNumbersInMemory(doc, i + 1));
        ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    }
    {
        tw::GlobalLockGuard<char> lock(block);
        twtest::WriteFileBytes(Path("memory.tif"), std::string(lock.get(), lock.size()));
    }
    ::GlobalFree(block);
    Manifest("{\"kind\":\"tiff\",\"file\":\"memory.tif\",\"compression\":4,\"pages\":" +
             List({Expect(m0, "m0"), Expect(m1, "m1")}) + ",\"pagenumbers\":[[0,2],[1,2]],\"lossy\":false}");

    // Cover page moved to the front after the fact.
    PageDib c0 = PageDib::Make(600, 150, 1, 116), c1 = PageDib::Make(600, 150, 1, 117), c2 = PageDib::Make(600, 150, 1, 118);
    HTIFFDOC doc = m_lib.OpenTiffFileW(Path("moved.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    for (const PageDib* p : {&c0, &c1, &c2}) ASSERT_GE(WritePage(m_lib, doc, *p, PageOptions()), 0);
    ASSERT_TRUE(m_lib.MoveLastImageFast(doc, 0, 0));
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    Manifest("{\"kind\":\"tiff\",\"file\":\"moved.tif\",\"compression\":4,\"pages\":" +
             List({Expect(c2, "c2"), Expect(c0, "c0"), Expect(c1, "c1")}) + ",\"lossy\":false}");

    // CISCO: two fine-mode fax pages.
    PageDib f = PageDib::Make(1728, 400, 1, 119, 204);
    {
        tw::GlobalLockGuard<BITMAPINFOHEADER> bih(f.Handle());
        bih->biYPelsPerMeter = 7717;
    }
    doc = m_lib.OpenTiffFileW(Path("cisco.tif").c_str(), TIFF_MODE_APPEND);
    ASSERT_TRUE(doc);
    PageOptions g3;
    g3.compression = 3;
    g3.t4Options = 0;
    for (int i = 0; i < 2; ++i) ASSERT_GE(WritePage(m_lib, doc, f, g3), 0);
    ASSERT_TRUE(m_lib.CloseTiffFile(doc));
    ASSERT_TRUE(m_lib.ConvertTiffToCiscoFormatW(Path("cisco.tif").c_str()));
    std::string fe = Expect(f, "fax");
    Manifest("{\"kind\":\"tiff\",\"file\":\"cisco.tif\",\"compression\":3,\"t4\":4,\"fillorder\":1,\"pages\":" +
             List({fe, fe}) + ",\"pagenumbers\":[[0,2],[1,2]],\"subfiletype\":2,\"lossy\":false,\"dpi\":[204,204]}");
}

TEST_F(NativeFiles, RawCcittAndIocaStreams) {
    PageDib page = PageDib::Make(1728, 600, 1, 120, 204);
    std::string expected = Expect(page, "raw");
    struct Case {
        std::string name;
        DWORD coding;
    } cases[] = {{"raw_g3_1d", TIFF_CCITT_CODING(3, 0)},
                 {"raw_g3_1d_fill", TIFF_CCITT_CODING(3, 4)},
                 {"raw_g3_2d", TIFF_CCITT_CODING(3, 1)},
                 {"raw_g4", TIFF_CCITT_CODING(4, 0)}};
    for (const Case& c : cases) {
        // The data starts at the file's current position: after a 16-byte prefix of our own.
        tw::UniqueFile file(::CreateFileW(Path(c.name + ".raw").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                          nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD put = 0;
        ASSERT_TRUE(::WriteFile(file.get(), "PREFIX-16-BYTES!", 16, &put, nullptr));
        LockedPage locked(page);
        ASSERT_TRUE(m_lib.EncodeCcittImage(file.get(), 1728, 600, c.coding, &locked.mono, MonochromeRows)) << c.name;
        Manifest("{\"kind\":\"raw\",\"file\":\"" + c.name + ".raw\",\"skip\":16,\"scheme\":" +
                 std::to_string(LOWORD(c.coding)) + ",\"t4\":" + std::to_string(HIWORD(c.coding)) +
                 ",\"width\":1728,\"expect\":\"" + expected + "\"}");
    }

    PageDib ioca = PageDib::Make(2550, 700, 1, 121, 300);
    tw::UniqueFile file(::CreateFileW(Path("page.mca").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    IOCAHEADER header{};
    {
        LockedPage locked(ioca);
        header.wXPelsPerMeter = static_cast<WORD>(locked.mono.header.biXPelsPerMeter);
        header.wYPelsPerMeter = static_cast<WORD>(locked.mono.header.biYPelsPerMeter);
        header.wWidth = 2550;
        header.wHeight = 700;
        ASSERT_TRUE(m_lib.WriteIOCAHeader(file.get(), &header));
        ASSERT_TRUE(m_lib.EncodeMMRImage(file.get(), 2550, 700, 0, &locked.mono, PlainMonoRows));
        ASSERT_TRUE(m_lib.WriteIOCATail(file.get()));
    }
    Manifest("{\"kind\":\"ioca\",\"file\":\"page.mca\",\"width\":2550,\"height\":700,\"units\":3000,\"expect\":\"" +
             Expect(ioca, "ioca") + "\"}");
}

}  // namespace
