// The PNG module on libpng's classic write interface. The function that calls setjmp holds no
// C++ object with a destructor: on a libpng error it releases what it made by hand.
#include "twfile/png/PngModule.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "monitor/Trace.h"
#include "twfile/ModuleErrorSlot.h"
#include "twfile/TiffRows.h"

namespace tw {
namespace {

CModuleErrorSlot g_errorSlot;

// Rows of the module's error table; 5 and 6 are unused.
constexpr const char* kErrorTexts[] = {
    "No error", "Unable to create file", "File not found", "Not enuogh memory", "Invalid bitmap or DIB handle",
    "", "", "Unable to create DIB", "Unable to get DIB", "Palette missing",
};

void SetPngError(int error) { g_errorSlot.Set(static_cast<uintptr_t>(error)); }

// What the failure path has to release; plain data so that longjmp may cross it.
struct PngWriteState {
    FILE* file;
    png_structp png;
    png_infop info;
    png_infop endInfo;
    png_bytep row;
};

void Release(PngWriteState& s) {
    std::free(s.row);
    s.row = nullptr;
    if (s.png) {
        if (s.endInfo) png_destroy_info_struct(s.png, &s.endInfo);
        png_destroy_write_struct(&s.png, &s.info);
    }
    s.png = nullptr;
}

// Copies DIB row `y` (0 = top of the page) into `out`, blue and red exchanged for 24-bit pages.
void PackRow(const DibView& view, LONG y, png_bytep out, size_t rowBytes) {
    const BYTE* src = view.bits + static_cast<size_t>(view.height - 1 - y) * view.stride;
    std::memcpy(out, src, rowBytes);
    if (view.bitCount == 24)
        for (size_t i = 0; i + 2 < rowBytes; i += 3) std::swap(out[i], out[i + 2]);
}

// The libpng part: FALSE when libpng raised an error or the row buffer could not be had. The
// file is closed by the caller.
bool EncodePng(PngWriteState& s, const DibView& view) {
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!s.png) {
        SetPngError(pngerr::kNoMemory);
        return false;
    }
    if (setjmp(png_jmpbuf(s.png))) {
        Release(s);
        return false;
    }
    s.info = png_create_info_struct(s.png);
    s.endInfo = png_create_info_struct(s.png);
    if (!s.info || !s.endInfo) {
        SetPngError(pngerr::kNoMemory);
        Release(s);
        return false;
    }
    png_init_io(s.png, s.file);
    const int bits = view.bitCount;
    const bool palette = bits <= 8;
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(view.width), static_cast<png_uint_32>(view.height),
                 bits < 8 ? bits : 8, palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_color colours[256];
        const DWORD entries = view.paletteEntries;
        for (DWORD i = 0; i < entries; ++i)
            colours[i] = {view.palette[i].rgbRed, view.palette[i].rgbGreen, view.palette[i].rgbBlue};
        png_set_PLTE(s.png, s.info, colours, static_cast<int>(entries));
    }
    png_set_pHYs(s.png, s.info, static_cast<png_uint_32>(view.header->biXPelsPerMeter),
                 static_cast<png_uint_32>(view.header->biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_write_info(s.png, s.info);

    const size_t rowBytes = (static_cast<size_t>(bits) * view.width + 7) / 8;
    s.row = static_cast<png_bytep>(std::malloc(rowBytes));
    if (!s.row) {
        SetPngError(pngerr::kNoMemory);
        Release(s);
        return false;
    }
    for (LONG y = 0; y < view.height; ++y) {
        PackRow(view, y, s.row, rowBytes);
        png_write_row(s.png, s.row);
    }
    png_write_end(s.png, s.endInfo);
    Release(s);
    return true;
}

}  // namespace

BOOL TwPNGMain(DWORD reason) { return g_errorSlot.OnAttachReason(reason); }

const char* PngErrorText() {
    const uintptr_t error = g_errorSlot.Get();
    return error < sizeof(kErrorTexts) / sizeof(kErrorTexts[0]) ? kErrorTexts[error] : "";
}

BOOL SaveDIBAsPNG(const wchar_t* fileName, HGLOBAL dib, DWORD) {
    TW_TRACE(L"> SaveDIBAsPNG");
    SetPngError(pngerr::kNone);
    if (!dib) {
        SetPngError(pngerr::kInvalidDib);
        TW_TRACE_FAILED(L"SaveDIBAsPNG", L"DIB");
        return FALSE;
    }
    const SIZE_T size = ::GlobalSize(dib);
    const BYTE* bytes = static_cast<const BYTE*>(::GlobalLock(dib));
    DibView view;
    // A header that claims more than its block holds is no page: nothing is written for it.
    if (!bytes || !ViewDib(bytes, size, view) || view.width > PNG_USER_WIDTH_MAX || view.height > PNG_USER_HEIGHT_MAX) {
        if (bytes) ::GlobalUnlock(dib);
        SetPngError(pngerr::kInvalidDib);
        TW_TRACE_FAILED(L"SaveDIBAsPNG", L"ViewDib");
        return FALSE;
    }
    PngWriteState state{};
    state.file = fileName ? ::_wfopen(fileName, L"wb") : nullptr;
    if (!state.file) {
        ::GlobalUnlock(dib);
        SetPngError(pngerr::kCreateFile);
        TW_TRACE_FAILED(L"SaveDIBAsPNG", L"fopen");
        return FALSE;
    }
    bool ok = EncodePng(state, view);
    ::GlobalUnlock(dib);
    // A full disk shows only when the buffered bytes reach it.
    if (std::fflush(state.file) != 0 || std::ferror(state.file)) ok = false;
    std::fclose(state.file);
    if (!ok) {
        if (g_errorSlot.Get() == pngerr::kNone) SetPngError(pngerr::kCreateFile);
        const DWORD error = ::GetLastError();
        ::DeleteFileW(fileName);
        ::SetLastError(error);
        TW_TRACE_FAILED(L"SaveDIBAsPNG", L"Encode");
        return FALSE;
    }
    TW_TRACE_RESULT(L"SaveDIBAsPNG", TRUE);
    return TRUE;
}

}  // namespace tw
