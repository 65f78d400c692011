#include "TiffPages.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "CoverPageLibraries.h"
#include "PageDib.h"

namespace coverpage {
namespace {

// A cover page TIFF larger than this is refused before it is read.
constexpr size_t kMaxTiffBytes = 512u * 1024 * 1024;
// Directory chains longer than this are cut: a looping chain must not spin.
constexpr int kMaxPages = 10000;
constexpr int kDefaultDpi = 200;

TIFFExtendProc g_parentExtender = nullptr;

void AddAnnotationTag(TIFF* tif) {
    static const TIFFFieldInfo info[] = {{TWANNO_TIFF_TAG, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_UNDEFINED, FIELD_CUSTOM,
                                          1, 1, const_cast<char*>("TwAnnotations")}};
    TIFFMergeFieldInfo(tif, info, 1);
    if (g_parentExtender) g_parentExtender(tif);
}

// Once per process: the private tag is known to libtiff, and libtiff prints nothing.
void PrepareLibtiff() {
    static const bool done = [] {
        g_parentExtender = TIFFSetTagExtender(AddAnnotationTag);
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)done;
}

int Dpi(TIFF* tif, ttag_t tag) {
    float value = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (!TIFFGetField(tif, tag, &value) || !(value > 0) || value > 100000) return kDefaultDpi;
    if (unit == RESUNIT_CENTIMETER) value *= 2.54f;
    return static_cast<int>(value + 0.5f);
}

bool IsReduced(TIFF* tif) {
    uint32_t type = 0;
    return TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &type) && (type & FILETYPE_REDUCEDIMAGE);
}

// A growing byte vector the writer appends to.
struct WriteStore {
    std::vector<BYTE> bytes;
    size_t pos = 0;
};

}  // namespace

// libtiff's client procedures over a TiffChain's bytes (reading) or a WriteStore (writing).
struct MemoryIo {
    static tmsize_t Read(thandle_t h, void* buf, tmsize_t n) {
        auto* c = static_cast<TiffChain*>(h);
        if (n <= 0 || c->m_pos >= c->m_bytes.size()) return 0;
        const size_t take = std::min(static_cast<size_t>(n), c->m_bytes.size() - c->m_pos);
        std::memcpy(buf, c->m_bytes.data() + c->m_pos, take);
        c->m_pos += take;
        return static_cast<tmsize_t>(take);
    }
    static tmsize_t NoWrite(thandle_t, void*, tmsize_t) { return 0; }
    static toff_t Seek(thandle_t h, toff_t off, int whence) {
        auto* c = static_cast<TiffChain*>(h);
        return SeekIn(c->m_pos, c->m_bytes.size(), off, whence);
    }
    static toff_t SeekIn(size_t& pos, size_t size, toff_t off, int whence) {
        unsigned long long base = whence == SEEK_CUR ? pos : whence == SEEK_END ? size : 0;
        unsigned long long target = base + off;
        if (target > kMaxTiffBytes) return static_cast<toff_t>(-1);
        pos = static_cast<size_t>(target);
        return target;
    }
    static int Close(thandle_t) { return 0; }
    static toff_t Size(thandle_t h) { return static_cast<TiffChain*>(h)->m_bytes.size(); }
    static int NoMap(thandle_t, void**, toff_t*) { return 0; }
    static void NoUnmap(thandle_t, void*, toff_t) {}

    static tmsize_t StoreRead(thandle_t h, void* buf, tmsize_t n) {
        auto* s = static_cast<WriteStore*>(h);
        if (n <= 0 || s->pos >= s->bytes.size()) return 0;
        const size_t take = std::min(static_cast<size_t>(n), s->bytes.size() - s->pos);
        std::memcpy(buf, s->bytes.data() + s->pos, take);
        s->pos += take;
        return static_cast<tmsize_t>(take);
    }
    static tmsize_t StoreWrite(thandle_t h, void* buf, tmsize_t n) {
        auto* s = static_cast<WriteStore*>(h);
        if (n < 0 || s->pos + static_cast<size_t>(n) > kMaxTiffBytes) return 0;
        if (s->pos + n > s->bytes.size()) s->bytes.resize(s->pos + n);
        std::memcpy(s->bytes.data() + s->pos, buf, static_cast<size_t>(n));
        s->pos += n;
        return n;
    }
    static toff_t StoreSeek(thandle_t h, toff_t off, int whence) {
        auto* s = static_cast<WriteStore*>(h);
        return SeekIn(s->pos, s->bytes.size(), off, whence);
    }
    static toff_t StoreSize(thandle_t h) { return static_cast<WriteStore*>(h)->bytes.size(); }
};

