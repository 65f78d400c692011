#include "twfile/PcxEncoding.h"

#include <cstring>

namespace tw {
namespace {

void PutWord(std::vector<BYTE>& out, size_t offset, unsigned value) {
    out[offset] = static_cast<BYTE>(value & 0xFF);
    out[offset + 1] = static_cast<BYTE>((value >> 8) & 0xFF);
}

struct PcxLayout {
    BYTE bitsPerPixel;
    BYTE planes;
    size_t bytesPerPlaneLine;
};

PcxLayout LayoutOf(const DibView& view) {
    const size_t w = static_cast<size_t>(view.width);
    switch (view.bitCount) {
    case 1: return {1, 1, (w + 7) / 8};
    case 4: return {1, 4, (w + 7) / 8};
    case 8: return {8, 1, w};
    default: return {8, 3, ((8 * w + 15) / 16) * 2};
    }
}

unsigned Dpi(LONG pelsPerMetre, int screenDpi) {
    return pelsPerMetre > 0 ? static_cast<unsigned>(pelsPerMetre / pcx::kPelsPerMetrePerInch) : static_cast<unsigned>(screenDpi);
}

std::vector<BYTE> Header(const DibView& view, const PcxLayout& layout, const PcxScreen& screen) {
    std::vector<BYTE> h(pcx::kHeaderBytes, 0);
    h[0] = pcx::kManufacturer;
    h[1] = pcx::kVersion;
    h[2] = pcx::kRunLength;
    h[3] = layout.bitsPerPixel;
    PutWord(h, 8, static_cast<unsigned>(view.width - 1));
    PutWord(h, 10, static_cast<unsigned>(view.height - 1));
    PutWord(h, 12, Dpi(view.header->biXPelsPerMeter, screen.dpiX));
    PutWord(h, 14, Dpi(view.header->biYPelsPerMeter, screen.dpiY));
    const unsigned colourBits = static_cast<unsigned>(layout.planes) * layout.bitsPerPixel;
    if (colourBits <= 4) {
        for (DWORD i = 0; i < (1u << colourBits) && i < view.paletteEntries; ++i) {
            h[16 + 3 * i] = view.palette[i].rgbRed;
            h[17 + 3 * i] = view.palette[i].rgbGreen;
            h[18 + 3 * i] = view.palette[i].rgbBlue;
        }
    }
    h[65] = layout.planes;
    PutWord(h, 66, static_cast<unsigned>(layout.bytesPerPlaneLine));
    PutWord(h, 68, view.bitCount == 24 ? 1 : 0);
    PutWord(h, 70, static_cast<unsigned>(screen.width));
    PutWord(h, 72, static_cast<unsigned>(screen.height));
    return h;
}

// The uncoded scan line of DIB row `row` (0 = top): every plane of it, one after the other.
void ScanLine(const DibView& view, const PcxLayout& layout, LONG row, std::vector<BYTE>& line) {
    const BYTE* src = view.bits + static_cast<size_t>(view.height - 1 - row) * view.stride;
    const size_t bpl = layout.bytesPerPlaneLine;
    line.assign(bpl * layout.planes, 0);
    switch (view.bitCount) {
    case 1:
    case 8:
        std::memcpy(line.data(), src, bpl);
        break;
    case 4:
        for (LONG x = 0; x < view.width; ++x) {
            const int pixel = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
            const BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
            for (int k = 0; k < 4; ++k)
                if (pixel & (1 << k)) line[k * bpl + (x >> 3)] |= mask;
        }
        break;
    default:  // 24-bit: the DIB's blue, green, red become the red, green and blue planes
        for (LONG x = 0; x < view.width; ++x) {
            line[x] = src[3 * x + 2];
            line[bpl + x] = src[3 * x + 1];
            line[2 * bpl + x] = src[3 * x];
        }
        break;
    }
}

}  // namespace

PcxScreen QueryPcxScreen(HDC screen) {
    PcxScreen s;
    if (!screen) return s;
    s.dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
    s.dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    s.width = ::GetDeviceCaps(screen, HORZRES);
    s.height = ::GetDeviceCaps(screen, VERTRES);
    return s;
}

void EncodePcxLine(const BYTE* line, size_t size, std::vector<BYTE>& out) {
    size_t i = 0;
    while (i < size) {
        const BYTE b = line[i];
        size_t n = 1;
        while (i + n < size && n < pcx::kMaxRun && line[i + n] == b) ++n;
        if (n > 1 || b >= pcx::kRunFlag) out.push_back(static_cast<BYTE>(pcx::kRunFlag | n));
        out.push_back(b);
        i += n;
    }
}

bool EncodePcxPage(const DibView& view, const PcxScreen& screen, std::vector<BYTE>& out) {
    if (view.width > pcx::kMaxSide || view.height > pcx::kMaxSide) return false;
    const PcxLayout layout = LayoutOf(view);
    out = Header(view, layout, screen);
    std::vector<BYTE> line;
    for (LONG row = 0; row < view.height; ++row) {
        ScanLine(view, layout, row, line);
        EncodePcxLine(line.data(), line.size(), out);
    }
    if (view.bitCount == 8) {
        out.push_back(pcx::kPaletteMarker);
        for (DWORD i = 0; i < 256; ++i) {
            const RGBQUAD c = i < view.paletteEntries ? view.palette[i] : RGBQUAD{};
            out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
        }
    }
    return true;
}

}  // namespace tw
