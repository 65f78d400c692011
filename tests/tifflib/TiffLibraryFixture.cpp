#include "TiffLibraryFixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support/TestSupport.h"

namespace tifftest {

bool TiffLibrary::Load() {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + twtiff::kLibraryName;
    module = ::LoadLibraryW(path.c_str());
    if (!module) return false;
#define TW_TIFF_ENTRY(name) \
    name = reinterpret_cast<PFN_##name>(::GetProcAddress(module, twtiff::k##name)); \
    if (!name) return false;
    TW_TIFF32_EXPORTS(TW_TIFF_ENTRY)
#undef TW_TIFF_ENTRY
    return true;
}

TiffLibrary::~TiffLibrary() {
    if (module) ::FreeLibrary(module);
}

namespace {

struct Lcg {
    uint32_t state;
    uint32_t Next() { return state = state * 1664525u + 1013904223u, state >> 8; }
    int Range(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

size_t Stride(int width, int bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

struct View {
    BITMAPINFOHEADER* bih;
    RGBQUAD* palette;
    BYTE* bits;
    size_t stride;
};

View ViewOf(BYTE* p) {
    auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(p);
    int colours = bih->biBitCount <= 8 ? (bih->biClrUsed ? bih->biClrUsed : 1 << bih->biBitCount) : 0;
    auto* palette = reinterpret_cast<RGBQUAD*>(p + bih->biSize);
    return View{bih, palette, p + bih->biSize + colours * sizeof(RGBQUAD), Stride(bih->biWidth, bih->biBitCount)};
}

void SetIndex(const View& v, int x, int y, int index) {
    BYTE* row = v.bits + v.stride * (v.bih->biHeight - 1 - y);
    int bits = v.bih->biBitCount;
    int bit = x * bits;
    int shift = 8 - bits - (bit & 7);
    BYTE mask = static_cast<BYTE>(((1 << bits) - 1) << shift);
    row[bit >> 3] = static_cast<BYTE>((row[bit >> 3] & ~mask) | ((index << shift) & mask));
}

int GetIndex(const View& v, int x, int y) {
    const BYTE* row = v.bits + v.stride * (v.bih->biHeight - 1 - y);
    int bits = v.bih->biBitCount;
    int bit = x * bits;
    return (row[bit >> 3] >> (8 - bits - (bit & 7))) & ((1 << bits) - 1);
}

}  // namespace

PageDib PageDib::Make(int width, int height, int bits, uint32_t seed, int dpi) {
    int colours = bits <= 8 ? 1 << bits : 0;
    size_t header = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    PageDib page;
    page.m_block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, header + Stride(width, bits) * height);
    auto* p = static_cast<BYTE*>(::GlobalLock(page.m_block));
    auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(p);
    bih->biSize = sizeof(BITMAPINFOHEADER);
    bih->biWidth = width;
    bih->biHeight = height;
    bih->biPlanes = 1;
    bih->biBitCount = static_cast<WORD>(bits);
    bih->biCompression = BI_RGB;
    bih->biClrUsed = static_cast<DWORD>(colours);
    bih->biXPelsPerMeter = bih->biYPelsPerMeter = (dpi * 10000 + 127) / 254;
    View v = ViewOf(p);
    Lcg rng{seed * 2654435761u + 1};
    if (bits == 1) {
        v.palette[0] = RGBQUAD{0, 0, 0, 0};
        v.palette[1] = RGBQUAD{255, 255, 255, 0};
        std::memset(v.bits, 0xFF, v.stride * height);
        // Lines of "words", a rule under every fifth line, two diagonals and a noise patch.
        for (int y = 8; y + 12 < height; y += 18) {
            for (int x = 6 + rng.Range(10); x < width - 20;) {
                int w = 3 + rng.Range(40), h = 6 + rng.Range(7);
                for (int yy = y; yy < y + h; ++yy) {
                    for (int xx = x; xx < std::min(width, x + w); ++xx) {
                        if ((xx + yy + rng.Range(3)) % 5 != 0) SetIndex(v, xx, yy, 0);
                    }
                }
                x += w + 4 + rng.Range(12);
            }
            if ((y / 18) % 5 == 4) {
                for (int xx = 0; xx < width; ++xx) SetIndex(v, xx, y + 14, 0);
            }
        }
        for (int i = 0; i < std::min(width, height); ++i) {
            SetIndex(v, i, i, 0);
            SetIndex(v, width - 1 - i, i, 0);
        }
        int nx = width / 3, ny = height / 3;
        for (int y = ny; y < std::min(height, ny + 40); ++y) {
            for (int x = nx; x < std::min(width, nx + 60); ++x) SetIndex(v, x, y, rng.Range(2));
        }
        SetIndex(v, width - 1, height - 1, 0);  // the last pixel of the last padded byte
    } else if (bits <= 8) {
        for (int i = 0; i < colours; ++i) {
            int k = i * 255 / (colours - 1);
            v.palette[i] = RGBQUAD{static_cast<BYTE>((k * 7) & 255), static_cast<BYTE>(255 - k), static_cast<BYTE>(k), 0};
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                int index = ((x / 8 + y / 8) * 5 + (x * y) / 97) % colours;
                if (x > width / 2 && y > height / 2) index = (seed + 3) % colours;
                SetIndex(v, x, y, index);
            }
        }
    } else {
        for (int y = 0; y < height; ++y) {
            BYTE* row = v.bits + v.stride * (height - 1 - y);
            for (int x = 0; x < width; ++x) {
                BYTE r = static_cast<BYTE>(x * 255 / std::max(1, width - 1));
                BYTE g = static_cast<BYTE>(y * 255 / std::max(1, height - 1));
                BYTE b = static_cast<BYTE>((x + y + seed * 40) & 255);
                if (x > width / 4 && x < width / 2 && y > height / 4 && y < height / 2) r = 200, g = 30, b = 60;
                row[3 * x] = b;
                row[3 * x + 1] = g;
                row[3 * x + 2] = r;
            }
        }
    }
    ::GlobalUnlock(page.m_block);
    return page;
}

PageDib& PageDib::operator=(PageDib&& o) noexcept {
    if (this != &o) {
        if (m_block) ::GlobalFree(m_block);
        m_block = o.m_block;
        o.m_block = nullptr;
    }
    return *this;
}

PageDib::~PageDib() {
    if (m_block) ::GlobalFree(m_block);
}

PageDib Adopt(HGLOBAL block) { return PageDib(block); }

int PageDib::Width() const {
    auto* bih = static_cast<BITMAPINFOHEADER*>(::GlobalLock(m_block));
    int w = bih->biWidth;
    ::GlobalUnlock(m_block);
    return w;
}

int PageDib::Height() const {
    auto* bih = static_cast<BITMAPINFOHEADER*>(::GlobalLock(m_block));
    int h = bih->biHeight;
    ::GlobalUnlock(m_block);
    return h;
}

int PageDib::Bits() const {
    auto* bih = static_cast<BITMAPINFOHEADER*>(::GlobalLock(m_block));
    int b = bih->biBitCount;
    ::GlobalUnlock(m_block);
    return b;
}

bool PageDib::Ink(int x, int y) const { return Rgb(x, y) == 0; }

uint32_t PageDib::Rgb(int x, int y) const {
    View v = ViewOf(static_cast<BYTE*>(::GlobalLock(m_block)));
    uint32_t rgb;
    if (v.bih->biBitCount <= 8) {
        RGBQUAD q = v.palette[GetIndex(v, x, y)];
        rgb = uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    } else {
        const BYTE* px = v.bits + v.stride * (v.bih->biHeight - 1 - y) + 3 * x;
        rgb = uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
    }
    ::GlobalUnlock(m_block);
    return rgb;
}

LockedPage::LockedPage(const PageDib& page) : m_block(page.Handle()) {
    View v = ViewOf(static_cast<BYTE*>(::GlobalLock(m_block)));
    mono.header = *v.bih;
    mono.bits = v.bits;
    int bits = v.bih->biBitCount;
    colour.bits = v.bits;
    colour.height = v.bih->biHeight;
    colour.stride = static_cast<int>(v.stride);
    colour.packedRow = bits == 24 ? (24 * v.bih->biWidth + 15) / 16 * 2 : (bits * v.bih->biWidth + 7) / 8;
    palette = v.palette;
    colours = bits <= 8 ? static_cast<int>(v.bih->biClrUsed) : 0;
}

LockedPage::~LockedPage() { ::GlobalUnlock(m_block); }

int WINAPI MonochromeRows(BYTE* row, int index, void* params) {
    const auto* p = static_cast<const MonoParams*>(params);
    if (index >= p->header.biHeight) return TIFF_ROW_END;
    size_t stride = Stride(p->header.biWidth, 1);
    const BYTE* src = p->bits + stride * (p->header.biHeight - 1 - index);
    for (size_t i = 0; i < stride; ++i) row[i] = static_cast<BYTE>(~src[i]);
    return TIFF_ROW_OK;
}

int WINAPI PlainMonoRows(BYTE* row, int index, void* params) {
    const auto* p = static_cast<const MonoParams*>(params);
    if (index >= p->header.biHeight) return TIFF_ROW_END;
    size_t stride = Stride(p->header.biWidth, 1);
    std::memcpy(row, p->bits + stride * (p->header.biHeight - 1 - index), stride);
    return TIFF_ROW_OK;
}

int WINAPI PaletteRows(BYTE* row, int index, void* params) {
    const auto* p = static_cast<const ColourParams*>(params);
    if (index >= p->height) return TIFF_ROW_END;
    std::memcpy(row, p->bits + static_cast<size_t>(p->stride) * (p->height - 1 - index), p->packedRow);
    return TIFF_ROW_OK;
}

int WINAPI RgbRows(BYTE* row, int index, void* params) {
    const auto* p = static_cast<const ColourParams*>(params);
    if (index >= p->height) return TIFF_ROW_END;
    const BYTE* src = p->bits + static_cast<size_t>(p->stride) * (p->height - 1 - index);
    std::memcpy(row, src, p->packedRow);
    for (int i = 0; i + 2 < p->packedRow; i += 3) std::swap(row[i], row[i + 2]);
    return TIFF_ROW_OK;
}

int WritePage(const TiffLibrary& lib, HTIFFDOC doc, const PageDib& page, const PageOptions& o) {
    int index = lib.DefineTiffImage(doc);
    if (index < 0) return -1;
    LockedPage locked(page);
    const BITMAPINFOHEADER& h = locked.mono.header;
    bool ok = true;
    if (o.pageNumber >= 0) {
        WORD numbers[2] = {static_cast<WORD>(o.pageNumber), 0};
        ok &= lib.DefineTiffImageInfoBuffer(doc, index, twtiff::kTagPageNumber, numbers, TIFF_TYPE_SHORT, 2) != FALSE;
    }
    ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagCompression, TIFF_TYPE_SHORT, o.compression) != FALSE;
    if (o.t4Options >= 0) ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagT4Options, TIFF_TYPE_LONG, o.t4Options) != FALSE;
    ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagImageWidth, TIFF_TYPE_LONG, h.biWidth) != FALSE;
    ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagImageLength, TIFF_TYPE_LONG, h.biHeight) != FALSE;
    int bits = h.biBitCount;
    TIFFROWPROC rows = MonochromeRows;
    void* params = &locked.mono;
    if (bits == 1) {
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagBitsPerSample, TIFF_TYPE_SHORT, 1) != FALSE;
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagSamplesPerPixel, TIFF_TYPE_SHORT, 1) != FALSE;
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagRowsPerStrip, TIFF_TYPE_SHORT,
                                      o.rowsPerStrip ? o.rowsPerStrip : h.biHeight) != FALSE;
    }
    ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagFillOrder, TIFF_TYPE_SHORT, o.fillOrder) != FALSE;
    if (o.internetTiff) ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagNewSubfileType, TIFF_TYPE_LONG, 2) != FALSE;
    DWORD xres[2] = {static_cast<DWORD>((h.biXPelsPerMeter * 254 + 5000) / 10000), 1};
    DWORD yres[2] = {static_cast<DWORD>((h.biYPelsPerMeter * 254 + 5000) / 10000), 1};
    ok &= lib.DefineTiffImageInfoBuffer(doc, index, twtiff::kTagXResolution, xres, TIFF_TYPE_RATIONAL, 1) != FALSE;
    ok &= lib.DefineTiffImageInfoBuffer(doc, index, twtiff::kTagYResolution, yres, TIFF_TYPE_RATIONAL, 1) != FALSE;
    ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagResolutionUnit, TIFF_TYPE_SHORT, 2) != FALSE;
    if (bits == 1) {
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagPhotometric, TIFF_TYPE_SHORT, 0) != FALSE;
    } else if (bits <= 8) {
        int n = locked.colours;
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagPhotometric, TIFF_TYPE_SHORT, 3) != FALSE;
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagBitsPerSample, TIFF_TYPE_SHORT, 8) != FALSE;
        int rowsPerStrip = std::min<int>(h.biHeight, std::max<int>(1, 8192 / ((h.biWidth + 7) / 8)));
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagRowsPerStrip, TIFF_TYPE_SHORT, rowsPerStrip) != FALSE;
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagSamplesPerPixel, TIFF_TYPE_SHORT, 1) != FALSE;
        std::vector<WORD> map(3 * n);
        for (int i = 0; i < n; ++i) {
            map[i] = static_cast<WORD>(locked.palette[i].rgbRed << 8);
            map[n + i] = static_cast<WORD>(locked.palette[i].rgbGreen << 8);
            map[2 * n + i] = static_cast<WORD>(locked.palette[i].rgbBlue << 8);
        }
        ok &= lib.DefineTiffImageInfoBuffer(doc, index, twtiff::kTagColorMap, map.data(), TIFF_TYPE_SHORT, 3 * n) != FALSE;
        rows = PaletteRows;
        params = &locked.colour;
    } else {
        WORD bps[3] = {8, 8, 8};
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagPhotometric, TIFF_TYPE_SHORT, 2) != FALSE;
        ok &= lib.DefineTiffImageInfoBuffer(doc, index, twtiff::kTagBitsPerSample, bps, TIFF_TYPE_SHORT, 3) != FALSE;
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagSamplesPerPixel, TIFF_TYPE_SHORT, 3) != FALSE;
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagPlanarConfig, TIFF_TYPE_SHORT, 1) != FALSE;
        int rowsPerStrip = std::min<int>(h.biHeight, std::max<int>(1, 8192 / ((h.biWidth * 24 + 7) / 8)));
        ok &= lib.DefineTiffImageInfo(doc, index, twtiff::kTagRowsPerStrip, TIFF_TYPE_SHORT, rowsPerStrip) != FALSE;
        rows = RgbRows;
        params = &locked.colour;
    }
    // Like the writers, release the page whatever the encoding gave.
    ok = ok && lib.EncodeTiffImage(doc, index, params, rows);
    return lib.DropTiffImage(doc, index) && ok ? index : -1;
}

