// twplayemf EMF WIDTH HEIGHT OUT.bmp: plays the metafile with GDI's PlayEnhMetaFile onto a white
// 24-bit bitmap of WIDTH x HEIGHT (the metafile's frame filling it) and saves it as a BMP file.
// Tests compare its picture of an EMF output file with the monitor's own raster of the page.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        fwprintf(stderr, L"usage: twplayemf EMF WIDTH HEIGHT OUT.bmp\n");
        return 2;
    }
    const LONG width = _wtol(argv[2]), height = _wtol(argv[3]);
    HENHMETAFILE emf = ::GetEnhMetaFileW(argv[1]);
    if (!emf || width <= 0 || height <= 0) {
        fwprintf(stderr, L"twplayemf: cannot read %ls\n", argv[1]);
        return 1;
    }
    // Colour, so that grey areas keep their grey instead of GDI's nearest of black and white.
    struct {
        BITMAPINFOHEADER h;
    } bi{};
    bi.h = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::PatBlt(dc, 0, 0, width, height, WHITENESS);
    const RECT rect{0, 0, width, height};
    const BOOL played = ::PlayEnhMetaFile(dc, emf, &rect);
    ::GdiFlush();
    const DWORD imageBytes = static_cast<DWORD>((width * 24 + 31) / 32 * 4 * height);
    bi.h.biSizeImage = imageBytes;
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(fh) + sizeof(bi) + imageBytes), 0, 0,
                        static_cast<DWORD>(sizeof(fh) + sizeof(bi))};
    FILE* out = _wfopen(argv[4], L"wb");
    const bool written = out && fwrite(&fh, sizeof(fh), 1, out) == 1 && fwrite(&bi, sizeof(bi), 1, out) == 1 &&
                         fwrite(bits, imageBytes, 1, out) == 1;
    if (out) fclose(out);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::DeleteEnhMetaFile(emf);
    if (!played || !written) {
        fwprintf(stderr, L"twplayemf: %ls\n", played ? L"cannot write the bitmap" : L"playback failed");
        return 1;
    }
    return 0;
}
