// CEMFImage: drawing the page five bands at a time and copying each band into the page DIB.
#include <algorithm>
#include <vector>

#include "emfimage/BandBitmap.h"
#include "emfimage/EMFImage.h"
#include "emfimage/ImageErrors.h"
#include "emfimage/PackedDib.h"
#include "emfimage/RawPageDib.h"
#include "emfimage/TemporaryFonts.h"
#include "job/MessagingIdGuard.h"
#include "job/TWJob.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr LONG kBands = 5;

bool IsBlackWhitePalette(const PageBitmapInfo& info) {
    const RGBQUAD& black = info.palette[0];
    const RGBQUAD& white = info.palette[1];
    return info.header.biBitCount == 1 && black.rgbRed == 0 && black.rgbGreen == 0 && black.rgbBlue == 0 &&
           white.rgbRed == 255 && white.rgbGreen == 255 && white.rgbBlue == 255;
}

// A 1-bit page up to this size is drawn in one pass, one playback of the EMF instead of five
// (a Letter page at 400 dpi is 1.9 MB); larger pages and colour pages keep five bands.
constexpr ULONGLONG kSingleBandBytes = 2ull * 1024 * 1024;

// A raw page: one fifth of the page, and a sixth band for what the fifths leave; a page under
// five rows is one band.
LONG BandHeight(LONG pageHeight) { return pageHeight >= kBands ? pageHeight / kBands : pageHeight; }

// An EMF page is played once per band: as few bands as its size allows, and no band of a few
// leftover rows that would cost a whole playback.
LONG EmfBandCount(const PageBitmapInfo& info, LONG pageHeight) {
    if (info.header.biBitCount == 1 && ULONGLONG(info.RowBytes()) * ULONGLONG(pageHeight) <= kSingleBandBytes) return 1;
    return pageHeight >= kBands ? kBands : 1;
}
LONG RowsPerBand(LONG height, LONG bands) { return (height + bands - 1) / bands; }

}  // namespace

struct CEMFImage::Bands {
    UniqueDC reference;
    UniqueDC band;
    HBITMAP bandBitmap = nullptr;  // the thread's, released at the end of the page
    PageBitmapInfo bandInfo;
    LONG bandHeight = 0;
    LONG width = 0;
    std::vector<BYTE> scratch;  // rows of the band on their way to the page DIB
    ~Bands() {
        band.reset();
        ReleaseBandBitmap();
        ::GdiFlush();
    }
};

bool CEMFImage::PrepareBands(Bands& b, TarnwellDEVMODE& dm, LONG bandHeight) {
    {
        settings::MessagingIdGuard keepId(&dm);
        b.reference.reset(Spooler().CreatePrinterDC(m_pJob->PrinterName().c_str(), dm.AsDevModeW()));
        keepId.Restore();
    }
    if (!b.reference) {
        TW_TRACE(L"CEMFImage: CreateDC FAILED !!! ");
        return false;
    }
    b.band.reset(::CreateCompatibleDC(b.reference.get()));
    if (!b.band) return false;
    b.width = m_info.header.biWidth;
    b.bandHeight = bandHeight;
    b.bandInfo = m_info;
    b.bandInfo.SetHeight(b.bandHeight);
    b.bandBitmap = AcquireBandBitmap(b.band.get(), b.bandInfo);
    if (!b.bandBitmap) {
        TW_TRACE(L"CreateDIBSection failed(9): %d", static_cast<int>(::GetLastError()));
        m_pJob->HandleError(imgtext::kOutOfMemory, __FILE__, __LINE__);
        return false;
    }
    return true;
}

bool CEMFImage::CopyBand(Bands& b, LONG y) {
    if (CopyBandRows(b, y)) return true;
    m_pJob->HandleError(imgerr::kBandCopy, __FILE__, __LINE__);
    return false;
}

