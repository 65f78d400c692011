#pragma once
// libjpeg behind plain functions: its errors end in a longjmp, so the frames that call setjmp
// hold no C++ object with a destructor, and everything they allocate is freed by hand.
#include <windows.h>

#include <cstddef>

namespace twjpeg {

class DibSource;

struct EncodeSettings {
    int quality = 75;
    bool lab = false;          // samples are CIELAB bytes, written without a colour transform
    int hSubsampling = 2;      // of the second and third components, relative to the first
    int vSubsampling = 2;
    bool optimize = false;
    int restartRows = 0;
};

// Codes the DIB into a malloc'd buffer (freed by the caller with free()). Returns JPEG_OK or an
// error number.
int EncodeDib(const DibSource& dib, const EncodeSettings& settings, unsigned char** out, unsigned long* outSize);

struct DecodedHeader {
    int width = 0, height = 0, components = 0;  // components: 1 grey, 3 colour
    int xPelsPerMeter = 0, yPelsPerMeter = 0;
};

// Reads the header of the JPEG in `data`; then DecodeJpeg writes its rows into a bottom-up
// DIB body of `header.components * 8` bits a pixel with the given stride.
int ReadJpegHeader(const BYTE* data, size_t size, DecodedHeader* header);
int DecodeJpeg(const BYTE* data, size_t size, BYTE* bits, size_t stride, int height);

}  // namespace twjpeg
