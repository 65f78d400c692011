// The vector path of CEMFImage: page EMFs and raw-data pages as metafiles with their
// measurements, the annotation metafile, the reference DC's record and the messaging identifier.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/EmfCorpus.h"
#include "MetafileTestSupport.h"
#include "VectorFixture.h"
#include "emfimage/EMFImage.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "portcmd/DevModeLayout.h"
#include "support/TestSupport.h"

namespace twtest {
namespace {

using tw::dmoff::PageHeightInPixels;
using tw::dmoff::PageWidthInPixels;

struct VectorResult {
    BOOL ok = FALSE;
    tw::UniqueEnhMetaFile page, annotation;
    tw::VectorSize size, dpi;
};

// A 1-bit packed DIB of `w` x `h` with a black block at the top left.
std::string RawPage(LONG w, LONG h, DWORD clrUsed = 2) {
    const DWORD row = static_cast<DWORD>((w + 31) / 32 * 4);
    std::string dib(sizeof(BITMAPINFOHEADER) + 8 + static_cast<size_t>(row) * h, '\xFF');
    BITMAPINFOHEADER bh{sizeof(BITMAPINFOHEADER), w, h, 1, 1, BI_RGB, row * static_cast<DWORD>(h), 0, 0, clrUsed, 0};
    std::memcpy(dib.data(), &bh, sizeof(bh));
    const RGBQUAD bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    std::memcpy(dib.data() + sizeof(bh), bw, sizeof(bw));
    BYTE* bits = reinterpret_cast<BYTE*>(dib.data()) + sizeof(bh) + 8;
    for (LONG y = 0; y < h / 4; ++y)  // top rows are the last ones bottom-up
        std::memset(bits + static_cast<size_t>(h - 1 - y) * row, 0, static_cast<size_t>(w / 4 / 8));
    return dib;
}

class VectorPath : public ::testing::Test {
protected:
    VectorResult FromEmf(const std::string& bits, BOOL transforms = FALSE) {
        VectorResult r;
        tw::UniqueHGlobal block(GlobalFromBytes(bits));
        tw::CEMFImage image(&fx.Job());
        dm = fx.DevMode().Record();
        r.ok = image.CreateEnhMetaFileExt(block.get(), bits.size(), dm, r.page, r.annotation, r.size, r.dpi, transforms);
        return r;
    }
    VectorResult FromRaw(const std::string& dib) {
        VectorResult r;
        tw::UniqueHGlobal block(GlobalFromBytes(dib));
        tw::CEMFImage image(&fx.Job());
        dm = fx.DevMode().Record();
        r.ok = image.CreateEnhMetaFileFromRawDataExt(block.get(), dib.size(), dm, r.page, r.annotation, r.size, r.dpi);
        return r;
    }
    VectorFixture fx;
    tw::TarnwellDEVMODE dm{};
};

TEST_F(VectorPath, PageEmfComesWithItsMeasurements) {
    const std::string bits = SamplePage();
    VectorResult r = FromEmf(bits);
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.page);
    EXPECT_FALSE(r.annotation);  // nothing to stamp
    ENHMETAHEADER h;
    std::memcpy(&h, bits.data(), sizeof(h));
    const float width = static_cast<float>(h.szlDevice.cx) / h.szlMillimeters.cx * (h.rclFrame.right - h.rclFrame.left) / 100;
    const float height = (h.rclFrame.bottom - h.rclFrame.top) / 100.0f * h.szlDevice.cy / h.szlMillimeters.cy;
    EXPECT_FLOAT_EQ(r.size.cx, width);
    EXPECT_FLOAT_EQ(r.size.cy, height);
    EXPECT_NEAR(r.dpi.cx, h.szlDevice.cx / (h.szlMicrometers.cx / 1000.0) * 25.4, 0.01);
    EXPECT_NEAR(r.dpi.cy, h.szlDevice.cy / (h.szlMicrometers.cy / 1000.0) * 25.4, 0.01);
    EXPECT_EQ(EmfBits(r.page.get()), bits);  // the page itself is handed on unchanged

