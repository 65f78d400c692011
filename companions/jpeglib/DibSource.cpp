#include "DibSource.h"

#include <cstring>

#include "Jpeg32.h"
#include "LibraryError.h"

namespace twjpeg {
namespace {

unsigned Dpi(LONG pelsPerMeter) {
    return pelsPerMeter > 0 ? static_cast<unsigned>((static_cast<long long>(pelsPerMeter) * 254 + 5000) / 10000) : 0;
}

}  // namespace

bool DibSource::Open(const BYTE* block, size_t blockSize) {
    BITMAPINFOHEADER bih;
    if (!block || blockSize < sizeof(bih)) return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    std::memcpy(&bih, block, sizeof(bih));
    const int bits = bih.biBitCount;
    if (bih.biSize < sizeof(bih) || bih.biSize > blockSize || bih.biPlanes != 1 || bih.biCompression != BI_RGB ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    // A negative height is a top-down DIB; the most negative value has no positive twin.
    if (bih.biWidth <= 0 || bih.biHeight == 0 || bih.biHeight == LONG(0x80000000)) return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    m_width = bih.biWidth;
    m_height = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
    m_topDown = bih.biHeight < 0;
    if (m_width > kMaxSide || m_height > kMaxSide) return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    m_bitCount = bits;
    // 1-, 4- and 8-bit DIBs with biClrUsed 0 carry the full palette.
    const size_t colours = bits <= 8 ? (bih.biClrUsed ? bih.biClrUsed : size_t{1} << bits) : bih.biClrUsed;
    if (bits <= 8 && colours > (size_t{1} << bits)) return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    m_stride = (static_cast<size_t>(m_width) * bits + 31) / 32 * 4;
    const size_t paletteBytes = colours * sizeof(RGBQUAD);
    if (paletteBytes > blockSize - bih.biSize) return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    const size_t bitsOffset = bih.biSize + paletteBytes;
    if (m_stride * static_cast<size_t>(m_height) > blockSize - bitsOffset) return Fail(JPEG_ERR_UNSUPPORTED_IMAGE), false;
    m_bits = block + bitsOffset;
    m_palette.clear();
    m_grey = false;
    if (bits <= 8) {
        m_palette.resize(size_t{1} << bits);  // indexes past biClrUsed read as black
        std::memcpy(m_palette.data(), block + bih.biSize, paletteBytes);
        m_grey = true;
        for (const RGBQUAD& q : m_palette) m_grey = m_grey && q.rgbRed == q.rgbGreen && q.rgbGreen == q.rgbBlue;
    }
    m_xDpi = Dpi(bih.biXPelsPerMeter);
    m_yDpi = Dpi(bih.biYPelsPerMeter);
    return true;
}

void DibSource::ReadRow(int y, BYTE* out) const {
    const BYTE* src = m_bits + m_stride * static_cast<size_t>(m_topDown ? y : m_height - 1 - y);
    if (m_bitCount >= 24) {
        const int step = m_bitCount / 8;
        for (int x = 0; x < m_width; ++x, src += step, out += 3) {
            out[0] = src[2];
            out[1] = src[1];
            out[2] = src[0];
        }
        return;
    }
    const int perByte = 8 / m_bitCount;
    const unsigned mask = (1u << m_bitCount) - 1;
    for (int x = 0; x < m_width; ++x) {
        const int shift = 8 - m_bitCount * (x % perByte + 1);
        const RGBQUAD& q = m_palette[(src[x / perByte] >> shift) & mask];
        if (m_grey) {
            *out++ = q.rgbRed;
        } else {
            *out++ = q.rgbRed;
            *out++ = q.rgbGreen;
            *out++ = q.rgbBlue;
        }
    }
}

}  // namespace twjpeg