// Copies the finished band (its top rows when it is the last, partial one) into the page DIB,
// whose rows are stored bottom-up: the band's rows are one contiguous run there.
bool CEMFImage::CopyBandRows(Bands& b, LONG y) {
    ::GdiFlush();
    BITMAP bm{};
    if (!::GetObjectW(b.bandBitmap, sizeof(bm), &bm)) return false;
    const LONG rows = std::min<LONG>(bm.bmHeight, m_pageHeight - y);
    if (rows <= 0) return true;
    GlobalLockGuard<BYTE> page(m_pageDib.get());
    if (!page) return false;
    const DWORD rowBytes = m_info.RowBytes();
    BYTE* target = page.get() + m_info.HeaderBytes() + static_cast<SIZE_T>(m_pageHeight - y - rows) * rowBytes;
    // A monochrome band is copied as it is; a colour band (a DIB section) and a page whose
    // palette is not black and white go through GetDIBits, which converts.
    if (bm.bmBitsPixel == 1 && IsBlackWhitePalette(m_info) &&
        CopyMonochromeRows(b.bandBitmap, rows, target, rowBytes, b.scratch))
        return true;
    PageBitmapInfo info = b.bandInfo;  // GetDIBits writes the palette it returns
    info.SetHeight(bm.bmHeight);
    const int copied = ::GetDIBits(b.band.get(), b.bandBitmap, static_cast<UINT>(bm.bmHeight - rows),
                                   static_cast<UINT>(rows), target, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    return copied == rows;
}

BOOL CEMFImage::RenderEmfBands(HENHMETAFILE emf, SIZE emfPixels, LONG xPelsPerMeter, LONG yPelsPerMeter,
                               TarnwellDEVMODE& dm) {
    Bands b;
    const LONG bands = EmfBandCount(m_info, m_pageHeight);
    if (!PrepareBands(b, dm, RowsPerBand(m_pageHeight, bands))) return FALSE;
    const bool coverPage = m_pJob->IsDriverCoverPage();
    const int xDpi = DmXDpi(&dm), yDpi = DmYDpi(&dm);
    bool scale = std::abs(xDpi - yDpi) > kAnisotropicDpiTolerance &&
                 (!IsFaxOutput(&dm) || DmFaxResolutionMode(&dm) == 3);
    scale = scale || coverPage || m_pJob->IsFormFillerCoverPage();
    UniqueDC scaleDc;
    UniqueGdiObject scaleBitmap;
    // As many EMF rows per band as the whole EMF over the page's bands, cut down as before.
    const LONG scaleBandHeight = emfPixels.cy / bands;
    if (scale && emfPixels.cx > 0 && scaleBandHeight > 0) {
        const PageBitmapInfo info =
            FillBITMAPINFO2(m_info.header.biBitCount, emfPixels.cx, scaleBandHeight, xPelsPerMeter, yPelsPerMeter);
        scaleDc.reset(::CreateCompatibleDC(b.reference.get()));
        if (scaleDc) scaleBitmap.reset(GetDIBSection2(scaleDc.get(), info));
    }
    if (!scaleDc || !scaleBitmap) scale = false;
    TW_TRACE(L"CEMFImage::Create: bScaleDIB: %d", scale ? 1 : 0);

    const FontQualityRule fonts = FontRule(dm);
    const RECT pageRect{0, 0, b.width - 1, m_pageHeight - 1};
    const RECT emfRect{0, 0, emfPixels.cx, emfPixels.cy};
    m_playback = PlaybackStats{};
    PlaybackBudget budget(m_limits);
    TemporaryFontLoader tempFonts(m_pJob->Fonts(), m_pJob->TemporaryFontFolder(), L"szFontName(2)");
    DecidePageDecorations(dm);
    LONG ys = 0;
    for (LONG y = 0; y < m_pageHeight; y += b.bandHeight) {
        {
            SelectGuard brush(b.band.get(), ::GetStockObject(WHITE_BRUSH));
            SelectGuard bitmap(b.band.get(), b.bandBitmap);
            ::SetWindowOrgEx(b.band.get(), 0, 0, nullptr);
            if (y == 0) ExtractPageText(b.band.get(), emf, dm);
            ::PatBlt(b.band.get(), 0, 0, b.width, b.bandHeight, PATCOPY);
            PlaybackStats stats;
            if (!scale) {
                ::SetWindowOrgEx(b.band.get(), 0, y, nullptr);
                // Brush patterns (hatches, dithered greys) continue across band seams.
                ::SetBrushOrgEx(b.band.get(), 0, -y, nullptr);
                if (!coverPage) DrawWatermark(b.band.get(), b.width, m_pageHeight, dm);
                DrawTextWatermark(b.band.get(), b.width, m_pageHeight, dm);
                stats = PlayPage(b.band.get(), emf, pageRect, m_pJob->GdiMutex(), fonts, budget, m_pJob->PageMarkers(),
                                 &tempFonts);
            } else {
                SelectGuard scaleBrush(scaleDc.get(), ::GetStockObject(WHITE_BRUSH));
                SelectGuard scaleSelect(scaleDc.get(), scaleBitmap.get());
                ::SetWindowOrgEx(scaleDc.get(), 0, 0, nullptr);
                ::PatBlt(scaleDc.get(), 0, 0, emfPixels.cx, scaleBandHeight, PATCOPY);
                ::SetWindowOrgEx(scaleDc.get(), 0, ys, nullptr);
                ::SetBrushOrgEx(scaleDc.get(), 0, -ys, nullptr);
                if (!coverPage) DrawWatermark(scaleDc.get(), emfPixels.cx, emfPixels.cy, dm);
                DrawTextWatermark(scaleDc.get(), emfPixels.cx, emfPixels.cy, dm);
                stats = PlayPage(scaleDc.get(), emf, emfRect, m_pJob->GdiMutex(), fonts, budget, m_pJob->PageMarkers(),
                                 &tempFonts);
                ::SetStretchBltMode(b.band.get(), BLACKONWHITE);
                ::SetStretchBltMode(scaleDc.get(), BLACKONWHITE);
                ::SetWindowOrgEx(scaleDc.get(), 0, 0, nullptr);
                ::SetWindowOrgEx(b.band.get(), 0, 0, nullptr);
                if (!coverPage)
                    ::StretchBlt(b.band.get(), 0, 0, b.width, b.bandHeight, scaleDc.get(), 0, 0, emfPixels.cx,
                                 scaleBandHeight, SRCCOPY);
                ::SetWindowOrgEx(b.band.get(), 0, y, nullptr);
                ys += scaleBandHeight;
            }
            m_playback.Add(stats);
            DrawOverlays(b.band.get(), b.width, m_pageHeight, dm);
            ::SetWindowOrgEx(b.band.get(), 0, 0, nullptr);
        }
        if (m_playback.exhausted) {
            // Part of the page was never drawn: it is failed, not written half blank.
            TW_TRACE(L"CEMFImage::Create: the page exceeded its playback limits");
            m_pJob->HandleError(imgerr::kPlaybackBudget, __FILE__, __LINE__);
            return FALSE;
        }
        if (!CopyBand(b, y)) return FALSE;
    }
    return TRUE;
}

BOOL CEMFImage::RenderRawBands(const BYTE* raw, SIZE_T rawSize, TarnwellDEVMODE& dm) {
    RawPageDib src;
    if (!src.Read(raw, rawSize)) {
        TW_TRACE(L"CEMFImage::CreateFromRawData: the page is not a packed DIB this monitor can read");
        m_pJob->HandleError(imgerr::kSizing, __FILE__, __LINE__);
        return FALSE;
    }
    Bands b;
    if (!PrepareBands(b, dm, BandHeight(m_pageHeight))) return FALSE;
    const bool coverPage = m_pJob->IsDriverCoverPage();
    const LONG srcBand = BandHeight(src.Height());
    std::vector<BYTE> bandInfo;
    const int watermarkWidth = dm.Read<LONG>(dmoff::PageWidthInPixels) > 0 ? dm.Read<LONG>(dmoff::PageWidthInPixels)
                                                                            : kFaxLineWidth;
    DecidePageDecorations(dm);
    for (LONG y = 0, k = 0; y < m_pageHeight; y += b.bandHeight, ++k) {
        {
            SelectGuard brush(b.band.get(), ::GetStockObject(WHITE_BRUSH));
            SelectGuard bitmap(b.band.get(), b.bandBitmap);
            ::SetWindowOrgEx(b.band.get(), 0, 0, nullptr);
            ::PatBlt(b.band.get(), 0, 0, b.width, b.bandHeight, PATCOPY);
            ::SetWindowOrgEx(b.band.get(), 0, y, nullptr);
            DrawWatermark(b.band.get(), watermarkWidth, m_pageHeight, dm);
            DrawTextWatermark(b.band.get(), watermarkWidth, m_pageHeight, dm);
            ::SetWindowOrgEx(b.band.get(), 0, 0, nullptr);
            // Source rows of this band, from the top; the sixth band takes what the fifths left.
            const LONG srcTop = k * srcBand;
            const LONG srcRows = std::min(srcBand, src.Height() - srcTop);
            const LONG destRows = std::min(b.bandHeight, m_pageHeight - y);
            if (!coverPage && srcRows > 0) {
                ::SetStretchBltMode(b.band.get(), BLACKONWHITE);
                const BYTE* bits = src.Band(srcTop, srcRows, bandInfo);
                ::StretchDIBits(b.band.get(), 0, 0, b.width, k < kBands ? b.bandHeight : destRows, 0, 0, src.Width(),
                                srcRows, bits, reinterpret_cast<const BITMAPINFO*>(bandInfo.data()), DIB_RGB_COLORS,
                                SRCCOPY);
            }
            ::SetWindowOrgEx(b.band.get(), 0, y, nullptr);
            DrawOverlays(b.band.get(), b.width, m_pageHeight, dm);
            ::SetWindowOrgEx(b.band.get(), 0, 0, nullptr);
        }
        if (!CopyBand(b, y)) return FALSE;
    }
    return TRUE;
}

}  // namespace tw