    // A header without its bytes is an internal error, not a metafile.
    std::string cut = bits.substr(0, bits.size() / 2);
    VectorResult bad = FromEmf(cut);
    EXPECT_FALSE(bad.ok);
    EXPECT_FALSE(bad.page);
    EXPECT_TRUE(fx.Job().HasError());
}

TEST_F(VectorPath, StampsGetAnAnnotationMetafileOnThePageFrame) {
    fx.SetText(tw::settings::kHeaderSettings, tw::settings::kHeaderEnable, L"1");
    const std::string bits = SamplePage();
    VectorResult r = FromEmf(bits);
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.annotation);
    ENHMETAHEADER page, annotation;
    ASSERT_TRUE(tw::ReadEmfHeader(r.page.get(), page));
    ASSERT_TRUE(tw::ReadEmfHeader(r.annotation.get(), annotation));
    EXPECT_EQ(annotation.rclFrame.right, page.rclFrame.right);
    EXPECT_EQ(annotation.rclFrame.bottom, page.rclFrame.bottom);

    // "First page only" keeps it off later pages.
    fx.SetText(tw::settings::kHeaderSettings, tw::settings::kHeaderFirstPageOnly, L"1");
    EXPECT_TRUE(FromEmf(bits).annotation);  // this is still the document's first page
}

TEST_F(VectorPath, TransformsApplyToEmfPagesOnlyWhenAsked) {
    fx.SetPageSettingText(tw::settings::kPageRotation, L"1");
    const std::string bits = SamplePage();
    VectorResult plain = FromEmf(bits, FALSE);
    VectorResult turned = FromEmf(bits, TRUE);
    ASSERT_TRUE(plain.ok && turned.ok);
    EXPECT_FLOAT_EQ(turned.size.cx, plain.size.cy);
    EXPECT_FLOAT_EQ(turned.size.cy, plain.size.cx);
    EXPECT_EQ(dm.Read<LONG>(PageWidthInPixels), fx.DevMode().Record().Read<LONG>(PageHeightInPixels));
}

TEST_F(VectorPath, FaxModeTwoRecordsSquare) {
    fx.DevMode().Set(L"IsFaxOutputEnabled", L"1");
    fx.DevMode().Set(L"FaxResolutionMode2", L"1");
    fx.DevMode().Dpi(204, 98);
    fx.DevMode().UpdatePagePixels();
    const tw::TarnwellDEVMODE job = fx.DevMode().Record();
    fx.Dcs().devModes.clear();
    ASSERT_TRUE(FromEmf(SamplePage()).ok);
    ASSERT_FALSE(fx.Dcs().devModes.empty());
    const tw::TarnwellDEVMODE* ref = tw::TarnwellDEVMODE::FromBytes(fx.Dcs().devModes.back().data());
    EXPECT_FALSE(ref->HasFlag(tw::dmflag::FaxResolutionMode2));
    EXPECT_FALSE(ref->HasFlag(tw::dmflag::FaxResolutionMode1));
    EXPECT_TRUE(ref->HasFlag(tw::dmflag::FaxResolutionMode3));
    EXPECT_EQ(ref->Read<short>(tw::dmoff::dmYResolution), 204);
    EXPECT_EQ(ref->Read<LONG>(PageHeightInPixels), job.Read<LONG>(PageHeightInPixels) * 204 / 98);
    EXPECT_EQ(ref->Read<LONG>(PageWidthInPixels), job.Read<LONG>(PageWidthInPixels));
    // The job's own record is not the one changed.
    EXPECT_TRUE(dm.HasFlag(tw::dmflag::FaxResolutionMode2));
}

TEST_F(VectorPath, RawPageFillsThePhysicalPage) {
    tw::TarnwellDEVMODE rec = fx.DevMode().Record();
    const LONG w = rec.Read<LONG>(PageWidthInPixels), h = rec.Read<LONG>(PageHeightInPixels);
    for (LONG scale : {1, 2}) {  // a driver bitmap of the page's size, and one of half its size
        SCOPED_TRACE(scale);
        const std::string dib = RawPage(w / scale, h / scale);
        VectorResult r = FromRaw(dib);
        ASSERT_TRUE(r.ok);
        ENHMETAHEADER header;
        ASSERT_TRUE(tw::ReadEmfHeader(r.page.get(), header));
        // Letter from the record, in hundredths of a millimetre.
        EXPECT_EQ(header.rclFrame.right, 21590);
        EXPECT_EQ(header.rclFrame.bottom, 27940);
        const Raster drawn = PlayInto(r.page.get(), w, h);
        const RECT block = BlackBounds(drawn);
        EXPECT_NEAR(block.left, 0, 2);
        EXPECT_NEAR(block.top, 0, 2);
        EXPECT_NEAR(block.right, w / 4, 1 + scale * 8);
        EXPECT_NEAR(block.bottom, h / 4, 1 + scale * 2);
    }
    // A DIB whose palette runs past its data is refused before GDI reads it.
    std::string bad = RawPage(64, 64, 5000);
    VectorResult r = FromRaw(bad);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.page);
    EXPECT_TRUE(fx.Job().HasError());
}

