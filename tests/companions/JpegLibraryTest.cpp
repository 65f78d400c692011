// JPEG32.DLL on its own: JFIF files from page DIBs of every depth, L*a*b files, pictures read
// back into DIBs, and bad input refused with the library's error numbers.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/PackedDib.h"
#include "jpeglib/Jpeg32.h"

using tw::UniqueHGlobal;

namespace {

constexpr LONG k300Dpi = 11811;  // pels per metre

std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"twjpeg_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + name;
}

std::vector<BYTE> ReadFile(const std::wstring& path) {
    std::ifstream f(path.c_str(), std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(f), {});
}

// A colour picture: smooth gradients and a few hard edges, as a scanned page might hold.
UniqueHGlobal ColourPicture(LONG w, LONG h) {
    UniqueHGlobal dib(tw::NewPackedDib(w, h, 24, nullptr, 0, k300Dpi, k300Dpi));
    tw::DibView v(dib.get());
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
            BYTE* p = v.RowFromTop(y) + 3 * x;
            p[2] = BYTE(x * 255 / w);
            p[1] = BYTE(y * 255 / h);
            p[0] = (x / 40 + y / 40) % 2 ? 200 : 60;
        }
    return dib;
}

struct Library {
    Library() : module(::LoadLibraryW(L"JPEG32.DLL")) {
        save = reinterpret_cast<PFN_SaveDIBInJPEGFileW>(::GetProcAddress(module.get(), "SaveDIBInJPEGFileW"));
        saveEx = reinterpret_cast<PFN_SaveDIBInJPEGFileExW>(::GetProcAddress(module.get(), "SaveDIBInJPEGFileExW"));
        load = reinterpret_cast<PFN_LoadJPEGIntoDIBW>(::GetProcAddress(module.get(), "LoadJPEGIntoDIBW"));
        setTiff = reinterpret_cast<PFN_SetTiffDllName>(::GetProcAddress(module.get(), "SetTiffDllName"));
        getTiff = reinterpret_cast<PFN_GetTiffDllName>(::GetProcAddress(module.get(), "GetTiffDllName"));
        error = reinterpret_cast<PFN_JpegError>(::GetProcAddress(module.get(), "JpegError"));
        setError = reinterpret_cast<PFN_SetJpegError>(::GetProcAddress(module.get(), "SetJpegError"));
    }
    tw::UniqueModule module;
    PFN_SaveDIBInJPEGFileW save = nullptr;
    PFN_SaveDIBInJPEGFileExW saveEx = nullptr;
    PFN_LoadJPEGIntoDIBW load = nullptr;
    PFN_SetTiffDllName setTiff = nullptr;
    PFN_GetTiffDllName getTiff = nullptr;
    PFN_JpegError error = nullptr;
    PFN_SetJpegError setError = nullptr;
};

class JpegLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.module) << "JPEG32.DLL: " << ::GetLastError();
        ASSERT_TRUE(lib.save && lib.saveEx && lib.load && lib.setTiff && lib.getTiff && lib.error && lib.setError);
    }
    void TearDown() override {
        for (const auto& f : files) ::DeleteFileW(f.c_str());
    }
    std::wstring File(const wchar_t* name) {
        files.push_back(TempPath(name));
        return files.back();
    }
    Library lib;
    std::vector<std::wstring> files;
};

// The L*a*b parameter block as the monitor fills it, with the subsampling given.
std::vector<BYTE> LabBlock(BYTE quality, BYTE subsampling) {
    std::vector<BYTE> block(JPEG_EX_BLOCK_SIZE);
    block[JPEG_EX_QUALITY] = quality;
    block[JPEG_EX_H_SUBSAMPLING] = block[JPEG_EX_V_SUBSAMPLING] = subsampling;
    block[JPEG_EX_COLOR_SPACE] = JPEG_COLOR_SPACE_CIELAB;
    block[JPEG_EX_OPTIMIZE] = 1;
    block[JPEG_EX_RESTART_ROWS] = 1;
    return block;
}