std::wstring TempDir(const wchar_t* prefix) { return twtest::MakeTempDir(prefix); }

std::string ReadBytes(const std::wstring& path) { return twtest::ReadFileBytes(path); }

void WritePbm(const std::wstring& path, const PageDib& page) {
    int w = page.Width(), h = page.Height();
    std::ostringstream out;
    out << "P4\n" << w << " " << h << "\n";
    std::string row((w + 7) / 8, '\0');
    for (int y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), '\0');
        for (int x = 0; x < w; ++x) {
            if (page.Ink(x, y)) row[x >> 3] = static_cast<char>(row[x >> 3] | (0x80 >> (x & 7)));
        }
        out << row;
    }
    twtest::WriteFileBytes(path, out.str());
}

void WritePpm(const std::wstring& path, const PageDib& page) {
    int w = page.Width(), h = page.Height();
    std::ostringstream out;
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t c = page.Rgb(x, y);
            out << static_cast<char>(c >> 16) << static_cast<char>(c >> 8) << static_cast<char>(c);
        }
    }
    twtest::WriteFileBytes(path, out.str());
}

size_t DifferentPixels(const PageDib& expected, HGLOBAL loaded, int tolerance) {
    PageDib got = Adopt(loaded);
    size_t bad = 0;
    if (got.Width() != expected.Width() || got.Height() != expected.Height()) {
        bad = static_cast<size_t>(expected.Width()) * expected.Height();
    } else {
        for (int y = 0; y < expected.Height(); ++y) {
            for (int x = 0; x < expected.Width(); ++x) {
                uint32_t a = expected.Rgb(x, y), b = got.Rgb(x, y);
                for (int s = 0; s < 24; s += 8) {
                    if (std::abs(int((a >> s) & 255) - int((b >> s) & 255)) > tolerance) {
                        ++bad;
                        break;
                    }
                }
            }
        }
    }
    got = PageDib();  // the block goes back with `got`; the caller's handle is consumed
    return bad;
}

}  // namespace tifftest
