#pragma once
// The library reports hOCR boxes in the pixels of the bitmap it was given; the page image file
// has the page's own pixels. Boxes are moved back by the crop origin and the doubling.
#include <windows.h>

#include <string>

namespace tw {

struct HocrMapping {
    LONG left = 0;  // crop origin on the page
    LONG top = 0;
    int scale = 1;  // 2 when the page was doubled
};

// Every "bbox x0 y0 x1 y1" in `hocr` becomes x / scale + left, y / scale + top.
void MapHocrBoxes(std::wstring& hocr, const HocrMapping& mapping);

}  // namespace tw
