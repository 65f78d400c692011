#pragma once
// A packed DIB from the caller's global block as a Leptonica picture: 1-bit pages stay bilevel
// (ink as 1, whatever the palette order), every other depth becomes 8-bit grey.
#include <windows.h>

#include <memory>

struct Pix;

namespace twocr {

struct PixDeleter {
    void operator()(Pix* pix) const;
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

// What the conversion makes of a block: the picture, or the error number that refuses it.
struct PixResult {
    PixPtr pix;
    int error = 0;
};

// `dib` is read while it is locked here; its resolution (pels per metre) becomes the picture's
// dots per inch, `resolution` when that is above 0.
PixResult PixFromDib(HGLOBAL dib, int resolution);

}  // namespace twocr
