// mksample OUTDIR: records the demo document, a two-page letter, as page1.emf and page2.emf.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Letter in 0.01 mm, the unit of an EMF frame.
constexpr int kFrameWidth = 21590;
constexpr int kFrameHeight = 27940;

void Text(HDC dc, int x, int y, int height, int weight, const wchar_t* text) {
    HFONT font = ::CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
    HGDIOBJ old = ::SelectObject(dc, font);
    ::TextOutW(dc, x, y, text, static_cast<int>(wcslen(text)));
    ::SelectObject(dc, old);
    ::DeleteObject(font);
}

bool RecordPage(const std::wstring& path, int page) {
    RECT frame{0, 0, kFrameWidth, kFrameHeight};
    HDC dc = ::CreateEnhMetaFileW(nullptr, path.c_str(), &frame, L"mksample\0Demo letter\0");
    if (!dc) return false;
    // Work in tenths of a millimetre, y downwards.
    ::SetMapMode(dc, MM_ANISOTROPIC);
    ::SetWindowExtEx(dc, 2159, 2794, nullptr);
    int hres = ::GetDeviceCaps(dc, HORZRES), vres = ::GetDeviceCaps(dc, VERTRES);
    int hmm = ::GetDeviceCaps(dc, HORZSIZE), vmm = ::GetDeviceCaps(dc, VERTSIZE);
    ::SetViewportExtEx(dc, MulDiv(2159, hres, hmm * 10), MulDiv(2794, vres, vmm * 10), nullptr);
    ::SetBkMode(dc, TRANSPARENT);

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
    Text(dc, 200, 2650, 35, FW_NORMAL, page == 1 ? L"Page 1 of 2" : L"Page 2 of 2");
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    HENHMETAFILE emf = ::CloseEnhMetaFile(dc);
    if (!emf) return false;
    ::DeleteEnhMetaFile(emf);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mksample OUTDIR\n");
        return 2;
    }
    std::wstring dir = argv[1];
    for (int page = 1; page <= 2; ++page) {
        std::wstring path = dir + L"\\page" + std::to_wstring(page) + L".emf";
        if (!RecordPage(path, page)) {
            std::fprintf(stderr, "mksample: cannot record page %d\n", page);
            return 1;
        }
    }
    return 0;
}
