// Annotations drawn by the page renderer, against the same text or picture drawn here with GDI
// on the page rendered without them; and the vector path's annotation metafile against the
// raster page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cwchar>

#include "base/WideString.h"
#include "emfimage/EMFImage.h"
#include "emfimage/MetafileRecorder.h"
#include "emfimage/PackedDib.h"
#include "twfile/BmpEncoding.h"
#include "job/SettingsStore.h"
#include "support/RenderFixture.h"
#include "support/TestSupport.h"

namespace {

using twtest::Raster;

constexpr int kDpi = 150;

// An empty letter page.
std::string BlankPage() {
    const RECT frame{0, 0, 21590, 27940};
    HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    ::SetPixel(dc, 0, 0, RGB(255, 255, 255));
    tw::UniqueEnhMetaFile emf(::CloseEnhMetaFile(dc));
    std::string bytes(::GetEnhMetaFileBits(emf.get(), 0, nullptr), '\0');
    ::GetEnhMetaFileBits(emf.get(), static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
    return bytes;
}

// A page whose top left corner (about 300 x 150 pixels at 150 dpi) is black.
std::string PageWithBlackCorner() {
    const RECT frame{0, 0, 21590, 27940};
    HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    const RECT corner{0, 0, 200, 100};
    ::FillRect(dc, &corner, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    tw::UniqueEnhMetaFile emf(::CloseEnhMetaFile(dc));
    std::string bytes(::GetEnhMetaFileBits(emf.get(), 0, nullptr), '\0');
    ::GetEnhMetaFileBits(emf.get(), static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
    return bytes;
}

// A 24-bit page raster drawn on with GDI.
class Canvas {
public:
    explicit Canvas(const Raster& page) : m_raster(page), m_dc(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), page.width, page.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        m_bitmap.reset(::CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &m_bits, nullptr, 0));
        std::memcpy(m_bits, page.bits.data(), page.bits.size());
        m_old = ::SelectObject(m_dc.get(), m_bitmap.get());
    }
    ~Canvas() { ::SelectObject(m_dc.get(), m_old); }
    HDC Dc() const { return m_dc.get(); }
    Raster Result() {
        ::GdiFlush();
        Raster r = m_raster;
        std::memcpy(r.bits.data(), m_bits, r.bits.size());
        return r;
    }

private:
    Raster m_raster;
    tw::UniqueDC m_dc;
    tw::UniqueGdiObject m_bitmap;
    void* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};

const BYTE* PixelAt(const Raster& r, LONG x, LONG yFromTop) {
    return r.bits.data() + static_cast<size_t>(r.height - 1 - yFromTop) * r.RowBytes() + x * 3;
}

// The smallest rectangle holding every pixel that is not white.
RECT InkBox(const Raster& r) {
    RECT box{r.width, r.height, -1, -1};
    for (LONG y = 0; y < r.height; ++y)
        for (LONG x = 0; x < r.width; ++x) {
            const BYTE* p = PixelAt(r, x, y);
            if (p[0] == 255 && p[1] == 255 && p[2] == 255) continue;
            box.left = std::min(box.left, x), box.top = std::min(box.top, y);
            box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
        }
    return box;
}

tw::UniqueGdiObject ArialAt(int degrees = 0, LONG height96 = 16) {
    LOGFONTW lf{};
    lf.lfHeight = height96 * kDpi / 96;
    lf.lfWeight = FW_NORMAL;
    lf.lfEscapement = lf.lfOrientation = degrees * 10;
    std::wcscpy(lf.lfFaceName, L"Arial");
    return tw::UniqueGdiObject(::CreateFontIndirectW(&lf));
}

// `text` drawn here on a copy of `page` in Arial at the renderer's default size; `place` turns the
// text's extent into its drawing point.
template <typename Place>
Raster WithText(const Raster& page, const std::wstring& text, int degrees, COLORREF color, UINT align, Place place) {
    Canvas canvas(page);
    tw::UniqueGdiObject font = ArialAt(degrees);
    tw::SelectGuard select(canvas.Dc(), font.get());
    SIZE extent{};
    ::GetTextExtentPoint32W(canvas.Dc(), text.c_str(), static_cast<int>(text.size()), &extent);
    const POINT at = place(extent);
    ::SetBkMode(canvas.Dc(), TRANSPARENT);
    ::SetTextColor(canvas.Dc(), color);
    ::SetTextAlign(canvas.Dc(), align);
    ::TextOutW(canvas.Dc(), at.x, at.y, text.c_str(), static_cast<int>(text.size()));
    return canvas.Result();
}

class AnnotationRender : public ::testing::Test {
protected:
    AnnotationRender() {
        fx.DevMode().Dpi(kDpi, kDpi).ColorMode(3);
        fx.DevMode().Set(L"PageWidthInPixels", L"1275");
        fx.DevMode().Set(L"PageHeightInPixels", L"1650");
        fx.SetPageSetting(L"Antialiasing", 3);
        page = BlankPage();
    }
    Raster Render() {
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
        tw::CEMFImage image(&fx.Job());
        EXPECT_TRUE(image.Create(block.get(), page.size(), dm));
        return image.PageDib() ? twtest::RasterFromPackedDib(image.PageDib()) : Raster{};
    }
    std::wstring Key(const wchar_t* group) {
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        return tw::settings::GroupPath(&dm, tw::settings::kRoot, group);
    }
    void SetText(const wchar_t* group, const wchar_t* name, const std::wstring& value) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, Key(group).c_str(), name, REG_SZ, value.c_str(),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    void SetDword(const wchar_t* group, const wchar_t* name, DWORD value) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, Key(group).c_str(), name, REG_DWORD, &value, sizeof(value));
    }
    // The vector path's annotation metafile of the page.
    tw::UniqueEnhMetaFile AnnotationMetafile() {
        tw::TarnwellDEVMODE dm = fx.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(page));
        tw::CEMFImage image(&fx.Job());
        tw::UniqueEnhMetaFile pageEmf, annotationEmf;
        tw::VectorSize size{}, dpi{};
        EXPECT_TRUE(image.CreateEnhMetaFileExt(block.get(), page.size(), dm, pageEmf, annotationEmf, size, dpi, FALSE));
        return annotationEmf;
    }
    twtest::RenderFixture fx;
    std::string page;
};

