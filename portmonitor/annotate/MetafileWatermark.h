#pragma once
// The picture watermark in a page's annotation metafile: the page it is placed on, its shape
// kept on pixels that are not square, and 32-bit pictures blended with their alpha.
#include <windows.h>

namespace tw {

class TarnwellDEVMODE;

struct MetafileWatermarkPage {
    int width = 0, height = 0;  // the page in its own pixels
    // The picture's pixels are square: on a page whose pixels are not, one side is scaled.
    double scaleX = 1.0, scaleY = 1.0;
};
// The page for the page's record and its resolution (`xDpi` by `yDpi`, as the page bitmap has
// it). A fax page lying landscape is measured from the paper size, its picture's width scaled;
// any other page is the record's page in pixels, its picture's height scaled.
MetafileWatermarkPage MetafileWatermarkPageFor(const TarnwellDEVMODE& dm, int xDpi, int yDpi);

// Draws the picture at its position code: a 32-bit picture blended (constant alpha from the
// brightness); other pictures, and a 32-bit one that cannot be blended, copied so that white
// leaves the page untouched (SRCAND) unless the brightness is below 2. Tiles are separated by
// an empty comment.
bool DrawMetafileWatermarkPicture(HDC dc, HGLOBAL dib, DWORD code, const MetafileWatermarkPage& page, DWORD brightness);

}  // namespace tw
