#pragma once
// Pages for the image tests: packed DIBs made with GDI or filled directly, and what the tests
// read back from them.
#include <windows.h>

#include <string>

namespace twtest {

struct Rgb {
    BYTE r, g, b;
};

// A 24-bit page of one colour.
HGLOBAL UniformPage(LONG width, LONG height, Rgb colour);
// A 24-bit photo-like page drawn with GDI: gradient fills, ellipses and a noise band.
HGLOBAL PhotoPage(LONG width, LONG height);
// A white 24-bit page with lines of antialiased grey and black text drawn with GDI.
HGLOBAL GreyTextPage(LONG width, LONG height);
// A 24-bit page with an EMF of the shared corpus played into it (null when it is missing).
HGLOBAL EmfPage(const std::wstring& emfPath, LONG width, LONG height);

// The packed DIB a 24-bit GDI DIB section holds (bottom-up).
HGLOBAL PackDibSection(HBITMAP section);

// Colour of the pixel at column x, row y from the top, through the palette for palette images.
Rgb PixelAt(HGLOBAL dib, LONG x, LONG y);
// Mean luminance (30/59/11) over the image, through its palette.
double MeanGrey(HGLOBAL dib);
// Mean of one channel (0 red, 1 green, 2 blue) over the image.
double MeanChannel(HGLOBAL dib, int channel);
WORD BitCount(HGLOBAL dib);
DWORD PaletteSize(HGLOBAL dib);
RGBQUAD PaletteEntry(HGLOBAL dib, DWORD index);
// Raw index of a palette image's pixel.
int IndexAt(HGLOBAL dib, LONG x, LONG y);
// Byte-for-byte equal blocks.
bool SameImage(HGLOBAL a, HGLOBAL b);

}  // namespace twtest
