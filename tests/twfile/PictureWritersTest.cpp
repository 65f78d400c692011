// The picture, PCX/DCX, metafile and HTML writers called directly, as the job calls them: the
// colour paths the monochrome build never sends, file structure, and every failure's report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "support/RenderFixture.h"
#include "support/TestSupport.h"
#include "twfile/BlEMFFile.h"
#include "twfile/BlHTMLFile.h"
#include "twfile/BlPcxFiles.h"
#include "twfile/BlPictureFiles.h"
#include "twfile/gif/GifModule.h"
#include "twfile/png/PngModule.h"

namespace {

DWORD U32(const std::string& b, size_t at) {
    DWORD v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
DWORD Be32(const std::string& b, size_t at) {
    const auto* p = reinterpret_cast<const BYTE*>(b.data() + at);
    return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | p[3];
}

struct Chunk {
    std::string type;
    std::string data;
};
std::vector<Chunk> PngChunks(const std::string& file) {
    std::vector<Chunk> chunks;
    EXPECT_EQ(file.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    for (size_t at = 8; at + 12 <= file.size();) {
        const DWORD n = Be32(file, at);
        chunks.push_back({file.substr(at + 4, 4), file.substr(at + 8, n)});
        at += 12 + n;
    }
    return chunks;
}

class PictureWriters : public ::testing::Test {
protected:
    void SetUp() override { dir = twtest::MakeTempDir(L"pictures"); }
    void TearDown() override { twtest::RemoveTree(dir); }
    // One page of the sample letter at 100 dpi through the writer of `code`.
    BOOL Save(twtest::RenderFixture& fx, DWORD code, const std::wstring& file, bool memory = false) {
        auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), code, memory);
        EXPECT_NE(writer, nullptr) << code;
        if (!writer) return FALSE;
        const std::string page = twtest::SamplePage();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
        return writer->SaveFile(block.get(), page.size(), file.c_str(), TRUE);
    }
    static std::string Status(twtest::RenderFixture& fx) { return tw::ToUtf8(fx.Job().StatusText()); }
    std::wstring dir;
};

TEST_F(PictureWriters, FactoryMakesTheWriterOfEveryCode) {
    twtest::RenderFixture fx;
    const tw::TarnwellDEVMODE dm = fx.DevMode().Record();
    auto is = [&](DWORD code, bool memory, auto* type) {
        auto writer = tw::CreateBlFileObject(dm, &fx.Job(), code, memory);
        return dynamic_cast<decltype(type)>(writer.get()) != nullptr;
    };
    EXPECT_TRUE(is(1, false, (tw::CBlPCXFile*)nullptr));
    EXPECT_TRUE(is(2, true, (tw::CBlDCXFile*)nullptr));
    EXPECT_TRUE(is(16, false, (tw::CBlJPEGFile*)nullptr));
    EXPECT_TRUE(is(33, false, (tw::CBlJPEGFile*)nullptr));
    EXPECT_TRUE(is(17, false, (tw::CBlJPEGLabFile*)nullptr));
    EXPECT_TRUE(is(18, false, (tw::CBlEMFFile*)nullptr));
    EXPECT_TRUE(is(18, true, (tw::CBlMemEMFFile*)nullptr));
    EXPECT_TRUE(is(24, false, (tw::CBlPNGFile*)nullptr));
    EXPECT_TRUE(is(32, true, (tw::CBlPNGFile*)nullptr));
    EXPECT_TRUE(is(25, false, (tw::CBlGIFFile*)nullptr));
    EXPECT_TRUE(is(31, false, (tw::CBlGIFFile*)nullptr));
    EXPECT_TRUE(is(26, false, (tw::CBlHTMLGIFFile*)nullptr));
    EXPECT_TRUE(is(27, false, (tw::CBlHTMLPNGFile*)nullptr));
    EXPECT_TRUE(is(28, false, (tw::CBlHTMLJPEGFile*)nullptr));
    EXPECT_TRUE(is(29, false, (tw::CBlHTMLBMPFile*)nullptr));
}

TEST_F(PictureWriters, PngChunksForMonochromeGreyAndTrueColourPages) {
    for (DWORD colour : {0u, 1u, 3u}) {
        twtest::RenderFixture fx;
        fx.DevMode().Dpi(100, 150).ColorMode(colour);
        const std::wstring name = dir + L"\\p" + std::to_wstring(colour) + L".png";
        ASSERT_TRUE(Save(fx, 24, name)) << Status(fx);
        const std::vector<Chunk> chunks = PngChunks(twtest::ReadFileBytes(name));
        std::vector<std::string> types;
        for (const Chunk& c : chunks)
            if (types.empty() || types.back() != c.type) types.push_back(c.type);
        const bool palette = colour != 3;
        EXPECT_EQ(types, palette ? (std::vector<std::string>{"IHDR", "PLTE", "pHYs", "IDAT", "IEND"})
                                 : (std::vector<std::string>{"IHDR", "pHYs", "IDAT", "IEND"}));
        const std::string& ihdr = chunks[0].data;
        EXPECT_EQ(Be32(ihdr, 0), 850u);
        EXPECT_EQ(Be32(ihdr, 4), 1650u);
        EXPECT_EQ(ihdr[8], colour == 0 ? 1 : 8);
        EXPECT_EQ(ihdr[9], palette ? 3 : 2);
        EXPECT_EQ(ihdr.substr(10), std::string(3, '\0'));
        if (palette) {
            EXPECT_EQ(chunks[1].data.size(), colour == 0 ? 6u : 768u);
        }
        const std::string& phys = chunks[palette ? 2 : 1].data;
        EXPECT_EQ(Be32(phys, 0), 3937u);  // 100 dpi in pixels per metre
        EXPECT_EQ(Be32(phys, 4), 5906u);
        EXPECT_EQ(phys[8], 1);
    }
}

TEST_F(PictureWriters, GifHeaderForMonochromeAndGreyPagesAndNoOverwriting) {
    for (DWORD colour : {0u, 1u}) {
        twtest::RenderFixture fx;
        fx.DevMode().Dpi(100, 100).ColorMode(colour);
        const std::wstring name = dir + L"\\g" + std::to_wstring(colour) + L".gif";
        ASSERT_TRUE(Save(fx, 25, name)) << Status(fx);
        const std::string gif = twtest::ReadFileBytes(name);
        EXPECT_EQ(gif.substr(0, 6), "GIF87a");
        EXPECT_EQ(U32(gif, 6), 850u | (1100u << 16));
        const size_t table = colour == 0 ? 6 : 768;
        EXPECT_EQ(static_cast<BYTE>(gif[10]), colour == 0 ? 0x80 : 0xF7);
        EXPECT_EQ(gif[13 + table], 0x2C);
        EXPECT_EQ(static_cast<BYTE>(gif[13 + table + 9]), colour == 0 ? 0 : 7);
        EXPECT_EQ(gif[13 + table + 10], colour == 0 ? 2 : 8);
        EXPECT_EQ(gif.substr(gif.size() - 2), std::string("\0;", 2));
        // A second save under the same name leaves the first file and says why.
        twtest::RenderFixture again;
        again.DevMode().Dpi(100, 100).ColorMode(colour);
        EXPECT_FALSE(Save(again, 25, name));
        EXPECT_EQ(Status(again), "212: Error saving GIF image. GIF error 5");
        EXPECT_EQ(twtest::ReadFileBytes(name), gif);
    }
    // A 24-bit page cannot be a GIF: a clear error and no file.
    twtest::RenderFixture fx;
    fx.DevMode().Dpi(100, 100).ColorMode(3);
    const std::wstring name = dir + L"\\rgb.gif";
    EXPECT_FALSE(Save(fx, 25, name));
    EXPECT_EQ(Status(fx), "212: Error saving GIF image. GIF error 10");
    EXPECT_EQ(::GetFileAttributesW(name.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PictureWriters, JpegFilesAndAMissingOrIncompleteLibrary) {
    for (DWORD code : {16u, 17u}) {
        twtest::RenderFixture fx;
        fx.DevMode().Dpi(100, 100).ColorMode(3);
        const std::wstring name = dir + L"\\j" + std::to_wstring(code) + L".jpg";
        ASSERT_TRUE(Save(fx, code, name)) << Status(fx);
        const std::string jpg = twtest::ReadFileBytes(name);
        EXPECT_EQ(jpg.substr(0, 2), "\xFF\xD8");
        // Plain JPEG is JFIF; L*a*b carries the Adobe segment that stops colour transforms.
        EXPECT_NE(jpg.find(code == 16 ? std::string("JFIF\0", 5) : std::string("Adobe")), std::string::npos);
    }
    struct Case {
        DWORD code;
        std::wstring library;
        std::string status;
    } cases[] = {
        {16, L"C:\\nowhere\\NOJPEG.DLL", "JPEG32.DLL cannot be loaded"},
        {16, L"TIFF32.DLL", "Internal error: 15"},
        {17, L"TIFF32.DLL", "Internal error: 20"},
    };
    for (const Case& c : cases) {
        twtest::RenderFixture fx;
        fx.DevMode().Dpi(100, 100);
        ASSERT_TRUE(fx.DevMode().Set(L"JPEGDllName", c.library));
        const std::wstring name = dir + L"\\bad.jpg";
        EXPECT_FALSE(Save(fx, c.code, name));
        EXPECT_EQ(Status(fx).rfind(c.status, 0), 0u) << Status(fx);
        EXPECT_EQ(::GetFileAttributesW(name.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(PictureWriters, LabBlockHoldsTheAgreedFields) {
    BYTE block[52];
    tw::FillJpegLabBlock(block, 85);
    BYTE expected[52] = {};
    expected[12] = 85;
    expected[20] = 2;
    expected[22] = 2;
    expected[26] = 1;
    expected[44] = 1;
    expected[48] = 1;
    EXPECT_EQ(std::memcmp(block, expected, sizeof(block)), 0);
}

TEST_F(PictureWriters, PcxAndOnePageDcx) {
    twtest::RenderFixture fx;
    fx.DevMode().Dpi(100, 100).ColorMode(3);
    const std::wstring pcx = dir + L"\\page.pcx";
    ASSERT_TRUE(Save(fx, 1, pcx)) << Status(fx);
    const std::string page = twtest::ReadFileBytes(pcx);
    EXPECT_EQ(page[65], 3);            // planes
    EXPECT_EQ(page[68], 1);            // palette information of a 24-bit page
    const std::wstring dcx = dir + L"\\page.dcx";
    ASSERT_TRUE(Save(fx, 2, dcx)) << Status(fx);
    const std::string file = twtest::ReadFileBytes(dcx);
    ASSERT_EQ(file.size(), 40096u + page.size());
    EXPECT_EQ(U32(file, 0), 0x3ADE68B1u);
    EXPECT_EQ(U32(file, 4), 40096u);
    EXPECT_EQ(U32(file, 8), 0u);
    EXPECT_EQ(file.substr(40096), page);  // the same page as the PCX writer's
}

// A later page of a multi-page DCX whose slots are all taken: error 46, the file as it was.
TEST_F(PictureWriters, FullDcxRefusesTheNextPageAndKeepsItsBytes) {
    // A job of multi-page output past its first page.
    auto laterPage = [](twtest::RenderFixture& f) {
        f.DevMode().Dpi(100, 100).Set(L"IsMultipageImageEnabled", L"1");
        ASSERT_TRUE(f.Job().SetDevMode(f.DevMode().Record().Bytes(), tw::kDevModeSize, TRUE));
        ASSERT_TRUE(f.Job().IsMultipageOutput());
        ASSERT_FALSE(f.Job().IsFirstPageOfDocument());
    };
    twtest::RenderFixture fx;
    laterPage(fx);
    const std::wstring dcx = dir + L"\\full.dcx";
    std::string full(40096, '\0');
    const DWORD magic = 0x3ADE68B1, offset = 40096;
    std::memcpy(full.data(), &magic, 4);
    for (size_t slot = 1; slot <= 10022; ++slot) std::memcpy(full.data() + 4 * slot, &offset, 4);
    full += std::string(64, 'p');
    twtest::WriteFileBytes(dcx, full);
    EXPECT_FALSE(Save(fx, 2, dcx));
    EXPECT_EQ(Status(fx).rfind("Internal error: 46", 0), 0u) << Status(fx);
    EXPECT_EQ(twtest::ReadFileBytes(dcx), full);
    // One free slot: the page goes there, and the slot after it, the last, stays 0.
    std::memset(full.data() + 4 * 10022, 0, 4);
    twtest::WriteFileBytes(dcx, full);
    twtest::RenderFixture next;
    laterPage(next);
    ASSERT_TRUE(Save(next, 2, dcx)) << Status(next);
    const std::string grown = twtest::ReadFileBytes(dcx);
    EXPECT_EQ(U32(grown, 4 * 10022), full.size());
    EXPECT_EQ(U32(grown, 4 * 10023), 0u);
    EXPECT_EQ(grown.substr(0, 4 * 10022), full.substr(0, 4 * 10022));
}

TEST_F(PictureWriters, MetafilePageIsTheDriversBytesAndRawPagesAreDrawnIntoOne) {
    twtest::RenderFixture fx;
    fx.DevMode().Dpi(100, 100);
    const std::wstring name = dir + L"\\page.emf";
    ASSERT_TRUE(Save(fx, 18, name)) << Status(fx);
    EXPECT_EQ(twtest::ReadFileBytes(name), twtest::SamplePage());

    // A raw-data page: a 2-colour DIB becomes a metafile that draws it on white.
    std::string dib(sizeof(BITMAPINFOHEADER) + 8, '\0');
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 64, 32, 1, 1, BI_RGB, 0, 3937, 3937, 2, 0};
    std::memcpy(dib.data(), &h, sizeof(h));
    const RGBQUAD white{255, 255, 255, 0};
    std::memcpy(dib.data() + sizeof(h) + 4, &white, 4);
    dib.append(std::string(8 * 32, '\x0F'));
    auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), 18, false);
    tw::UniqueHGlobal block(twtest::GlobalFromBytes(dib));
    const std::wstring raw = dir + L"\\raw.emf";
    ASSERT_TRUE(writer->SaveFile(block.get(), dib.size(), raw.c_str(), FALSE)) << Status(fx);
    tw::UniqueEnhMetaFile emf(::GetEnhMetaFileW(raw.c_str()));
    ASSERT_TRUE(emf);
    std::vector<DWORD> types;
    ::EnumEnhMetaFile(nullptr, emf.get(), [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM p) -> int {
        reinterpret_cast<std::vector<DWORD>*>(p)->push_back(r->iType);
        return 1;
    }, &types, nullptr);
    EXPECT_NE(std::find(types.begin(), types.end(), static_cast<DWORD>(EMR_BITBLT)), types.end());  // PatBlt
    EXPECT_NE(std::find(types.begin(), types.end(), static_cast<DWORD>(EMR_STRETCHDIBITS)), types.end());

    // A raw page that gives no resolution takes the printer's for the metafile's frame.
    h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
    std::memcpy(dib.data(), &h, sizeof(h));
    tw::UniqueHGlobal noResolution(twtest::GlobalFromBytes(dib));
    const std::wstring plain = dir + L"\\plain.emf";
    ASSERT_TRUE(writer->SaveFile(noResolution.get(), dib.size(), plain.c_str(), FALSE)) << Status(fx);
    tw::UniqueEnhMetaFile plainEmf(::GetEnhMetaFileW(plain.c_str()));
    ENHMETAHEADER header{};
    ASSERT_TRUE(plainEmf && ::GetEnhMetaFileHeader(plainEmf.get(), sizeof(header), &header));
    EXPECT_GT(header.rclFrame.right, 0);
    EXPECT_GT(header.rclFrame.bottom, 0);
}

TEST_F(PictureWriters, HtmlPicturesNamesAndPage) {
    EXPECT_EQ(tw::HtmlPictureName(L"C:\\out\\Report.htm", L"JPG"), L"C:\\out\\Report.JPG");
    EXPECT_EQ(tw::HtmlPictureName(L"C:\\out.d\\Report", L"gif"), L"C:\\out.d\\Report.gif");
    EXPECT_EQ(tw::HtmlPageText(L"Q1 <draft> & notes", L"C:\\out\\Report.JPG"),
              "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n    <html>\r\n    <head>\r\n"
              "    <title>Q1 draft &amp; notes</title>\r\n    </head>\r\n    <body bgcolor=\"#FFFFFF\">\r\n"
              "    <img src=\"file:///C|/out/Report.JPG\">\r\n    </body>\r\n    </html>\r\n");
    struct Case {
        DWORD code;
        const wchar_t* picture;
    } cases[] = {{26, L"gif"}, {27, L"PNG"}, {28, L"JPG"}, {29, L"BMP"}};
    for (const Case& c : cases) {
        twtest::RenderFixture fx;
        fx.DevMode().Dpi(100, 100);
        const std::wstring html = dir + L"\\Report" + std::to_wstring(c.code) + L".htm";
        const std::wstring picture = dir + L"\\Report" + std::to_wstring(c.code) + L"." + c.picture;
        // An old GIF picture is replaced: the GIF coder itself never writes over a file.
        if (c.code == 26) twtest::WriteFileBytes(picture, "old");
        ASSERT_TRUE(Save(fx, c.code, html)) << Status(fx);
        EXPECT_GT(twtest::ReadFileBytes(picture).size(), 100u) << c.code;
        EXPECT_NE(twtest::ReadFileBytes(html).find("Report" + std::to_string(c.code) + "." + tw::ToUtf8(c.picture) + "\">"),
                  std::string::npos);
    }
}

TEST_F(PictureWriters, FailuresReportTheirNumbersAndLeaveNoFile) {
    const std::string page = twtest::SamplePage();
    struct Case {
        DWORD code;
        bool data;
        bool name;
        std::string status;
    } cases[] = {
        {24, false, true, "Internal error: 209"}, {24, true, false, "Internal error: 210"},
        {25, false, true, "Internal error: 209"}, {16, false, true, "Internal error: 12"},
        {16, true, false, "Internal error: 13"},  {17, false, true, "Internal error: 17"},
        {17, true, false, "Internal error: 18"},  {1, false, true, "Internal error: 38"},
        {1, true, false, "Internal error: 39"},   {2, false, true, "Internal error: 42"},
        {2, true, false, "Internal error: 43"},   {18, false, true, "Internal error: 46"},
        {18, true, false, "Internal error: 47"},
    };
    for (const Case& c : cases) {
        twtest::RenderFixture fx;
        auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), c.code, false);
        tw::UniqueHGlobal block(c.data ? twtest::GlobalFromBytes(page) : nullptr);
        const std::wstring name = c.name ? dir + L"\\x.out" : L"";
        EXPECT_FALSE(writer->SaveFile(block.get(), page.size(), name.c_str(), TRUE)) << c.code;
        EXPECT_EQ(Status(fx).rfind(c.status, 0), 0u) << c.code << ": " << Status(fx);
    }
    // A directory that is not there: the output check tells why, in the writer's words.
    for (auto [code, prefix] : {std::pair{24u, "25: Cannot write PNG file: "}, {25u, "25: Cannot write GIF file: "},
                                {16u, "25: Cannot write JPEG file: "}, {1u, "25: Cannot write PCX file: "},
                                {2u, "25: Cannot write DCX file: "}, {18u, "25: Cannot write EMF file: "},
                                {28u, "25: Cannot write JPEG file: "}}) {
        twtest::RenderFixture fx;
        fx.DevMode().Dpi(100, 100);
        EXPECT_FALSE(Save(fx, code, dir + L"\\missing\\x.out")) << code;
        EXPECT_EQ(Status(fx).rfind(prefix, 0), 0u) << code << ": " << Status(fx);
    }
}

TEST_F(PictureWriters, GifTakesTheJobsEmptyReservationAndFillsTheTableWithBlack) {
    // An 8-bit page with a two-colour palette: the table's other 254 entries are black, not
    // whatever bytes follow the palette.
    std::string dib(sizeof(BITMAPINFOHEADER) + 8, '\0');
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 8, 2, 1, 8, BI_RGB, 0, 3937, 3937, 2, 0};
    std::memcpy(dib.data(), &h, sizeof(h));
    const RGBQUAD white{255, 255, 255, 0};
    std::memcpy(dib.data() + sizeof(h) + 4, &white, 4);
    dib.append(std::string(16, '\x01'));
    tw::UniqueHGlobal block(twtest::GlobalFromBytes(dib));
    const std::wstring name = dir + L"\\reserved.gif";
    twtest::WriteFileBytes(name, "");
    int error = 0;
    EXPECT_FALSE(tw::SaveDIBInGIFFormat(name.c_str(), block.get(), 0, &error));
    EXPECT_EQ(error, tw::giferr::kFile);
    ASSERT_TRUE(tw::SaveDIBInGIFFormat(name.c_str(), block.get(), 0, &error, tw::GifCreation::NewOrEmptyReservation));
    const std::string gif = twtest::ReadFileBytes(name);
    EXPECT_EQ(gif.substr(13, 6), std::string("\0\0\0\xFF\xFF\xFF", 6));
    EXPECT_EQ(gif.substr(19, 3 * 254), std::string(3 * 254, '\0'));
    // Only an empty file counts as the reservation: a file with content stays as it is.
    EXPECT_FALSE(tw::SaveDIBInGIFFormat(name.c_str(), block.get(), 0, &error, tw::GifCreation::NewOrEmptyReservation));
    EXPECT_EQ(error, tw::giferr::kFile);
    EXPECT_EQ(twtest::ReadFileBytes(name), gif);
}

TEST_F(PictureWriters, ModulesRefuseDibsWhoseHeaderLies) {
    std::string dib(sizeof(BITMAPINFOHEADER) + 8 + 64, '\0');
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 64, 99999, 1, 1, BI_RGB, 0, 3937, 3937, 2, 0};
    std::memcpy(dib.data(), &h, sizeof(h));
    tw::UniqueHGlobal lying(twtest::GlobalFromBytes(dib));
    h.biHeight = 0;
    std::memcpy(dib.data(), &h, sizeof(h));
    tw::UniqueHGlobal empty(twtest::GlobalFromBytes(dib));
    for (HGLOBAL block : {lying.get(), empty.get(), static_cast<HGLOBAL>(nullptr)}) {
        const std::wstring png = dir + L"\\lie.png", gif = dir + L"\\lie.gif";
        EXPECT_FALSE(tw::SaveDIBAsPNG(png.c_str(), block, 0));
        EXPECT_STREQ(tw::PngErrorText(), "Invalid bitmap or DIB handle");
        int error = 0;
        EXPECT_FALSE(tw::SaveDIBInGIFFormat(gif.c_str(), block, 0, &error));
        EXPECT_EQ(error, tw::giferr::kUnsupportedPage);
        EXPECT_EQ(tw::GifLastError(), tw::giferr::kUnsupportedPage);
        EXPECT_EQ(::GetFileAttributesW(png.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(::GetFileAttributesW(gif.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

}  // namespace