TEST_F(VectorPath, PageTextIsReadAsTheRasterPathReadsIt) {
    fx.DevMode().Set(L"IsWriteTextEnabled", L"1");
    const tw::TarnwellDEVMODE rec = fx.DevMode().Record();
    ASSERT_TRUE(fx.Job().SetDevMode(rec.Bytes(), tw::kDevModeSize, TRUE));
    const std::string bits = ReadFileBytes(EmfCorpusFile(L"poi__SimpleEMF_windows.emf"));
    ASSERT_FALSE(bits.empty());
    tw::PageTextState& text = fx.Job().PageText();
    tw::TextLayoutOptions lines;
    lines.lineBreaks = 2;
    auto nextPage = [&] {
        text.collector->StartPage();
        text.wordsRead = false;
    };
    {
        tw::UniqueHGlobal block(GlobalFromBytes(bits));
        tw::CEMFImage image(&fx.Job());
        tw::TarnwellDEVMODE raster = rec;
        ASSERT_TRUE(image.Create(block.get(), bits.size(), raster));
    }
    ASSERT_TRUE(text.collector);
    const std::wstring drawn = text.collector->Layout(lines);
    EXPECT_NE(drawn.find(L"testPDF.pdf"), std::wstring::npos) << drawn;

    nextPage();
    ASSERT_TRUE(FromEmf(bits, TRUE).ok);  // turned as well: the words are read before the turn
    EXPECT_EQ(text.collector->Layout(lines), drawn);

    nextPage();
    tw::UniqueHGlobal block(GlobalFromBytes(bits));
    tw::CEMFImage reader(&fx.Job());
    ASSERT_TRUE(reader.ReadEnhMetaFileText(block.get(), bits.size(), rec));
    EXPECT_EQ(text.collector->Layout(lines), drawn);
    EXPECT_TRUE(text.wordsRead);

    // A page that cannot be read is reported, not taken for a page without text.
    nextPage();
    const std::string cut = bits.substr(0, bits.size() / 2);
    tw::UniqueHGlobal broken(GlobalFromBytes(cut));
    EXPECT_FALSE(reader.ReadEnhMetaFileText(broken.get(), cut.size(), rec));
    EXPECT_TRUE(fx.Job().HasError());
}

TEST_F(VectorPath, MessagingIdSurvivesEveryReferenceDc) {
    const std::wstring group = fx.GroupKey(tw::settings::kMessagingInterfaceSettings);
    fx.SetText(tw::settings::kMessagingInterfaceSettings, tw::settings::kUseWindowsSessionId, L"yes");
    fx.SetDword(tw::settings::kMessagingInterfaceSettings, tw::settings::kMessagingInterfaceId, 4711);
    fx.SetText(tw::settings::kHeaderSettings, tw::settings::kHeaderEnable, L"1");
    fx.SetPageSettingText(tw::settings::kPageRotation, L"3");
    fx.Dcs().overwriteKey = group;
    auto storedId = [&] {
        DWORD id = 0, size = sizeof(id);
        ::RegGetValueW(HKEY_CURRENT_USER, group.c_str(), tw::settings::kMessagingInterfaceId, RRF_RT_REG_DWORD, nullptr,
                       &id, &size);
        return id;
    };
    ASSERT_TRUE(FromEmf(SamplePage(), TRUE).ok);
    EXPECT_EQ(storedId(), 4711u);
    tw::TarnwellDEVMODE rec = fx.DevMode().Record();
    ASSERT_TRUE(FromRaw(RawPage(rec.Read<LONG>(PageWidthInPixels), rec.Read<LONG>(PageHeightInPixels))).ok);
    EXPECT_EQ(storedId(), 4711u);
    // Page, annotation, two turned metafiles per page: the driver ran every time.
    EXPECT_GE(fx.Dcs().devModes.size(), 6u);

    // Without the switch the driver's own identifier stays: the guard is what kept it.
    fx.SetText(tw::settings::kMessagingInterfaceSettings, tw::settings::kUseWindowsSessionId, L"no");
    ASSERT_TRUE(FromEmf(SamplePage()).ok);
    EXPECT_EQ(storedId(), 999u);
}

}  // namespace
}  // namespace twtest