// Peak signal-to-noise ratio of two DIBs of the same size, over their RGB expansion.
double Psnr(HGLOBAL a, HGLOBAL b) {
    tw::DibView va(a), vb(b);
    const LONG w = va.Shape().width, h = va.Shape().height;
    std::vector<BYTE> ra(3 * w), rb(3 * w);
    double sum = 0;
    for (LONG y = 0; y < h; ++y) {
        va.ExpandRowToRgb(y, ra.data());
        vb.ExpandRowToRgb(y, rb.data());
        for (LONG i = 0; i < 3 * w; ++i) sum += double(ra[i] - rb[i]) * double(ra[i] - rb[i]);
    }
    const double mse = sum / (3.0 * w * h);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST_F(JpegLibrary, ColourPagesMakeJfifFilesThatReadBack) {
    UniqueHGlobal page = ColourPicture(333, 201);
    const std::wstring name = File(L"colour.jpg");
    ASSERT_EQ(lib.save(name.c_str(), page.get(), 90), JPEG_OK);
    std::vector<BYTE> bytes = ReadFile(name);
    ASSERT_GT(bytes.size(), 20u);
    // SOI, then the JFIF APP0 segment with the page's resolution in dots per inch.
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[3], 0xE0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&bytes[6]), 5), std::string("JFIF\0", 5));
    EXPECT_EQ(bytes[13], 1);
    EXPECT_EQ(bytes[14] * 256 + bytes[15], 300);
    EXPECT_EQ(bytes[16] * 256 + bytes[17], 300);

    UniqueHGlobal back(lib.load(name.c_str()));
    ASSERT_TRUE(back);
    tw::DibView v(back.get());
    ASSERT_TRUE(v.valid());
    EXPECT_EQ(v.Shape().width, 333);
    EXPECT_EQ(v.Shape().height, 201);
    EXPECT_EQ(v.Header()->biBitCount, 24);
    EXPECT_NEAR(v.Header()->biXPelsPerMeter, k300Dpi, 1);
    EXPECT_GT(Psnr(page.get(), back.get()), 30.0);

    // A lower quality gives a smaller file.
    const std::wstring low = File(L"low.jpg");
    ASSERT_EQ(lib.save(low.c_str(), page.get(), 10), JPEG_OK);
    EXPECT_LT(ReadFile(low).size(), bytes.size());
}

TEST_F(JpegLibrary, GreyAndBilevelPagesBecomeOneComponentJpegs) {
    RGBQUAD bw[2];
    tw::FillBlackWhitePalette(bw);
    // biClrUsed 0: the full two-colour palette follows the header all the same.
    UniqueHGlobal page(tw::NewPackedDib(64, 48, 1, bw, 2, 7874, 7874));
    {
        tw::DibView v(page.get());
        v.Header()->biClrUsed = 0;
        for (LONG y = 0; y < 48; ++y) std::memset(v.RowFromTop(y), y < 24 ? 0xFF : 0x0F, 8);
    }
    const std::wstring name = File(L"bilevel.jpg");
    ASSERT_EQ(lib.save(name.c_str(), page.get(), 95), JPEG_OK);
    UniqueHGlobal back(lib.load(name.c_str()));
    ASSERT_TRUE(back);
    tw::DibView v(back.get());
    EXPECT_EQ(v.Header()->biBitCount, 8);
    EXPECT_EQ(v.Header()->biClrUsed, 256u);
    EXPECT_NEAR(v.RowFromTop(2)[10], 255, 8);   // white top half
    EXPECT_NEAR(v.RowFromTop(40)[2], 0, 8);     // black left of each byte in the lower half
    EXPECT_NEAR(v.RowFromTop(40)[6], 255, 8);
    EXPECT_NEAR(v.Header()->biXPelsPerMeter, 7874, 1);

    // A top-down DIB gives the same picture as the bottom-up one.
    UniqueHGlobal flipped(tw::CopyPackedDib(page.get()));
    {
        tw::DibView src(page.get());
        tw::DibView dst(flipped.get());
        for (LONG y = 0; y < 48; ++y) std::memcpy(dst.StoredRow(y), src.RowFromTop(y), src.Shape().stride);
        dst.Header()->biHeight = -48;
    }
    const std::wstring topDown = File(L"topdown.jpg");
    ASSERT_EQ(lib.save(topDown.c_str(), flipped.get(), 95), JPEG_OK);
    EXPECT_EQ(ReadFile(topDown), ReadFile(name));
}