TEST_F(AnnotationRender, HeaderAndFooterAtTheirPositionsAndOffsets) {
    const Raster blank = Render();
    ASSERT_EQ(blank.bitCount, 24);
    const wchar_t* header = tw::settings::kHeaderSettings;
    SetText(header, L"Header Enable", L"1");
    SetText(header, L"Header Text", L"Quarterly <<DOCNAME>>");
    SetDword(header, L"Header Color", RGB(200, 0, 0));
    fx.Job().SetDocumentName(L"Figures");
    struct Case {
        int position;
        DWORD units, x, y;
        LONG pixelX, pixelY;  // the offsets in pixels at 150 dpi
    };
    const Case cases[] = {
        {0, 2, 40, 30, 40, 30},      // pixels
        {1, 1, 100, 20, 150, 30},    // hundredths of an inch
        {2, 0, 254, 100, 150, 59},   // tenths of a millimetre
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        SetText(header, L"Header Position", std::to_wstring(c.position));
        SetDword(header, L"Header Offset Units", c.units);
        SetDword(header, L"Header Offset X", c.x);
        SetDword(header, L"Header Offset Y", c.y);
        const Raster drawn = Render();
        const Raster want = WithText(blank, L"Quarterly Figures", 0, RGB(200, 0, 0), TA_TOP | TA_LEFT, [&](SIZE e) {
            LONG x = c.pixelX;
            if (c.position == 1) x = c.pixelX - e.cx / 2 + blank.width / 2;
            if (c.position == 2) x = c.pixelX - e.cx + blank.width;
            return POINT{x, c.pixelY};
        });
        EXPECT_EQ(twtest::DifferentPixels(drawn, want), 0u);
        EXPECT_NE(twtest::DifferentPixels(drawn, blank), 0u);
    }
    // The footer's Y offset is measured from the top as well; first page only still draws here.
    SetText(header, L"Header Enable", L"0");
    const wchar_t* footer = tw::settings::kFooterSettings;
    SetText(footer, L"Footer Enable", L"1");
    SetText(footer, L"Footer First Page Only", L"1");
    SetText(footer, L"Footer Text", L"end");
    SetDword(footer, L"Footer Offset Y", 1600);
    const RECT box = InkBox(Render());
    EXPECT_GE(box.top, 1600);
    EXPECT_LT(box.bottom, 1650);
    EXPECT_LT(box.left, 10);
}