std::unique_ptr<TiffChain> TiffChain::OpenBytes(const BYTE* data, size_t size) {
    PrepareLibtiff();
    if (!data || size < 8 || size > kMaxTiffBytes) return nullptr;
    std::unique_ptr<TiffChain> chain(new TiffChain);
    chain->m_bytes.assign(data, data + size);
    chain->m_tiff = TIFFClientOpen("cover page", "rm", chain.get(), MemoryIo::Read, MemoryIo::NoWrite, MemoryIo::Seek,
                                   MemoryIo::Close, MemoryIo::Size, MemoryIo::NoMap, MemoryIo::NoUnmap);
    if (!chain->m_tiff) return nullptr;
    return chain;
}

std::unique_ptr<TiffChain> TiffChain::OpenFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size{};
    std::vector<BYTE> bytes;
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart >= 8 &&
              static_cast<unsigned long long>(size.QuadPart) <= kMaxTiffBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
    }
    ::CloseHandle(file);
    return ok ? OpenBytes(bytes.data(), bytes.size()) : nullptr;
}

TiffChain::~TiffChain() {
    if (m_tiff) TIFFClose(m_tiff);
}

int TiffChain::PageCount(bool all) {
    if (!TIFFSetDirectory(m_tiff, 0)) return 0;
    int count = 0;
    for (int i = 0; i < kMaxPages; ++i) {
        if (all || !IsReduced(m_tiff)) ++count;
        if (!TIFFReadDirectory(m_tiff)) break;
    }
    return count;
}

bool TiffChain::SelectPage(int index) {
    return index >= 0 && index < kMaxPages && TIFFSetDirectory(m_tiff, static_cast<tdir_t>(index));
}