TEST_F(JpegLibrary, LabFilesCarryCielabWithoutAColourTransform) {
    UniqueHGlobal page(tw::NewPackedDib(32, 32, 24, nullptr, 0, k300Dpi, k300Dpi));
    {
        tw::DibView v(page.get());
        for (LONG y = 0; y < 32; ++y)
            for (LONG x = 0; x < 32; ++x) {
                BYTE* p = v.RowFromTop(y) + 3 * x;
                const bool red = y >= 16;
                p[0] = red ? 0 : 255;
                p[1] = red ? 0 : 255;
                p[2] = 255;
            }
    }
    std::vector<BYTE> block = LabBlock(95, 1);
    const std::wstring name = File(L"lab.jpg");
    ASSERT_EQ(lib.saveEx(name.c_str(), page.get(), block.data()), JPEG_OK);
    std::vector<BYTE> bytes = ReadFile(name);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("Adobe"), std::string::npos);
    EXPECT_NE(text.find("CIELAB D65"), std::string::npos);
    EXPECT_EQ(text.find("JFIF"), std::string::npos);
    EXPECT_NE(text.find("\xFF\xDD"), std::string::npos);  // restart interval

    // Read back untransformed: the channels are L*, a*, b* (in B, G, R order of the DIB).
    UniqueHGlobal back(lib.load(name.c_str()));
    ASSERT_TRUE(back);
    tw::DibView v(back.get());
    const BYTE* white = v.RowFromTop(4) + 3 * 4;
    EXPECT_NEAR(white[2], 255, 3);
    EXPECT_NEAR(white[1], 128, 3);
    EXPECT_NEAR(white[0], 128, 3);
    // sRGB red: L* 53.24, a* 80.09, b* 67.20 under D65.
    const BYTE* red = v.RowFromTop(28) + 3 * 4;
    EXPECT_NEAR(red[2], 136, 3);
    EXPECT_NEAR(red[1], 208, 3);
    EXPECT_NEAR(red[0], 195, 3);

    // With the block the monitor fills (2, 2 subsampling), the file is still written.
    EXPECT_EQ(lib.saveEx(File(L"lab2.jpg").c_str(), page.get(), LabBlock(95, 2).data()), JPEG_OK);
}