TEST_F(AnnotationRender, TextStampRotatedAndTranslucent) {
    const Raster blank = Render();
    const wchar_t* group = tw::settings::kTextWatermarkStampSettings;
    SetText(group, L"Text Stamp Enable", L"1");
    SetText(group, L"Text", L"DRAFT");
    SetText(group, L"Position", L"0");
    SetDword(group, L"Offset X", 10);
    SetDword(group, L"Offset Y", 20);
    for (int degrees : {0, 45, 90}) {
        SCOPED_TRACE(degrees);
        SetDword(group, L"Rotation", degrees);
        const Raster drawn = Render();
        const Raster want = WithText(blank, L"DRAFT", degrees, 0, TA_BOTTOM | TA_LEFT, [&](SIZE e) {
            const double r = degrees * 3.14159 / 180.0;
            // Top left: left reach cy sin, upward reach cy cos + cx sin (rounded), plus the offsets.
            return POINT{static_cast<LONG>(e.cy * std::sin(r) + 0.5) + 10,
                         static_cast<LONG>(e.cy * std::cos(r) + e.cx * std::sin(r) + 0.5) + 20};
        });
        EXPECT_EQ(twtest::DifferentPixels(drawn, want), 0u);
    }
    // Visibility 50: the same glyphs at alpha 127 over white, so mid grey where they were black.
    SetDword(group, L"Rotation", 0);
    const Raster opaque = Render();
    SetDword(group, L"Visibility", 50);
    const Raster translucent = Render();
    // Nearly the same pixels change (the lightest edge pixels may blend back to white).
    const size_t opaqueCount = twtest::DifferentPixels(opaque, blank);
    const size_t translucentCount = twtest::DifferentPixels(translucent, blank);
    EXPECT_GT(translucentCount, opaqueCount * 9 / 10);
    EXPECT_LE(translucentCount, opaqueCount);
    int darkest = 255;
    for (LONG y = 0; y < 120; ++y)
        for (LONG x = 0; x < 200; ++x) darkest = std::min<int>(darkest, PixelAt(translucent, x, y)[1]);
    EXPECT_GE(darkest, 126);
    EXPECT_LE(darkest, 130);
}

TEST_F(AnnotationRender, TranslucentStampOnABilevelPageIsDrawnSolid) {
    fx.DevMode().ColorMode(0);
    const Raster blank = Render();
    ASSERT_EQ(blank.bitCount, 1);
    const wchar_t* group = tw::settings::kTextWatermarkStampSettings;
    SetText(group, L"Text Stamp Enable", L"1");
    SetText(group, L"Text", L"DRAFT");
    SetDword(group, L"Visibility", 100);
    const Raster solid = Render();
    SetDword(group, L"Visibility", 50);
    const Raster translucent = Render();
    EXPECT_GT(twtest::DifferentPixels(solid, blank), 100u);
    // A blend of half-black onto one bit would round to white and lose the stamp.
    EXPECT_EQ(twtest::DifferentPixels(translucent, solid), 0u);
}

