#include "annotate/PngPicture.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/WideString.h"
#include "annotate/AlphaPicture.h"
#include "emfimage/PackedDib.h"

namespace tw {
namespace {

constexpr size_t kErrorChars = 200;
constexpr unsigned kOpaque = 255;

void PngError(png_structp png, png_const_charp message) {
    auto* text = static_cast<char*>(png_get_error_ptr(png));
    if (text) std::snprintf(text, kErrorChars, "%s", message);
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Under setjmp the frame holds no object with a destructor: everything made here is released by
// hand on the error path. Returns the decoded BGRA rows (top first) in `pixels`, freed by the caller.
bool DecodeBgra(FILE* file, char* error, png_uint_32& width, png_uint_32& height, unsigned char*& pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, PngError, PngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    unsigned char* volatile image = nullptr;
    png_bytep* volatile rows = nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        std::free(image);
        std::free(rows);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    if (static_cast<unsigned long long>(width) * height > kMaxPngPixels) png_error(png, "picture too large");
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) png_error(png, "unexpected row size");
    image = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(width) * height * 4));
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!image || !rows) png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = image + static_cast<size_t>(y) * width * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(rows);
    pixels = image;
    return true;
}

BYTE OverWhite(unsigned c, unsigned a) { return static_cast<BYTE>((c * a + kOpaque * (kOpaque - a)) / kOpaque); }

}  // namespace

UniqueHGlobal LoadPngPicture(const std::wstring& path, std::wstring& error, bool keepAlpha) {
    UniqueCrtFile file(::_wfopen(path.c_str(), L"rb"));
    if (!file) {
        error = FormatW(L"cannot open %s", path.c_str());
        return {};
    }
    char text[kErrorChars] = "";
    png_uint_32 width = 0, height = 0;
    unsigned char* pixels = nullptr;
    if (!DecodeBgra(file.get(), text, width, height, pixels)) {
        error = FormatW(L"%s: %S", path.c_str(), text[0] ? text : "not a PNG file");
        return {};
    }
    const size_t count = static_cast<size_t>(width) * height;
    bool translucent = false;
    for (size_t i = 0; keepAlpha && i < count && !translucent; ++i) translucent = pixels[i * 4 + 3] != kOpaque;
    const WORD bits = translucent ? kBits32 : kBits24;
    UniqueHGlobal dib(translucent ? NewAlphaDib(static_cast<LONG>(width), static_cast<LONG>(height))
                                  : NewPackedDib(static_cast<LONG>(width), static_cast<LONG>(height), kBits24,
                                                 nullptr, 0, 0, 0));
    {
        GlobalLockGuard<BYTE> lock(dib.get());
        if (!lock) {
            std::free(pixels);
            error = FormatW(L"%s: out of memory", path.c_str());
            return {};
        }
        const DWORD stride = DibStride(static_cast<LONG>(width), bits);
        BYTE* rows = lock.get() + sizeof(BITMAPINFOHEADER);
        for (png_uint_32 y = 0; y < height; ++y) {
            const unsigned char* src = pixels + static_cast<size_t>(y) * width * 4;
            BYTE* dst = rows + static_cast<size_t>(height - 1 - y) * stride;  // bottom-up
            if (translucent) {
                std::memcpy(dst, src, static_cast<size_t>(width) * 4);
                continue;
            }
            for (png_uint_32 x = 0; x < width; ++x, src += 4, dst += 3) {
                dst[0] = OverWhite(src[0], src[3]);
                dst[1] = OverWhite(src[1], src[3]);
                dst[2] = OverWhite(src[2], src[3]);
            }
        }
    }
    std::free(pixels);
    return dib;
}

}  // namespace tw
