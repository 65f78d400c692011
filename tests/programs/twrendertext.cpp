// Renders a text with GDI into a 1-bit BMP file, black on white, the way a cover page's text is
// expected to look: twrendertext FACE HEIGHT TEXT OUT.bmp (HEIGHT in pixels, as lfHeight's
// magnitude; the text's top left at the image's top left).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fwprintf(stderr, L"usage: twrendertext FACE HEIGHT TEXT OUT.bmp\n");
        return 2;
    }
    LOGFONTW lf{};
    lf.lfHeight = -std::abs(_wtoi(argv[2]));
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    std::wcsncpy(lf.lfFaceName, argv[1], LF_FACESIZE - 1);
    const std::wstring text = argv[3];

    HDC dc = ::CreateCompatibleDC(nullptr);
    HFONT font = ::CreateFontIndirectW(&lf);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const LONG width = extent.cx + 8, height = extent.cy + 8;

    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[2];
    } info{};
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    info.h.biWidth = width;
    info.h.biHeight = height;
    info.h.biPlanes = 1;
    info.h.biBitCount = 1;
    info.h.biClrUsed = 2;
    info.colours[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    ::TextOutW(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
    ::GdiFlush();

    const DWORD stride = ((width + 31) / 32) * 4;
    const DWORD imageBytes = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + imageBytes;
    int result = 1;
    if (FILE* out = _wfopen(argv[4], L"wb")) {
        std::fwrite(&file, sizeof(file), 1, out);
        std::fwrite(&info, sizeof(info), 1, out);
        std::fwrite(bits, imageBytes, 1, out);
        result = std::fclose(out) == 0 ? 0 : 1;
    }
    ::SelectObject(dc, oldBitmap);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(bitmap);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    return result;
}