TEST_F(AnnotationRender, DevModeAnnotationAtTheBottomRight) {
    const Raster blank = Render();
    fx.DevMode().Set(L"AnnotationText1", L"Filed");
    fx.DevMode().Set(L"AnnotationText2", L"copy");
    fx.DevMode().Set(L"AnnotationOptions", std::to_wstring(0x1 | 0x2 | 0x8000 | 0x200000 | 0x800000));
    fx.DevMode().Set(L"AnnotationOffsetX", L"-100");  // hundredths of an inch
    fx.DevMode().Set(L"AnnotationOffsetY", L"-20");
    fx.DevMode().Set(L"AnnotationColor", std::to_wstring(RGB(0, 0, 180)));
    const Raster drawn = Render();
    const Raster want = WithText(blank, L"Filed copy ", 0, RGB(0, 0, 180), TA_BOTTOM | TA_LEFT, [&](SIZE e) {
        return POINT{blank.width - e.cx - 150, blank.height - 30};
    });
    EXPECT_EQ(twtest::DifferentPixels(drawn, want), 0u);
    // First page only: this renderer's page is the first, so it still shows.
    fx.DevMode().Set(L"AnnotationFirstPageOnly", L"1");
    EXPECT_EQ(twtest::DifferentPixels(Render(), drawn), 0u);
}

TEST_F(AnnotationRender, MissingFontFaceFallsBackAndLongTextIsCut) {
    const wchar_t* header = tw::settings::kHeaderSettings;
    SetText(header, L"Header Enable", L"1");
    SetText(header, L"Header Text", std::wstring(5000, L'W'));
    const LONG height = 20;
    for (const wchar_t* name : {L"Header Font Width", L"Header Font Escapement", L"Header Font Orientation",
                                L"Header Font Italic", L"Header Font Underline", L"Header Font Strikeout",
                                L"Header Font Charset", L"Header Font Outprecisions", L"Header Font Clipprecisions",
                                L"Header Font Quality", L"Header Font PinchAndFamily"})
        SetDword(header, name, 0);
    SetDword(header, L"Header Font Height", height);
    SetDword(header, L"Header Font Weight", 700);
    SetText(header, L"Header Font Facename", L"No Such Face 9");
    const Raster drawn = Render();
    const RECT box = InkBox(drawn);
    EXPECT_LE(box.left, 3);
    EXPECT_LT(box.bottom, 60);
    EXPECT_GT(box.right, 1000);  // drawn, across the page, not dropped
    EXPECT_FALSE(fx.Job().HasError());
}

// A 24-bit BMP file of w x h whose every pixel is dark and told apart by its place.
std::wstring WriteTestPicture(const std::wstring& dir, LONG w, LONG h) {
    tw::UniqueHGlobal dib(tw::NewPackedDib(w, h, 24, nullptr, 0, 0, 0));
    std::vector<BYTE> file;
    {
        tw::DibView view(dib.get());
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) {
                BYTE* p = view.StoredRow(y) + x * 3;
                p[0] = static_cast<BYTE>(40 + x % 90), p[1] = static_cast<BYTE>(20 + y % 100), p[2] = 60;
            }
        tw::EncodeBmpFile(reinterpret_cast<const BYTE*>(view.Header()), ::GlobalSize(dib.get()), file);
    }
    const std::wstring path = dir + L"\\mark.bmp";
    twtest::WriteFileBytes(path, std::string(file.begin(), file.end()));
    return path;
}