HGLOBAL TiffChain::LoadPage(int index) {
    if (!SelectPage(index)) return nullptr;
    uint32_t width = 0, height = 0;
    uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE;
    if (!TIFFGetField(m_tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(m_tiff, TIFFTAG_IMAGELENGTH, &height))
        return nullptr;
    if (width == 0 || height == 0 || static_cast<long long>(width) * height > TWIMG_MAX_PIXELS) return nullptr;
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetField(m_tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool bilevel = bps == 1 && spp == 1 &&
                         (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK);
    const LONG w = static_cast<LONG>(width), h = static_cast<LONG>(height);
    HGLOBAL dib = AllocatePageDib(w, h, bilevel ? 1 : 24, Dpi(m_tiff, TIFFTAG_XRESOLUTION), Dpi(m_tiff, TIFFTAG_YRESOLUTION));
    if (!dib) return nullptr;
    auto* header = static_cast<BITMAPINFOHEADER*>(::GlobalLock(dib));
    BYTE* rows = reinterpret_cast<BYTE*>(header) + header->biSize + header->biClrUsed * sizeof(RGBQUAD);
    const size_t stride = DibStride(w, bilevel ? 1 : 24);
    bool ok = true;
    if (bilevel) {
        const tmsize_t lineSize = TIFFScanlineSize(m_tiff);
        std::vector<BYTE> line(lineSize > 0 ? static_cast<size_t>(lineSize) : 0);
        const size_t copy = std::min(line.size(), (static_cast<size_t>(w) + 7) / 8);
        // The DIB's palette is black, white: a set bit is white.
        const bool invert = photometric == PHOTOMETRIC_MINISWHITE;
        for (uint32_t y = 0; ok && y < height; ++y) {
            ok = !line.empty() && TIFFReadScanline(m_tiff, line.data(), y, 0) >= 0;
            BYTE* out = rows + (height - 1 - y) * stride;
            for (size_t i = 0; ok && i < copy; ++i) out[i] = invert ? static_cast<BYTE>(~line[i]) : line[i];
        }
    } else {
        std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
        ok = TIFFReadRGBAImageOriented(m_tiff, width, height, raster.data(), ORIENTATION_BOTLEFT, 0) != 0;
        for (uint32_t y = 0; ok && y < height; ++y) {
            BYTE* out = rows + y * stride;
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t p = raster[static_cast<size_t>(y) * width + x];
                out[x * 3] = static_cast<BYTE>(TIFFGetB(p));
                out[x * 3 + 1] = static_cast<BYTE>(TIFFGetG(p));
                out[x * 3 + 2] = static_cast<BYTE>(TIFFGetR(p));
            }
        }
    }
    ::GlobalUnlock(dib);
    if (!ok) {
        ::GlobalFree(dib);
        return nullptr;
    }
    return dib;
}

std::optional<std::vector<PageAnnotations>> TiffChain::LoadAnnotations() {
    std::vector<PageAnnotations> pages;
    bool any = false;
    const int count = PageCount(true);
    for (int i = 0; i < count; ++i) {
        if (!SelectPage(i)) return std::nullopt;
        uint32_t size = 0;
        void* data = nullptr;
        std::string text;
        if (TIFFGetField(m_tiff, TWANNO_TIFF_TAG, &size, &data) && data && size > 0)
            text.assign(static_cast<const char*>(data), size);
        auto page = ParsePage(text, Dpi(m_tiff, TIFFTAG_XRESOLUTION), Dpi(m_tiff, TIFFTAG_YRESOLUTION));
        if (!page) return std::nullopt;
        any = any || !page->Empty();
        pages.push_back(std::move(*page));
    }
    if (!any) return std::nullopt;
    return pages;
}

std::vector<BYTE> WriteBilevelTiff(const std::vector<BilevelPage>& pages) {
    PrepareLibtiff();
    WriteStore store;
    TIFF* tif = TIFFClientOpen("cover page", "w", &store, MemoryIo::StoreRead, MemoryIo::StoreWrite,
                               MemoryIo::StoreSeek, MemoryIo::Close, MemoryIo::StoreSize, MemoryIo::NoMap,
                               MemoryIo::NoUnmap);
    if (!tif) return {};
    bool ok = true;
    const uint16_t total = static_cast<uint16_t>(pages.size());
    for (uint16_t n = 0; ok && n < total; ++n) {
        const BilevelPage& p = pages[n];
        const size_t rowBytes = (static_cast<size_t>(p.width) + 7) / 8;
        if (p.width <= 0 || p.height <= 0 || p.rows.size() < rowBytes * p.height) {
            ok = false;
            break;
        }
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(p.width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(p.height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(p.height));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(p.xdpi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(p.ydpi));
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, n, total);
        const std::string anno = FormatPage(p.annotations);
        if (!anno.empty()) TIFFSetField(tif, TWANNO_TIFF_TAG, static_cast<uint32_t>(anno.size()), anno.data());
        std::vector<BYTE> row(rowBytes);
        for (int y = 0; ok && y < p.height; ++y) {
            std::memcpy(row.data(), p.rows.data() + y * rowBytes, rowBytes);
            ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) >= 0;
        }
        ok = ok && TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    if (!ok) return {};
    return std::move(store.bytes);
}

std::vector<BilevelPage> ReadBilevelPages(const std::wstring& path) {
    std::vector<BilevelPage> pages;
    auto chain = TiffChain::OpenFile(path);
    if (!chain) return pages;
    const int count = chain->PageCount(true);
    for (int i = 0; i < count; ++i) {
        HGLOBAL dib = chain->LoadPage(i);
        if (!dib) return {};
        const BYTE* data = static_cast<const BYTE*>(::GlobalLock(dib));
        DibView v;
        BilevelPage page;
        if (ViewDib(data, ::GlobalSize(dib), v)) {
            const auto* h = &v.info->bmiHeader;
            page.width = v.width;
            page.height = v.height;
            page.xdpi = static_cast<int>(h->biXPelsPerMeter / 39.3701 + 0.5);
            page.ydpi = static_cast<int>(h->biYPelsPerMeter / 39.3701 + 0.5);
            const size_t rowBytes = (static_cast<size_t>(v.width) + 7) / 8;
            page.rows.assign(rowBytes * v.height, 0);
            for (LONG y = 0; y < v.height; ++y) {
                const BYTE* src = v.bits + (v.height - 1 - y) * v.stride;
                BYTE* dst = page.rows.data() + y * rowBytes;
                for (LONG x = 0; x < v.width; ++x) {
                    bool black = v.bitCount == 1 ? !(src[x / 8] & (0x80 >> (x % 8)))
                                                 : (src[x * 3] + src[x * 3 + 1] + src[x * 3 + 2]) < 3 * 128;
                    if (black) dst[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
                }
            }
        }
        ::GlobalUnlock(dib);
        ::GlobalFree(dib);
        if (page.rows.empty()) return {};
        pages.push_back(std::move(page));
    }
    return pages;
}

}  // namespace coverpage
