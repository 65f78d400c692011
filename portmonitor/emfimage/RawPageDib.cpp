// Raw-data pages read as packed DIBs, and their bands as DIBs of their own.
#include "emfimage/RawPageDib.h"

#include <cstring>

#include "emfimage/PackedDib.h"

namespace tw {

bool RawPageDib::Read(const BYTE* data, SIZE_T size) {
    m_data = nullptr;
    if (!data || !ReadDibLayout(data, size, DIB_RGB_COLORS, kMaxImagePixels, m_layout)) return false;
    // The driver's packed DIB has a full header and rows GDI can take a band at a time.
    if (m_layout.headerSize < sizeof(BITMAPINFOHEADER)) return false;
    if (m_layout.compression != BI_RGB && m_layout.compression != BI_BITFIELDS) return false;
    if (m_layout.infoBytes > size || m_layout.imageBytes > size - m_layout.infoBytes) return false;
    m_data = data;
    return true;
}

const BYTE* RawPageDib::Band(LONG top, LONG rows, std::vector<BYTE>& info) const {
    info.assign(m_data, m_data + m_layout.infoBytes);
    BITMAPINFOHEADER header;
    std::memcpy(&header, info.data(), sizeof(header));
    header.biHeight = m_layout.topDown ? -rows : rows;
    header.biSizeImage = static_cast<DWORD>(m_layout.RowBytes(rows));
    std::memcpy(info.data(), &header, sizeof(header));
    const LONG firstStored = m_layout.topDown ? top : m_layout.height - top - rows;
    return Bits() + m_layout.RowBytes(firstStored);
}

}  // namespace tw