TEST_F(AnnotationRender, WatermarkAtEachPositionPortraitAndLandscape) {
    const std::wstring dir = twtest::MakeTempDir(L"wm");
    const LONG w = 90, h = 100;
    const std::wstring picture = WriteTestPicture(dir, w, h);
    fx.DevMode().Set(L"WatermarkImage", L"1");
    fx.DevMode().Set(L"PortraitWatermarkImage", picture);
    fx.DevMode().Set(L"LandscapeWatermarkImage", picture);
    fx.DevMode().Set(L"PortraitWatermarkBrightness", L"40");
    fx.DevMode().Set(L"LandscapeWatermarkBrightness", L"40");
    const DWORD codes[] = {1, 2, 4, 8, 16, 32, 64, 128};
    for (bool landscape : {false, true}) {
        fx.DevMode().Landscape(landscape);
        if (landscape) {
            fx.DevMode().Set(L"PageWidthInPixels", L"1650");
            fx.DevMode().Set(L"PageHeightInPixels", L"1275");
        }
        for (DWORD code : codes) {
            SCOPED_TRACE(std::to_string(code) + (landscape ? " landscape" : " portrait"));
            for (DWORD other : codes) {
                const std::wstring orientation = landscape ? L"Landscape" : L"Portrait";
                fx.DevMode().Set(L"Watermark" + orientation + L"Position" + std::to_wstring(other),
                                 other == code ? L"1" : L"0");
            }
            const Raster page = Render();
            const LONG W = page.width, H = page.height;
            RECT want{};
            const LONG scaled = static_cast<LONG>(h * (static_cast<double>(W) / w));
            switch (code) {
            case 1: want = {0, 0, W, H}; break;
            case 2: {
                const LONG top = std::max(0L, (H - scaled) / 2);  // a negative top counts as 0
                want = {0, top, W, std::min(H, top + scaled)};
                break;
            }
            case 4: want = {(W - w) / 2, (H - h) / 2, (W - w) / 2 + w, (H - h) / 2 + h}; break;
            case 8: want = {0, 0, W, H}; break;
            case 16: want = {(W - w) / 2, H - h, (W - w) / 2 + w, H}; break;
            case 32: want = {0, std::max(0L, H - scaled), W, H}; break;
            case 64: want = {(W - w) / 2, 0, (W - w) / 2 + w, h}; break;
            case 128: want = {0, 0, W, std::min(H, scaled)}; break;
            }
            const RECT box = InkBox(page);
            EXPECT_LE(std::abs(box.left - want.left), 1);
            EXPECT_LE(std::abs(box.top - want.top), 1);
            EXPECT_LE(std::abs(box.right - want.right), 1);
            EXPECT_LE(std::abs(box.bottom - want.bottom), 1);
            if (code == 4) {
                // Actual size: the picture's own pixels, each lightened by trunc(40 % of 255).
                const BYTE* p = PixelAt(page, want.left + 5, want.top + 7);
                EXPECT_EQ(p[0], 40 + 5 + 102);
                EXPECT_EQ(p[1], 20 + (h - 1 - 7) + 102);
                EXPECT_EQ(p[2], 60 + 102);
            }
        }
    }
    twtest::RemoveTree(dir);
}

TEST_F(AnnotationRender, FirstPagePictureAndBadPictures) {
    const std::wstring dir = twtest::MakeTempDir(L"wm");
    const std::wstring picture = WriteTestPicture(dir, 50, 40);
    fx.DevMode().Set(L"WatermarkImage", L"1");
    fx.DevMode().Set(L"PortraitWatermarkImage", picture);
    fx.DevMode().Set(L"WatermarkPortraitPosition64", L"1");  // the normal picture at the top
    // The unique first-page picture, at the bottom, with a position of 5 that counts as 4... and
    // an empty name: no watermark at all on the first page.
    fx.DevMode().Set(L"WatermarkFirstPagePicture", L"1");
    SetText(tw::settings::kWatermarkSettings, L"First Image Portrait", L"");
    EXPECT_EQ(InkBox(Render()).right, -1);
    SetText(tw::settings::kWatermarkSettings, L"First Image Portrait", picture);
    SetDword(tw::settings::kWatermarkSettings, L"First Image Portrait Position", 5);
    Raster page = Render();
    RECT box = InkBox(page);
    EXPECT_EQ(box.top, (page.height - 40) / 2);  // centred: code 4

    // Missing, truncated, corrupt and oversized pictures: the page comes out, the job is told.
    fx.DevMode().Set(L"WatermarkFirstPagePicture", L"0");
    std::string bytes = twtest::ReadFileBytes(picture);
    std::string huge = bytes;
    const LONG big = 100000;
    std::memcpy(huge.data() + 14 + 4, &big, 4);
    std::memcpy(huge.data() + 14 + 8, &big, 4);
    twtest::WriteFileBytes(dir + L"\\cut.bmp", bytes.substr(0, 200));
    twtest::WriteFileBytes(dir + L"\\huge.bmp", huge);
    twtest::WriteFileBytes(dir + L"\\junk.png", std::string(300, 'x'));
    twtest::WriteFileBytes(dir + L"\\junk.jpg", std::string(300, 'x'));
    twtest::WriteFileBytes(dir + L"\\junk.tif", std::string(300, 'x'));
    for (const wchar_t* name : {L"\\absent.bmp", L"\\cut.bmp", L"\\huge.bmp", L"\\junk.png", L"\\junk.jpg",
                                L"\\junk.tif"}) {
        SCOPED_TRACE(tw::ToUtf8(name));
        twtest::RenderFixture other;
        other.DevMode().Dpi(kDpi, kDpi).ColorMode(3);
        other.DevMode().Set(L"WatermarkImage", L"1");
        other.DevMode().Set(L"PortraitWatermarkImage", dir + name);
        tw::TarnwellDEVMODE dm = other.DevMode().Record();
        tw::UniqueHGlobal block(twtest::GlobalFromBytes(this->page));
        tw::CEMFImage image(&other.Job());
        EXPECT_TRUE(image.Create(block.get(), this->page.size(), dm));
        ASSERT_NE(image.PageDib(), nullptr);
        EXPECT_EQ(InkBox(twtest::RasterFromPackedDib(image.PageDib())).right, -1);
        EXPECT_TRUE(other.Job().HasError());
        EXPECT_NE(other.Job().StatusText().find(L"Watermark picture cannot be loaded"), std::wstring::npos);
    }
    twtest::RemoveTree(dir);
}

