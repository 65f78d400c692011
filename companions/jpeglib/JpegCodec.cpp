#include "JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// libjpeg's headers expect these types to be known already.
#include <jpeglib.h>
#include <jerror.h>

#include "DibSource.h"
#include "Jpeg32.h"
#include "LabColour.h"
#include "LibraryError.h"

namespace twjpeg {
namespace {

constexpr size_t kFirstOutputBlock = 64 * 1024;
constexpr char kLabComment[] = "CIELAB D65: L*x255/100, a*+128, b*+128";

struct JumpError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void OnError(j_common_ptr info) { longjmp(reinterpret_cast<JumpError*>(info->err)->jump, 1); }
// Warnings about damaged data would go to stderr; a library keeps quiet.
void OnOutput(j_common_ptr) {}

void UseJumpError(JumpError& err) {
    jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnError;
    err.mgr.output_message = OnOutput;
}

// An output buffer grown with realloc, so that an error part-way can free it.
struct GrowingDest {
    jpeg_destination_mgr pub;
    JOCTET* buffer;
    size_t capacity;
    size_t used;
};

void InitDest(j_compress_ptr) {}

boolean GrowDest(j_compress_ptr info) {
    auto* d = reinterpret_cast<GrowingDest*>(info->dest);
    const size_t bigger = d->capacity * 2;
    auto* grown = static_cast<JOCTET*>(std::realloc(d->buffer, bigger));
    if (!grown) ERREXIT1(info, JERR_OUT_OF_MEMORY, 10);
    d->buffer = grown;
    d->pub.next_output_byte = grown + d->capacity;
    d->pub.free_in_buffer = bigger - d->capacity;
    d->capacity = bigger;
    return TRUE;
}

void TermDest(j_compress_ptr info) {
    auto* d = reinterpret_cast<GrowingDest*>(info->dest);
    d->used = d->capacity - d->pub.free_in_buffer;
}

void SetSampling(jpeg_compress_struct& info, const EncodeSettings& s) {
    if (info.num_components != 3) return;
    info.comp_info[0].h_samp_factor = s.hSubsampling == 2 ? 2 : 1;
    info.comp_info[0].v_samp_factor = s.vSubsampling == 2 ? 2 : 1;
    for (int c = 1; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
}

}  // namespace

int EncodeDib(const DibSource& dib, const EncodeSettings& s, unsigned char** out, unsigned long* outSize) {
    *out = nullptr;
    *outSize = 0;
    BYTE* row = static_cast<BYTE*>(std::malloc(static_cast<size_t>(dib.Width()) * 3));
    GrowingDest dest{};
    dest.buffer = static_cast<JOCTET*>(std::malloc(kFirstOutputBlock));
    if (!row || !dest.buffer) {
        std::free(row);
        std::free(dest.buffer);
        return Fail(JPEG_ERR_NO_MEMORY);
    }
    dest.capacity = kFirstOutputBlock;
    dest.pub.next_output_byte = dest.buffer;
    dest.pub.free_in_buffer = dest.capacity;
    dest.pub.init_destination = InitDest;
    dest.pub.empty_output_buffer = GrowDest;
    dest.pub.term_destination = TermDest;
    LabConverter lab;
    jpeg_compress_struct info;
    JumpError err;
    UseJumpError(err);
    info.err = &err.mgr;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&info);
        std::free(row);
        std::free(dest.buffer);
        return Fail(JPEG_ERR_CODEC);
    }
    jpeg_create_compress(&info);
    const int components = s.lab ? 3 : dib.Components();
    info.dest = &dest.pub;
    info.image_width = static_cast<JDIMENSION>(dib.Width());
    info.image_height = static_cast<JDIMENSION>(dib.Height());
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    // L*a*b* samples pass through untransformed (an Adobe marker with transform 0 says so).
    if (s.lab) jpeg_set_colorspace(&info, JCS_RGB);
    jpeg_set_quality(&info, s.quality, TRUE);
    SetSampling(info, s);
    info.optimize_coding = s.optimize ? TRUE : FALSE;
    info.restart_in_rows = s.restartRows;
    if (dib.XDpi() && dib.YDpi() && dib.XDpi() <= 65535 && dib.YDpi() <= 65535) {
        info.density_unit = 1;
        info.X_density = static_cast<UINT16>(dib.XDpi());
        info.Y_density = static_cast<UINT16>(dib.YDpi());
    }
    jpeg_start_compress(&info, TRUE);
    if (s.lab)
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(kLabComment), sizeof(kLabComment) - 1);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        if (s.lab && dib.IsGrey()) {
            // A grey DIB gives one byte a pixel: widen it before converting.
            dib.ReadRow(y, row + 2 * dib.Width());
            for (int x = 0; x < dib.Width(); ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = row[2 * dib.Width() + x];
        } else {
            dib.ReadRow(y, row);
        }
        if (s.lab) lab.Convert(row, row, dib.Width());
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::free(row);
    *out = dest.buffer;
    *outSize = static_cast<unsigned long>(dest.used);
    return JPEG_OK;
}

int ReadJpegHeader(const BYTE* data, size_t size, DecodedHeader* header) {
    jpeg_decompress_struct info;
    JumpError err;
    UseJumpError(err);
    info.err = &err.mgr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return Fail(JPEG_ERR_CODEC);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    header->width = static_cast<int>(info.image_width);
    header->height = static_cast<int>(info.image_height);
    header->components = info.num_components == 1 ? 1 : 3;
    if (info.density_unit == 1) {  // dots per inch
        header->xPelsPerMeter = (info.X_density * 10000 + 127) / 254;
        header->yPelsPerMeter = (info.Y_density * 10000 + 127) / 254;
    } else if (info.density_unit == 2) {  // dots per centimetre
        header->xPelsPerMeter = info.X_density * 100;
        header->yPelsPerMeter = info.Y_density * 100;
    }
    jpeg_destroy_decompress(&info);
    return JPEG_OK;
}

int DecodeJpeg(const BYTE* data, size_t size, BYTE* bits, size_t stride, int height) {
    jpeg_decompress_struct info;
    JumpError err;
    // Set after setjmp and freed on the error path: it must live in memory, not a register.
    BYTE* volatile cmyk = nullptr;
    UseJumpError(err);
    info.err = &err.mgr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(cmyk);
        return Fail(JPEG_ERR_CODEC);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    const bool fourColour = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const bool inverted = info.saw_Adobe_marker;  // Adobe's CMYK JPEGs store inverted inks
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : fourColour ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    if (fourColour) {
        cmyk = static_cast<BYTE*>(std::malloc(static_cast<size_t>(info.output_width) * 4));
        if (!cmyk) ERREXIT1(&info, JERR_OUT_OF_MEMORY, 11);
    }
    while (info.output_scanline < info.output_height && static_cast<int>(info.output_scanline) < height) {
        BYTE* row = bits + stride * static_cast<size_t>(height - 1 - static_cast<int>(info.output_scanline));
        JSAMPROW rows[1] = {fourColour ? static_cast<BYTE*>(cmyk) : row};
        jpeg_read_scanlines(&info, rows, 1);
        if (!fourColour) continue;
        for (JDIMENSION x = 0; x < info.output_width; ++x) {
            int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            row[3 * x] = static_cast<BYTE>(y * k / 255);
            row[3 * x + 1] = static_cast<BYTE>(m * k / 255);
            row[3 * x + 2] = static_cast<BYTE>(c * k / 255);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::free(cmyk);
    return JPEG_OK;
}

}  // namespace twjpeg
