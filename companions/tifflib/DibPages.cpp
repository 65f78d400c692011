#include "DibPages.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ByteStore.h"
#include "LibraryError.h"
#include "PageEncoder.h"
#include "PageTags.h"
#include "TiffDocument.h"

namespace twtiff {
namespace {

constexpr uint32_t kMicronsPerInchTimes10 = 254;  // dpi = pels per metre × 254 / 10000

struct DibRows {
    const BYTE* bits;
    size_t stride;
    int height;
    int width;
    int bitCount;
    bool invert;
};

int WINAPI DibRowProc(BYTE* row, int index, void* params) {
    const auto* d = static_cast<const DibRows*>(params);
    if (index < 0 || index >= d->height) return TIFF_ROW_END;
    // Bottom-up rows: the top row is the last one in memory.
    const BYTE* src = d->bits + d->stride * static_cast<size_t>(d->height - 1 - index);
    if (d->bitCount == 24 || d->bitCount == 32) {
        int step = d->bitCount / 8;
        for (int x = 0; x < d->width; ++x) {
            row[3 * x] = src[step * x + 2];
            row[3 * x + 1] = src[step * x + 1];
            row[3 * x + 2] = src[step * x];
        }
    } else {
        std::memcpy(row, src, d->stride);
        if (d->invert) {
            for (size_t i = 0; i < d->stride; ++i) row[i] = static_cast<BYTE>(~row[i]);
        }
    }
    return TIFF_ROW_OK;
}

uint32_t Dpi(LONG pelsPerMeter) {
    return pelsPerMeter > 0 ? static_cast<uint32_t>((int64_t{pelsPerMeter} * kMicronsPerInchTimes10 + 5000) / 10000) : 0;
}

bool IsBlack(const RGBQUAD& q) { return q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0; }
bool IsWhite(const RGBQUAD& q) { return q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255; }

uint32_t CompressionFor(int code) {
    switch (code) {
    case TIFF_SAVE_DEFAULT: return COMPRESSION_NONE;
    case TIFF_SAVE_PACKBITS: return COMPRESSION_PACKBITS;
    case TIFF_SAVE_LZW: return COMPRESSION_LZW;
    case TIFF_SAVE_JPEG: return COMPRESSION_JPEG;
    default: return 0;
    }
}

}  // namespace

bool SaveDibPage(const wchar_t* fileName, HGLOBAL dib, int code) {
    uint32_t compression = CompressionFor(code);
    if (!compression) return Fail(TIFF_ERR_INVALID_ARGUMENT, "unknown compression code");
    if (!dib) return Fail(TIFF_ERR_INVALID_ARGUMENT, "no DIB");
    PageTags tags;
    DibRows rows{};
    {
        tw::GlobalLockGuard<BYTE> lock(dib);
        if (!lock) return Fail(TIFF_ERR_INVALID_ARGUMENT, "the DIB cannot be locked");
        size_t blockSize = lock.size();
        const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
        if (blockSize < sizeof(BITMAPINFOHEADER) || bih->biSize < sizeof(BITMAPINFOHEADER) || bih->biSize > blockSize) {
            return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "not a packed DIB");
        }
        int bitCount = bih->biBitCount;
        if (bih->biCompression != BI_RGB || bih->biPlanes != 1 ||
            (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)) {
            return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "DIBs of 1, 4, 8, 24 or 32 bits, uncompressed");
        }
        // Top-down DIBs (negative height) are not pages.
        if (bih->biWidth <= 0 || bih->biHeight <= 0 || static_cast<uint32_t>(bih->biWidth) > kMaxSide ||
            static_cast<uint32_t>(bih->biHeight) > kMaxSide) {
            return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "unsupported DIB size");
        }
        size_t colours = bitCount <= 8 ? (bih->biClrUsed ? bih->biClrUsed : size_t{1} << bitCount) : bih->biClrUsed;
        if (bitCount <= 8 && colours > (size_t{1} << bitCount)) return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "too many colours");
        size_t stride = (static_cast<size_t>(bih->biWidth) * bitCount + 31) / 32 * 4;
        size_t bitsOffset = bih->biSize + colours * sizeof(RGBQUAD);
        if (bitsOffset > blockSize || stride * static_cast<size_t>(bih->biHeight) > blockSize - bitsOffset) {
            return Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "the DIB is shorter than its header says");
        }
        const auto* palette = reinterpret_cast<const RGBQUAD*>(lock.get() + bih->biSize);
        tags.Replace(TIFFTAG_IMAGEWIDTH, {static_cast<uint32_t>(bih->biWidth)});
        tags.Replace(TIFFTAG_IMAGELENGTH, {static_cast<uint32_t>(bih->biHeight)});
        tags.Replace(TIFFTAG_COMPRESSION, {compression});
        rows = DibRows{nullptr, stride, static_cast<int>(bih->biHeight), static_cast<int>(bih->biWidth), bitCount, false};
        if (bitCount >= 24) {
            tags.Replace(TIFFTAG_BITSPERSAMPLE, {8});
            tags.Replace(TIFFTAG_SAMPLESPERPIXEL, {3});
            tags.Replace(TIFFTAG_PHOTOMETRIC, {PHOTOMETRIC_RGB});
        } else if (bitCount == 1 && colours == 2 && ((IsBlack(palette[0]) && IsWhite(palette[1])) ||
                                                     (IsWhite(palette[0]) && IsBlack(palette[1])))) {
            // Bilevel: ink is written as 1 (WhiteIsZero), as fax readers expect.
            rows.invert = IsBlack(palette[0]);
            tags.Replace(TIFFTAG_PHOTOMETRIC, {PHOTOMETRIC_MINISWHITE});
        } else {
            std::vector<uint32_t> map(3 * colours);
            for (size_t i = 0; i < colours; ++i) {
                map[i] = palette[i].rgbRed * 257u;
                map[colours + i] = palette[i].rgbGreen * 257u;
                map[2 * colours + i] = palette[i].rgbBlue * 257u;
            }
            tags.Replace(TIFFTAG_BITSPERSAMPLE, {static_cast<uint32_t>(bitCount)});
            tags.Replace(TIFFTAG_PHOTOMETRIC, {PHOTOMETRIC_PALETTE});
            tags.Replace(TIFFTAG_COLORMAP, std::move(map));
        }
        if (uint32_t x = Dpi(bih->biXPelsPerMeter), y = Dpi(bih->biYPelsPerMeter); x && y) {
            tags.Replace(TIFFTAG_XRESOLUTION, {x, 1});
            tags.Replace(TIFFTAG_YRESOLUTION, {y, 1});
            tags.Replace(TIFFTAG_RESOLUTIONUNIT, {RESUNIT_INCH});
        }
        tags.Replace(TIFFTAG_ROWSPERSTRIP, {0});
    }
    std::unique_ptr<TiffDocument> doc = TiffDocument::OpenFile(fileName, TIFF_MODE_APPEND);
    if (!doc) return false;
    // The DIB stays locked only while its rows are coded.
    tw::GlobalLockGuard<BYTE> lock(dib);
    if (!lock) return Fail(TIFF_ERR_INVALID_ARGUMENT, "the DIB cannot be locked");
    const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
    size_t colours = bih->biBitCount <= 8 ? (bih->biClrUsed ? bih->biClrUsed : size_t{1} << bih->biBitCount) : bih->biClrUsed;
    rows.bits = lock.get() + bih->biSize + colours * sizeof(RGBQUAD);
    int index = doc->DefinePage();
    return index >= 0 && doc->EncodeWithTags(index, std::move(tags), &rows, DibRowProc) && doc->Close();
}