// The annotation metafile played over a page of `page`'s size filled with `grey`.
Raster PlayedOver(const Raster& page, BYTE grey, HENHMETAFILE emf) {
    Raster under = page;
    std::fill(under.bits.begin(), under.bits.end(), grey);
    Canvas played(under);
    const RECT all{0, 0, page.width, page.height};
    ::PlayEnhMetaFile(played.Dc(), emf, &all);
    return played.Result();
}

// A 32-bit BMP of four 10 x 30 stripes: opaque blue, black at half alpha, transparent, opaque red.
std::wstring WriteAlphaPicture(const std::wstring& dir) {
    const LONG w = 40, h = 30;
    BITMAPFILEHEADER f{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    const BITMAPINFOHEADER i{sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD stripes[4] = {0xFF0000FF, 0x80000000, 0x00000000, 0xFFFF0000};  // ARGB
    std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
    for (size_t k = 0; k < pixels.size(); ++k) pixels[k] = stripes[(k % w) / 10];
    f.bfSize = f.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
    std::string bytes(reinterpret_cast<const char*>(&f), sizeof(f));
    bytes.append(reinterpret_cast<const char*>(&i), sizeof(i));
    bytes.append(reinterpret_cast<const char*>(pixels.data()), pixels.size() * 4);
    const std::wstring path = dir + L"\\alpha.bmp";
    twtest::WriteFileBytes(path, bytes);
    return path;
}

TEST_F(AnnotationRender, TranslucentPictureIsBlendedOverThePageInTheMetafile) {
    const std::wstring dir = twtest::MakeTempDir(L"wm");
    fx.DevMode().Set(L"WatermarkImage", L"1");
    fx.DevMode().Set(L"PortraitWatermarkImage", WriteAlphaPicture(dir));
    fx.DevMode().Set(L"WatermarkPortraitPosition4", L"1");
    fx.DevMode().Set(L"PortraitWatermarkBrightness", L"0");
    const Raster raster = Render();
    const LONG x = (raster.width - 40) / 2, y = (raster.height - 30) / 2 + 15;
    auto nearly = [](const BYTE* p, int b, int g, int r) {
        return std::abs(p[0] - b) <= 2 && std::abs(p[1] - g) <= 2 && std::abs(p[2] - r) <= 2;
    };
    {
        tw::UniqueEnhMetaFile emf = AnnotationMetafile();
        ASSERT_TRUE(emf);
        // Over mid grey: the opaque stripes as they are, half-alpha black halves the grey, the
        // transparent stripe leaves it.
        const Raster over = PlayedOver(raster, 128, emf.get());
        EXPECT_TRUE(nearly(PixelAt(over, x + 5, y), 255, 0, 0));
        EXPECT_TRUE(nearly(PixelAt(over, x + 15, y), 64, 64, 64));
        EXPECT_TRUE(nearly(PixelAt(over, x + 25, y), 128, 128, 128));
        EXPECT_TRUE(nearly(PixelAt(over, x + 35, y), 0, 0, 255));
    }
    // Brightness 50: constant alpha 255 - round(127.5) = 127 on top of the pixels' own.
    fx.DevMode().Set(L"PortraitWatermarkBrightness", L"50");
    tw::UniqueEnhMetaFile emf = AnnotationMetafile();
    ASSERT_TRUE(emf);
    const Raster over = PlayedOver(raster, 128, emf.get());
    const BYTE* blue = PixelAt(over, x + 5, y);
    EXPECT_TRUE(nearly(blue, 191, 64, 64)) << int(blue[0]) << " " << int(blue[1]) << " " << int(blue[2]);
    EXPECT_TRUE(nearly(PixelAt(over, x + 25, y), 128, 128, 128));
    // The raster page has no alpha: the same picture is drawn there without it.
    EXPECT_FALSE(fx.Job().HasError());
    twtest::RemoveTree(dir);
}

TEST_F(AnnotationRender, TextWatermarkIsTheStampsTextBeneathTheContent) {
    const Raster blank = Render();
    const wchar_t* group = tw::settings::kTextWatermarkStampSettings;
    SetText(group, L"Text", L"DRAFT");
    SetText(group, L"Position", L"0");
    SetDword(group, L"Offset X", 10);
    SetDword(group, L"Offset Y", 20);
    SetText(group, L"Text Stamp Enable", L"1");
    const Raster stamp = Render();
    SetText(group, L"Text Stamp Enable", L"0");
    SetText(group, L"Text Watermark Enable", L"1");
    const Raster watermark = Render();
    EXPECT_NE(twtest::DifferentPixels(watermark, blank), 0u);
    EXPECT_EQ(twtest::DifferentPixels(watermark, stamp), 0u);  // on a blank page they are alike
    // White text in a black corner: the stamp above the content shows, the watermark beneath
    // it does not.
    page = PageWithBlackCorner();
    SetDword(group, L"Color", RGB(255, 255, 255));
    const Raster covered = Render();
    SetText(group, L"Text Watermark Enable", L"0");
    const Raster content = Render();
    EXPECT_EQ(twtest::DifferentPixels(covered, content), 0u);
    SetText(group, L"Text Stamp Enable", L"1");
    EXPECT_NE(twtest::DifferentPixels(Render(), content), 0u);
}

TEST_F(AnnotationRender, AnnotationMetafileMatchesTheRasterPage) {
    const std::wstring dir = twtest::MakeTempDir(L"wm");
    fx.DevMode().Set(L"WatermarkImage", L"1");
    fx.DevMode().Set(L"PortraitWatermarkImage", WriteTestPicture(dir, 60, 50));
    fx.DevMode().Set(L"PortraitWatermarkBrightness", L"1");
    const wchar_t* header = tw::settings::kHeaderSettings;
    SetText(header, L"Header Enable", L"1");
    SetText(header, L"Header Text", L"vector and raster");
    SetDword(header, L"Header Offset X", 300);
    SetDword(header, L"Header Offset Y", 40);
    const Raster raster = Render();
    tw::UniqueEnhMetaFile annotationEmf = AnnotationMetafile();
    ASSERT_TRUE(annotationEmf);
    const Raster vector = PlayedOver(raster, 0xFF, annotationEmf.get());
    EXPECT_NE(InkBox(vector).right, -1);
    // Font hinting at another scale may move a few glyph edges; the picture and text sit alike.
    const size_t total = static_cast<size_t>(raster.width) * raster.height;
    EXPECT_LT(twtest::DifferentPixels(vector, raster), total / 1000);
    twtest::RemoveTree(dir);
}

}  // namespace