TEST_F(JpegLibrary, BadInputIsRefusedWithItsNumber) {
    UniqueHGlobal page = ColourPicture(16, 16);
    const std::wstring name = File(L"bad.jpg");
    EXPECT_EQ(lib.save(nullptr, page.get(), 50), JPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(lib.save(name.c_str(), nullptr, 50), JPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(lib.saveEx(name.c_str(), page.get(), nullptr), JPEG_ERR_INVALID_ARGUMENT);
    BYTE block[JPEG_EX_BLOCK_SIZE] = {};
    block[JPEG_EX_COLOR_SPACE] = 7;
    EXPECT_EQ(lib.saveEx(name.c_str(), page.get(), block), JPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(lib.error(), JPEG_ERR_INVALID_ARGUMENT);
    // A header that claims more rows than the block holds.
    {
        tw::DibView v(page.get());
        v.Header()->biHeight = 5000;
    }
    EXPECT_EQ(lib.save(name.c_str(), page.get(), 50), JPEG_ERR_UNSUPPORTED_IMAGE);
    EXPECT_EQ(::GetFileAttributesW(name.c_str()), INVALID_FILE_ATTRIBUTES);
    UniqueHGlobal good = ColourPicture(16, 16);
    EXPECT_EQ(lib.save(L"Z:\\no\\such\\folder\\x.jpg", good.get(), 50), JPEG_ERR_OPEN);

    // Reading: a missing file, a truncated file, garbage, and a header claiming 60000 x 60000.
    lib.setError(0);
    EXPECT_EQ(lib.load(File(L"missing.jpg").c_str()), nullptr);
    EXPECT_EQ(lib.error(), JPEG_ERR_OPEN);
    const std::wstring whole = File(L"whole.jpg");
    ASSERT_EQ(lib.save(whole.c_str(), good.get(), 50), JPEG_OK);
    std::vector<BYTE> bytes = ReadFile(whole);
    auto write = [&](const std::wstring& path, const std::vector<BYTE>& data) {
        std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
    };
    const std::wstring cut = File(L"cut.jpg");
    write(cut, std::vector<BYTE>(bytes.begin(), bytes.begin() + 30));
    EXPECT_EQ(lib.load(cut.c_str()), nullptr);
    EXPECT_EQ(lib.error(), JPEG_ERR_CODEC);
    const std::wstring garbage = File(L"garbage.jpg");
    write(garbage, std::vector<BYTE>(500, 0x5A));
    EXPECT_EQ(lib.load(garbage.c_str()), nullptr);
    EXPECT_EQ(lib.error(), JPEG_ERR_CODEC);
    // Patch the frame header (SOF0: FF C0, length, precision, height, width) to 60000 x 60000.
    std::vector<BYTE> huge = bytes;
    for (size_t i = 0; i + 9 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xEA;
            huge[i + 6] = 0x60;
            huge[i + 7] = 0xEA;
            huge[i + 8] = 0x60;
            break;
        }
    const std::wstring big = File(L"big.jpg");
    write(big, huge);
    EXPECT_EQ(lib.load(big.c_str()), nullptr);
    EXPECT_EQ(lib.error(), JPEG_ERR_UNSUPPORTED_IMAGE);
}

TEST_F(JpegLibrary, KeepsTheTiffLibraryNameItIsGiven) {
    char buffer[MAX_PATH] = {};
    lib.setTiff("C:\\Program Files\\Tarnwell\\TIFF32.DLL");
    EXPECT_EQ(lib.getTiff(nullptr, 0), 37);
    EXPECT_EQ(lib.getTiff(buffer, MAX_PATH), 36);
    EXPECT_STREQ(buffer, "C:\\Program Files\\Tarnwell\\TIFF32.DLL");
    EXPECT_EQ(lib.getTiff(buffer, 10), 37);  // too small: the size needed, nothing written
    lib.setTiff(nullptr);
    EXPECT_EQ(lib.getTiff(buffer, MAX_PATH), 0);
    EXPECT_STREQ(buffer, "");
}

// Files for the independent decoders of test_jpeglib_native.py: run only when it names a folder.
TEST(JpegNativeFiles, Write) {
    wchar_t out[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"TW_JPEGLIB_OUT", out, MAX_PATH)) GTEST_SKIP() << "TW_JPEGLIB_OUT not set";
    Library lib;
    ASSERT_TRUE(lib.save && lib.saveEx);
    const std::wstring dir = std::wstring(out) + L"\\";
    UniqueHGlobal colour = ColourPicture(400, 300);
    {
        // The source as a BMP file: the 14-byte file header, then the packed DIB.
        tw::GlobalLockGuard<BYTE> dib(colour.get());
        const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(dib.get());
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfSize = DWORD(sizeof(fh) + dib.size());
        fh.bfOffBits = DWORD(sizeof(fh) + bih->biSize);
        std::ofstream f((dir + L"source.bmp").c_str(), std::ios::binary);
        f.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
        f.write(reinterpret_cast<const char*>(dib.get()), std::streamsize(dib.size()));
    }
    ASSERT_EQ(lib.save((dir + L"colour.jpg").c_str(), colour.get(), 90), JPEG_OK);
    RGBQUAD grey[tw::kMaxPaletteEntries];
    tw::FillGreyPalette(grey);
    UniqueHGlobal greyPage(tw::NewPackedDib(200, 100, 8, grey, 256, 7874, 7874));
    {
        tw::DibView v(greyPage.get());
        for (LONG y = 0; y < 100; ++y)
            for (LONG x = 0; x < 200; ++x) v.RowFromTop(y)[x] = BYTE(x + y);
    }
    ASSERT_EQ(lib.save((dir + L"grey.jpg").c_str(), greyPage.get(), 90), JPEG_OK);
    ASSERT_EQ(lib.saveEx((dir + L"lab.jpg").c_str(), colour.get(), LabBlock(90, 2).data()), JPEG_OK);
}

}  // namespace
