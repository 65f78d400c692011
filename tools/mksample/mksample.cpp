// mksample OUTDIR: records the demo document as page1.emf to page4.emf: a two-page letter, a page
// of shapes, fonts and a photo-like picture, and a landscape table.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Letter in 0.01 mm, the unit of an EMF frame.
constexpr int kFrameWidth = 21590;
constexpr int kFrameHeight = 27940;

constexpr int kPages = 4;

void Text(HDC dc, int x, int y, int height, int weight, const wchar_t* text, const wchar_t* face = L"Arial",
          BOOL italic = FALSE) {
    HFONT font = ::CreateFontW(-height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    HGDIOBJ old = ::SelectObject(dc, font);
    ::TextOutW(dc, x, y, text, static_cast<int>(wcslen(text)));
    ::SelectObject(dc, old);
    ::DeleteObject(font);
}

// A metafile whose drawing unit is a tenth of a millimetre, y downwards, on a page of
// `width` by `height` tenths.
HDC StartPage(const std::wstring& path, int width, int height) {
    RECT frame{0, 0, width * 10, height * 10};
    HDC dc = ::CreateEnhMetaFileW(nullptr, path.c_str(), &frame, L"mksample\0Demo document\0");
    if (!dc) return nullptr;
    ::SetMapMode(dc, MM_ANISOTROPIC);
    ::SetWindowExtEx(dc, width, height, nullptr);
    int hres = ::GetDeviceCaps(dc, HORZRES), vres = ::GetDeviceCaps(dc, VERTRES);
    int hmm = ::GetDeviceCaps(dc, HORZSIZE), vmm = ::GetDeviceCaps(dc, VERTSIZE);
    ::SetViewportExtEx(dc, MulDiv(width, hres, hmm * 10), MulDiv(height, vres, vmm * 10), nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    return dc;
}

bool FinishPage(HDC dc) {
    HENHMETAFILE emf = ::CloseEnhMetaFile(dc);
    if (!emf) return false;
    ::DeleteEnhMetaFile(emf);
    return true;
}

std::wstring PageNumber(int page) { return L"Page " + std::to_wstring(page) + L" of " + std::to_wstring(kPages); }

bool RecordPage(const std::wstring& path, int page) {
    HDC dc = StartPage(path, 2159, 2794);
    if (!dc) return false;

    HPEN pen = ::CreatePen(PS_SOLID, 5, RGB(0, 0, 0));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HBRUSH band = ::CreateSolidBrush(RGB(200, 200, 200));
    RECT header{150, 150, 2009, 420};
    ::FillRect(dc, &header, band);
    ::DeleteObject(band);
    Text(dc, 200, 200, 90, FW_BOLD, L"Tarnwell Freight Ltd.");
    Text(dc, 200, 310, 45, FW_NORMAL, L"12 Harbour Road, Port Ellis");

    if (page == 1) {
        Text(dc, 200, 520, 60, FW_BOLD, L"Invoice 2026-0415");
        const wchar_t* lines[] = {L"Pallet transport, 14 units", L"Customs clearance", L"Insurance, 0.4 %",
                                  L"Storage, 3 days"};
        const wchar_t* amounts[] = {L"1 820.00", L"240.00", L"61.20", L"135.00"};
        int y = 700;
        for (int i = 0; i < 4; ++i, y += 90) {
            Text(dc, 250, y, 45, FW_NORMAL, lines[i]);
            Text(dc, 1650, y, 45, FW_NORMAL, amounts[i]);
            ::MoveToEx(dc, 230, y + 75, nullptr);
            ::LineTo(dc, 1930, y + 75);
        }
        Text(dc, 1300, y + 40, 50, FW_BOLD, L"Total   2 256.20");
        ::Rectangle(dc, 1250, y + 20, 1950, y + 130);
    } else {
        Text(dc, 200, 520, 60, FW_BOLD, L"Terms and delivery");
        for (int i = 0; i < 12; ++i)
            Text(dc, 250, 700 + i * 80, 40, FW_NORMAL,
                 L"Goods travel at the owner's risk unless insured; claims within 14 days of delivery.");
        ::Ellipse(dc, 1500, 2000, 1900, 2400);
        Text(dc, 1580, 2170, 45, FW_BOLD, L"PAID");
    }
    Text(dc, 200, 2650, 35, FW_NORMAL, PageNumber(page).c_str());
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    return FinishPage(dc);
}

// A photo-like picture: a sky gradient, a sun and rolling hills, 24 bits per pixel.
void Picture(HDC dc, int x, int y, int width, int height) {
    constexpr int kW = 320, kH = 200;
    std::vector<BYTE> bits(((kW * 3 + 3) / 4 * 4) * kH);
    const int row = (kW * 3 + 3) / 4 * 4;
    for (int py = 0; py < kH; ++py) {
        for (int px = 0; px < kW; ++px) {
            const int top = kH - 1 - py;  // rows are stored bottom-up
            double r = 90 + top * 0.6, g = 140 + top * 0.4, b = 230 - top * 0.3;
            const double dx = px - 230, dy = top - 60, sun = dx * dx + dy * dy;
            if (sun < 900) r = 255, g = 220, b = 120;
            const double hill = 140 + 25 * std::sin(px / 40.0) + 10 * std::sin(px / 13.0);
            if (top > hill) r = 40 + (top - hill) * 0.8, g = 120 + std::sin(px * 0.7) * 20, b = 50;
            BYTE* p = bits.data() + py * row + px * 3;
            p[0] = static_cast<BYTE>(std::clamp(b, 0.0, 255.0));
            p[1] = static_cast<BYTE>(std::clamp(g, 0.0, 255.0));
            p[2] = static_cast<BYTE>(std::clamp(r, 0.0, 255.0));
        }
    }
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kW, kH, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    ::StretchDIBits(dc, x, y, width, height, 0, 0, kW, kH, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

bool RecordShapesPage(const std::wstring& path) {
    HDC dc = StartPage(path, 2159, 2794);
    if (!dc) return false;
    Text(dc, 200, 150, 80, FW_BOLD, L"Fleet report", L"Times New Roman");
    Text(dc, 200, 260, 40, FW_NORMAL, L"Serif, sans, mono and italic text at several sizes:", L"Times New Roman");
    const int sizes[] = {24, 32, 48, 64};
    int y = 340;
    for (int size : sizes) {
        Text(dc, 200, y, size, FW_NORMAL, L"Harbour crane 7 lifts 40 t", L"Arial");
        Text(dc, 1150, y, size, FW_NORMAL, L"ETA 14:05", L"Courier New");
        y += size + 30;
    }
    Text(dc, 200, y, 45, FW_NORMAL, L"Delivered on time, with care.", L"Times New Roman", TRUE);
    HPEN thin = ::CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    HPEN dashed = ::CreatePen(PS_DASH, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = ::SelectObject(dc, thin);
    HBRUSH hatch = ::CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0));
    HBRUSH grey = ::CreateSolidBrush(RGB(128, 128, 128));
    HGDIOBJ oldBrush = ::SelectObject(dc, hatch);
    ::Rectangle(dc, 200, 900, 700, 1300);
    ::SelectObject(dc, grey);
    ::Ellipse(dc, 800, 900, 1300, 1300);
    POINT star[] = {{1650, 880}, {1740, 1160}, {1420, 990}, {1880, 990}, {1560, 1160}};
    ::SetPolyFillMode(dc, WINDING);
    ::Polygon(dc, star, 5);
    ::RoundRect(dc, 200, 1380, 900, 1600, 80, 80);
    ::SelectObject(dc, dashed);
    for (int i = 0; i < 10; ++i) {
        ::MoveToEx(dc, 1000, 1380 + i * 25, nullptr);
        ::LineTo(dc, 1950, 1380 + i * 25 + i * 10);
    }
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(hatch);
    ::DeleteObject(grey);
    ::DeleteObject(thin);
    ::DeleteObject(dashed);
    Picture(dc, 200, 1700, 1600, 800);
    Text(dc, 200, 2520, 35, FW_NORMAL, L"Evening at Port Ellis (a picture made by the sample generator)");
    Text(dc, 200, 2650, 35, FW_NORMAL, PageNumber(3).c_str());
    return FinishPage(dc);
}

bool RecordLandscapePage(const std::wstring& path) {
    HDC dc = StartPage(path, 2794, 2159);
    if (!dc) return false;
    Text(dc, 200, 150, 70, FW_BOLD, L"Sailing schedule (landscape)");
    const wchar_t* head[] = {L"Vessel", L"From", L"To", L"Departs", L"Arrives"};
    const wchar_t* rows[][5] = {{L"Maren", L"Port Ellis", L"Kestrel Bay", L"08 Dec 06:00", L"09 Dec 18:30"},
                                {L"Sula", L"Kestrel Bay", L"Holm", L"10 Dec 07:15", L"10 Dec 22:00"},
                                {L"Orrin", L"Holm", L"Port Ellis", L"11 Dec 05:45", L"12 Dec 11:10"},
                                {L"Tansy", L"Port Ellis", L"Grey Sound", L"12 Dec 13:00", L"14 Dec 09:20"}};
    const int columns[] = {200, 700, 1200, 1700, 2250};
    HPEN pen = ::CreatePen(PS_SOLID, 4, RGB(0, 0, 0));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    for (int c = 0; c < 5; ++c) Text(dc, columns[c], 350, 50, FW_BOLD, head[c]);
    for (int r = 0; r < 4; ++r) {
        const int y = 460 + r * 110;
        ::MoveToEx(dc, 180, y - 15, nullptr);
        ::LineTo(dc, 2620, y - 15);
        for (int c = 0; c < 5; ++c) Text(dc, columns[c], y, 45, FW_NORMAL, rows[r][c], c >= 3 ? L"Courier New" : L"Arial");
    }
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    Text(dc, 200, 1950, 35, FW_NORMAL, PageNumber(4).c_str());
    return FinishPage(dc);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mksample OUTDIR\n");
        return 2;
    }
    std::wstring dir = argv[1];
    for (int page = 1; page <= kPages; ++page) {
        std::wstring path = dir + L"\\page" + std::to_wstring(page) + L".emf";
        const bool ok = page <= 2 ? RecordPage(path, page) : page == 3 ? RecordShapesPage(path) : RecordLandscapePage(path);
        if (!ok) {
            std::fprintf(stderr, "mksample: cannot record page %d\n", page);
            return 1;
        }
    }
    return 0;
}
