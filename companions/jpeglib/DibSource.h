#pragma once
// A packed DIB checked against its block and read row by row, top row first, as the samples a
// JPEG coder wants: grey (one byte a pixel) when every colour the DIB can show is grey,
// otherwise RGB (three bytes a pixel).
#include <windows.h>

#include <vector>

namespace twjpeg {

class DibSource {
public:
    // Checks the header, palette and bits against the block's size; false leaves the reason
    // in the thread's library error.
    bool Open(const BYTE* block, size_t blockSize);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsGrey() const { return m_grey; }
    int Components() const { return m_grey ? 1 : 3; }
    // Dots per inch from the header, 0 when it gives none.
    unsigned XDpi() const { return m_xDpi; }
    unsigned YDpi() const { return m_yDpi; }
    // Row `y` (0 is the top) as Components() bytes a pixel into `out` (Width() * Components()).
    void ReadRow(int y, BYTE* out) const;

private:
    const BYTE* m_bits = nullptr;
    size_t m_stride = 0;
    int m_width = 0, m_height = 0, m_bitCount = 0;
    bool m_topDown = false, m_grey = false;
    unsigned m_xDpi = 0, m_yDpi = 0;
    std::vector<RGBQUAD> m_palette;
};

}  // namespace twjpeg
