#include "AnnotationDrawing.h"

#include <algorithm>
#include <cwchar>

#include "PageDib.h"
#include "base/UniqueHandle.h"

namespace coverpage {
namespace {

constexpr double kScreenDpi = 96.0;
constexpr int kPointsPerInch = 72;

// Restores the DC's state (objects, modes, colours) however drawing ends.
class SavedDc {
public:
    explicit SavedDc(HDC hdc) : m_hdc(hdc), m_id(::SaveDC(hdc)) {}
    ~SavedDc() {
        if (m_id) ::RestoreDC(m_hdc, m_id);
    }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;
private:
    HDC m_hdc;
    int m_id;
};

int PenWidth(int width, double devicePixel) {
    return width > 0 ? width : std::max(1, static_cast<int>(devicePixel + 0.5));
}

}  // namespace

LOGFONTW TextFont(const AnnoText& text, int pageYDpi) {
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(text.points, pageYDpi, kPointsPerInch);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    std::wcsncpy(lf.lfFaceName, text.face.c_str(), LF_FACESIZE - 1);
    return lf;
}

bool DrawPage(HDC hdc, const PageAnnotations& page, int dpiX, int dpiY) {
    if (!hdc) return false;
    SavedDc saved(hdc);
    const double devicePixel = std::max(dpiX, dpiY) > 0 ? std::max(dpiX, dpiY) / kScreenDpi : 1.0;
    bool ok = true;
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, RGB(0, 0, 0));
    ::SetTextAlign(hdc, TA_TOP | TA_LEFT | TA_NOUPDATECP);

    for (const AnnoImage& image : page.images) {
        coverpage::DibView v;
        if (!ViewDib(image.dib.data(), image.dib.size(), v)) {
            ok = false;
            continue;
        }
        ok = ::StretchDIBits(hdc, image.x, image.y, image.cx, image.cy, 0, 0, v.width, v.height, v.bits, v.info,
                             DIB_RGB_COLORS, SRCCOPY) != 0 && ok;
    }
    for (const AnnoRect& r : page.rects) {
        if (r.filled) {
            RECT rc{r.x, r.y, r.x + r.cx, r.y + r.cy};
            ok = ::FillRect(hdc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))) != 0 && ok;
            continue;
        }
        tw::UniqueGdiObject pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, PenWidth(r.width, devicePixel), RGB(0, 0, 0)));
        tw::SelectGuard usePen(hdc, pen.get());
        tw::SelectGuard noFill(hdc, ::GetStockObject(NULL_BRUSH));
        ok = pen && ::Rectangle(hdc, r.x, r.y, r.x + r.cx, r.y + r.cy) && ok;
    }
    for (const AnnoLine& l : page.lines) {
        tw::UniqueGdiObject pen(::CreatePen(PS_SOLID, PenWidth(l.width, devicePixel), RGB(0, 0, 0)));
        tw::SelectGuard usePen(hdc, pen.get());
        ok = pen && ::MoveToEx(hdc, l.x1, l.y1, nullptr) && ::LineTo(hdc, l.x2, l.y2) && ok;
    }
    for (const AnnoText& t : page.texts) {
        const LOGFONTW lf = TextFont(t, page.ydpi);
        tw::UniqueGdiObject font(::CreateFontIndirectW(&lf));
        tw::SelectGuard useFont(hdc, font.get());
        ok = font && ::TextOutW(hdc, t.x, t.y, t.text.c_str(), static_cast<int>(t.text.size())) && ok;
    }
    return ok;
}

}  // namespace coverpage