HGLOBAL LoadDibPage(const wchar_t* fileName, int page) {
    if (page < 0) {
        Fail(TIFF_ERR_PAGE_INDEX);
        return nullptr;
    }
    std::unique_ptr<FileStore> store = FileStore::Open(fileName, false, false);
    if (!store) return nullptr;
    UniqueTiff tif(store->OpenTiff("file", "r"));
    if (!tif) {
        Fail(TIFF_ERR_NOT_TIFF, "libtiff cannot read the file");
        return nullptr;
    }
    if (!TIFFSetDirectory(tif.get(), static_cast<tdir_t>(page))) {
        Fail(TIFF_ERR_PAGE_INDEX);
        return nullptr;
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "unsupported page size");
        return nullptr;
    }
    // Every path below holds the whole page in memory at least once.
    if (uint64_t{width} * height > (uint64_t{1} << 28)) {
        Fail(TIFF_ERR_UNSUPPORTED_IMAGE, "the page is too large to load");
        return nullptr;
    }
    float xres = 0, yres = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yres);
    double toMetre = unit == RESUNIT_CENTIMETER ? 100.0 : unit == RESUNIT_INCH ? 10000.0 / 254.0 : 0.0;

    const bool strips = !TIFFIsTiled(tif.get()) && planar == PLANARCONFIG_CONTIG;
    const bool bilevel = strips && bits == 1 && samples == 1 &&
                         (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK);
    const bool indexed = strips && !bilevel && samples == 1 && bits <= 8 && photometric == PHOTOMETRIC_PALETTE;
    const int outBits = bilevel ? 1 : indexed ? 8 : 24;
    const size_t colours = bilevel ? 2 : indexed ? 256 : 0;
    const size_t stride = (static_cast<size_t>(width) * outBits + 31) / 32 * 4;
    const size_t headerBytes = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, headerBytes + stride * height));
    if (!block) {
        Fail(TIFF_ERR_NO_MEMORY);
        return nullptr;
    }
    {
        tw::GlobalLockGuard<BYTE> lock(block.get());
        auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(lock.get());
        bih->biSize = sizeof(BITMAPINFOHEADER);
        bih->biWidth = static_cast<LONG>(width);
        bih->biHeight = static_cast<LONG>(height);
        bih->biPlanes = 1;
        bih->biBitCount = static_cast<WORD>(outBits);
        bih->biCompression = BI_RGB;
        bih->biSizeImage = static_cast<DWORD>(stride * height);
        bih->biXPelsPerMeter = static_cast<LONG>(xres * toMetre + 0.5);
        bih->biYPelsPerMeter = static_cast<LONG>(yres * toMetre + 0.5);
        bih->biClrUsed = static_cast<DWORD>(colours);
        auto* palette = reinterpret_cast<RGBQUAD*>(lock.get() + sizeof(BITMAPINFOHEADER));
        BYTE* dibBits = lock.get() + headerBytes;
        if (bilevel || indexed) {
            if (bilevel) {
                palette[1] = RGBQUAD{255, 255, 255, 0};
            } else {
                uint16_t *r, *g, *b;
                if (!TIFFGetField(tif.get(), TIFFTAG_COLORMAP, &r, &g, &b)) {
                    Fail(TIFF_ERR_DECODE, "a palette page without a colour map");
                    return nullptr;
                }
                size_t n = size_t{1} << bits;
                // Some writers store 8-bit maps; 16-bit is the rule.
                bool eightBit = std::all_of(r, r + n, [](uint16_t v) { return v < 256; }) &&
                                std::all_of(g, g + n, [](uint16_t v) { return v < 256; }) &&
                                std::all_of(b, b + n, [](uint16_t v) { return v < 256; });
                for (size_t i = 0; i < n; ++i) {
                    palette[i] = eightBit ? RGBQUAD{BYTE(b[i]), BYTE(g[i]), BYTE(r[i]), 0}
                                          : RGBQUAD{BYTE(b[i] >> 8), BYTE(g[i] >> 8), BYTE(r[i] >> 8), 0};
                }
            }
            std::vector<uint8_t> line(static_cast<size_t>(TIFFScanlineSize(tif.get())) + 4);
            for (uint32_t y = 0; y < height; ++y) {
                if (TIFFReadScanline(tif.get(), line.data(), y, 0) < 0) {
                    Fail(TIFF_ERR_DECODE, "libtiff could not decode a row");
                    return nullptr;
                }
                BYTE* out = dibBits + stride * (height - 1 - y);
                if (bilevel) {
                    size_t n = (width + 7) / 8;
                    // Palette entry 0 is black: a MinIsWhite 1 bit (ink) becomes 0.
                    for (size_t i = 0; i < n; ++i) out[i] = photometric == PHOTOMETRIC_MINISWHITE ? BYTE(~line[i]) : line[i];
                } else {
                    uint32_t mask = (1u << bits) - 1;
                    for (uint32_t x = 0; x < width; ++x) {
                        uint64_t bit = uint64_t{x} * bits;
                        out[x] = BYTE((line[bit >> 3] >> (8 - bits - (bit & 7))) & mask);
                    }
                }
            }
        } else {
            std::vector<uint32_t> rgba(static_cast<size_t>(width) * height);
            // Stop at the first bad strip: a cut-off file is an error, not a picture with a hole.
            constexpr int kStopOnError = 1;
            if (!TIFFReadRGBAImageOriented(tif.get(), width, height, rgba.data(), ORIENTATION_BOTLEFT, kStopOnError)) {
                Fail(TIFF_ERR_DECODE, "libtiff could not decode the page");
                return nullptr;
            }
            for (uint32_t y = 0; y < height; ++y) {
                BYTE* out = dibBits + stride * y;
                const uint32_t* in = rgba.data() + static_cast<size_t>(width) * y;
                for (uint32_t x = 0; x < width; ++x) {
                    out[3 * x] = BYTE(TIFFGetB(in[x]));
                    out[3 * x + 1] = BYTE(TIFFGetG(in[x]));
                    out[3 * x + 2] = BYTE(TIFFGetR(in[x]));
                }
            }
        }
    }
    return block.release();
}

}  // namespace twtiff
