#pragma once
// A raw-data page: the packed DIB the driver rasterised itself, read as BMP readers read one.
// Rows may run bottom-up or top-down (negative height); a palette of up to 8 bits with
// biClrUsed 0 has all 2^bits entries; 16- and 32-bit rows may carry colour masks.
#include <windows.h>

#include <vector>

#include "emfimage/DibLayout.h"

namespace tw {

class RawPageDib {
public:
    // False when the data is not a packed DIB whose header, colours and rows all lie in its
    // `size` bytes.
    bool Read(const BYTE* data, SIZE_T size);

    const DibLayout& Layout() const { return m_layout; }
    LONG Width() const { return m_layout.width; }
    LONG Height() const { return m_layout.height; }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(m_data); }
    const BYTE* Bits() const { return m_data + m_layout.infoBytes; }

    // `rows` rows of the picture from row `top` (counted from the top) as a DIB of their own:
    // the header (and colours) in `info`, the address of their bits returned. The rows of a
    // band lie next to each other whichever way the page runs.
    const BYTE* Band(LONG top, LONG rows, std::vector<BYTE>& info) const;

private:
    const BYTE* m_data = nullptr;
    DibLayout m_layout;
};

}  // namespace tw
