// The writer factory and the BMP writer on its own: format codes, file bytes, error numbers.
#include <gtest/gtest.h>

#include <cstring>

#include "base/WideString.h"
#include "emfimage/EMFImage.h"
#include "support/RenderFixture.h"
#include "support/TestSupport.h"
#include "twfile/BlBMPFile.h"
#include "twfile/BlFile.h"

namespace {

TEST(BlFileFactory, WritersByFormatAndMode) {
    twtest::RenderFixture fx;
    const tw::TarnwellDEVMODE dm = fx.DevMode().Record();
    for (DWORD code : {0u, 34u}) {
        auto file = tw::CreateBlFileObject(dm, &fx.Job(), code, false);
        EXPECT_NE(dynamic_cast<tw::CBlBMPFile*>(file.get()), nullptr) << code;
        EXPECT_EQ(file->Job(), &fx.Job());
        auto memory = tw::CreateBlFileObject(dm, &fx.Job(), code, true);
        EXPECT_NE(dynamic_cast<tw::CBlMemBMPFile*>(memory.get()), nullptr) << code;
    }
    for (DWORD code : {20u, 35u, 36u, 37u, 38u, 39u, 40u, 41u, 48u, 1000u})
        EXPECT_EQ(tw::CreateBlFileObject(dm, &fx.Job(), code, false), nullptr) << code;
}

class BmpWriter : public ::testing::Test {
protected:
    void SetUp() override { dir = twtest::MakeTempDir(L"bmpwriter"); }
    void TearDown() override { twtest::RemoveTree(dir); }
    static BOOL Save(twtest::RenderFixture& fx, const std::string& page, const std::wstring& file) {
        auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), 0, false);
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
        return writer->SaveFile(block.get(), page.size(), file.c_str(), TRUE);
    }
    std::wstring dir;
};

TEST_F(BmpWriter, MonochromeAndTrueColourFilesByteForByte) {
    const std::string page = twtest::SamplePage();
    for (DWORD colour : {0u, 3u}) {
        twtest::RenderFixture fx;
        fx.DevMode().Dpi(100, 100).ColorMode(colour);
        const std::wstring name = dir + L"\\page" + std::to_wstring(colour) + L".bmp";
        ASSERT_TRUE(Save(fx, page, name));
        const std::string bytes = twtest::ReadFileBytes(name);
        ASSERT_GE(bytes.size(), 54u);
        BITMAPFILEHEADER fh;
        BITMAPINFOHEADER ih;
        std::memcpy(&fh, bytes.data(), sizeof(fh));
        std::memcpy(&ih, bytes.data() + sizeof(fh), sizeof(ih));
        EXPECT_EQ(fh.bfType, 0x4D42);
        EXPECT_EQ(fh.bfSize, bytes.size());
        EXPECT_EQ(fh.bfReserved1 + fh.bfReserved2, 0);
        EXPECT_EQ(ih.biWidth, 850);
        EXPECT_EQ(ih.biHeight, 1100);
        if (colour == 0) {
            EXPECT_EQ(fh.bfOffBits, 62u);
            EXPECT_EQ(ih.biBitCount, 1);
            EXPECT_EQ(bytes.size(), 62u + ih.biSizeImage);
        } else {
            EXPECT_EQ(fh.bfOffBits, 54u);
            EXPECT_EQ(ih.biBitCount, 24);
            EXPECT_EQ(bytes.size(), 54u + ih.biSizeImage);
        }
        // The file's pixels are the page the renderer gives for the same DEVMODE.
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
        tw::CEMFImage image(&fx.Job());
        ASSERT_TRUE(image.Create(block.get(), page.size(), dm));
        const twtest::Raster rendered = twtest::RasterFromPackedDib(image.PageDib());
        EXPECT_EQ(std::memcmp(bytes.data() + fh.bfOffBits, rendered.bits.data(), rendered.bits.size()), 0);
    }
}

TEST_F(BmpWriter, FailuresReportTheirInternalErrors) {
    const std::string page = twtest::SamplePage();
    struct Case {
        std::string data;
        std::wstring file;
        std::wstring status;
    } cases[] = {
        {"", dir + L"\\a.bmp", L"Internal error: 22"},  // no page data
        {page, L"", L"Internal error: 23"},             // no file name
        // Cannot be created: the output check says why, and no internal error follows.
        {page, dir + L"\\missing\\sub\\a.bmp", L"25: Cannot write BMP file: "},
    };
    for (const Case& c : cases) {
        twtest::RenderFixture fx;
        auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), 0, false);
        tw::UniqueHGlobal block(c.data.empty() ? nullptr : twtest::GlobalFromBytes(c.data));
        EXPECT_FALSE(writer->SaveFile(block.get(), c.data.size(), c.file.c_str(), TRUE));
        EXPECT_EQ(fx.Job().StatusText().rfind(c.status, 0), 0u) << tw::ToUtf8(fx.Job().StatusText());
    }
}

TEST_F(BmpWriter, MemoryWriterWritesNoFile) {
    twtest::RenderFixture fx;
    auto writer = tw::CreateBlFileObject(fx.DevMode().Record(), &fx.Job(), 0, true);
    const std::string page = twtest::SamplePage();
    tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
    const std::wstring name = dir + L"\\memory.bmp";
    EXPECT_TRUE(writer->SaveFile(block.get(), page.size(), name.c_str(), TRUE));
    EXPECT_EQ(::GetFileAttributesW(name.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(fx.Job().WrittenFiles().empty());
}

}  // namespace
