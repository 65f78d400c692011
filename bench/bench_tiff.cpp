// Group 4 and Group 3 coding speed of TIFF32.DLL on a 300 dpi Letter page of text
// (2550 x 3300), rendered by GDI into a 1-bit DIB section. Each coding writes the page into a
// memory TIFF through the writers' calls, and as a headerless stream into a file.
//   wine bench_tiff.exe [iterations]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "bench/BenchPages.h"
#include "companions/tifflib/Tiff32.h"

namespace {

using bench::kDpi;
using bench::kHeight;
using bench::kWidth;
using bench::Now;

struct MonoParams {
    BITMAPINFOHEADER header;
    const BYTE* bits;
};

int WINAPI MonochromeRows(BYTE* row, int index, void* params) {
    const auto* p = static_cast<const MonoParams*>(params);
    if (index >= p->header.biHeight) return TIFF_ROW_END;
    size_t stride = (static_cast<size_t>(p->header.biWidth) + 31) / 32 * 4;
    const BYTE* src = p->bits + stride * (p->header.biHeight - 1 - index);
    for (size_t i = 0; i < stride; ++i) row[i] = static_cast<BYTE>(~src[i]);
    return TIFF_ROW_OK;
}

struct Library {
    tw::UniqueModule module;
    PFN_OpenTiffInMemory open = nullptr;
    PFN_DefineTiffImage define = nullptr;
    PFN_DefineTiffImageInfo info = nullptr;
    PFN_DefineTiffImageInfoBuffer infoBuffer = nullptr;
    PFN_EncodeTiffImage encode = nullptr;
    PFN_DropTiffImage drop = nullptr;
    PFN_CloseTiffFile close = nullptr;
    PFN_EncodeCcittImage ccitt = nullptr;

    bool Load() {
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path(exe);
        path = path.substr(0, path.find_last_of(L'\\') + 1) + twtiff::kLibraryName;
        module.reset(::LoadLibraryW(path.c_str()));
        if (!module) return false;
        auto get = [&](const char* name) { return ::GetProcAddress(module.get(), name); };
        open = reinterpret_cast<PFN_OpenTiffInMemory>(get(twtiff::kOpenTiffInMemory));
        define = reinterpret_cast<PFN_DefineTiffImage>(get(twtiff::kDefineTiffImage));
        info = reinterpret_cast<PFN_DefineTiffImageInfo>(get(twtiff::kDefineTiffImageInfo));
        infoBuffer = reinterpret_cast<PFN_DefineTiffImageInfoBuffer>(get(twtiff::kDefineTiffImageInfoBuffer));
        encode = reinterpret_cast<PFN_EncodeTiffImage>(get(twtiff::kEncodeTiffImage));
        drop = reinterpret_cast<PFN_DropTiffImage>(get(twtiff::kDropTiffImage));
        close = reinterpret_cast<PFN_CloseTiffFile>(get(twtiff::kCloseTiffFile));
        ccitt = reinterpret_cast<PFN_EncodeCcittImage>(get(twtiff::kEncodeCcittImage));
        return open && define && info && infoBuffer && encode && drop && close && ccitt;
    }
};

bool RenderPage(bench::Page& page, MonoParams& params) {
    if (!bench::RenderTextPage(page)) return false;
    params.header = page.info.h;
    params.bits = page.bits;
    return true;
}

struct Coding {
    const char* name;
    int compression;
    int t4Options;  // -1: none
};

}  // namespace

int main(int argc, char** argv) {
    int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    Library lib;
    if (!lib.Load()) {
        std::fprintf(stderr, "bench_tiff: TIFF32.DLL cannot be loaded\n");
        return 1;
    }
    bench::Page page;
    MonoParams params{};
    if (!RenderPage(page, params)) {
        std::fprintf(stderr, "bench_tiff: the page cannot be rendered\n");
        return 1;
    }
    size_t ink = 0, stride = (kWidth + 31) / 32 * 4;
    for (size_t i = 0; i < stride * kHeight; ++i) ink += 8 - __builtin_popcount(params.bits[i]);
    std::printf("page %d x %d at %d dpi, %.2f%% ink, %d iterations\n", kWidth, kHeight, kDpi,
                100.0 * static_cast<double>(ink) / (double(kWidth) * kHeight), iterations);
    std::printf("%-22s %12s %12s %14s %12s\n", "coding", "TIFF ms", "TIFF bytes", "stream ms", "stream bytes");

    const Coding codings[] = {{"Group 4", 4, -1},
                              {"Group 3 1D", 3, 0},
                              {"Group 3 1D EOL-aligned", 3, 4},
                              {"Group 3 2D", 3, 1}};
    wchar_t tempDir[MAX_PATH], tempFile[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tempDir);
    ::GetTempFileNameW(tempDir, L"bt", 0, tempFile);
    for (const Coding& c : codings) {
        double best = 1e9, bestStream = 1e9;
        size_t bytes = 0, streamBytes = 0;
        for (int i = 0; i < iterations; ++i) {
            tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE, 1));
            double start = Now();
            HTIFFDOC doc = lib.open(block.get(), 1, TIFF_MODE_CREATE);
            int page = lib.define(doc);
            lib.info(doc, page, twtiff::kTagCompression, TIFF_TYPE_SHORT, c.compression);
            if (c.t4Options >= 0) lib.info(doc, page, twtiff::kTagT4Options, TIFF_TYPE_LONG, c.t4Options);
            lib.info(doc, page, twtiff::kTagImageWidth, TIFF_TYPE_LONG, kWidth);
            lib.info(doc, page, twtiff::kTagImageLength, TIFF_TYPE_LONG, kHeight);
            lib.info(doc, page, twtiff::kTagRowsPerStrip, TIFF_TYPE_SHORT, kHeight);
            lib.info(doc, page, twtiff::kTagPhotometric, TIFF_TYPE_SHORT, 0);
            DWORD dpi[2] = {kDpi, 1};
            lib.infoBuffer(doc, page, twtiff::kTagXResolution, dpi, TIFF_TYPE_RATIONAL, 1);
            lib.infoBuffer(doc, page, twtiff::kTagYResolution, dpi, TIFF_TYPE_RATIONAL, 1);
            bool ok = lib.encode(doc, page, &params, MonochromeRows) && lib.drop(doc, page) && lib.close(doc);
            best = std::min(best, Now() - start);
            if (!ok) {
                std::fprintf(stderr, "bench_tiff: %s failed\n", c.name);
                return 1;
            }
            bytes = ::GlobalSize(block.get());

            tw::UniqueFile file(::CreateFileW(tempFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
            DWORD coding = TIFF_CCITT_CODING(c.compression, c.t4Options < 0 ? 0 : c.t4Options);
            start = Now();
            ok = lib.ccitt(file.get(), kWidth, kHeight, coding, &params, MonochromeRows);
            bestStream = std::min(bestStream, Now() - start);
            LARGE_INTEGER size{};
            ::GetFileSizeEx(file.get(), &size);
            streamBytes = static_cast<size_t>(size.QuadPart);
            if (!ok) {
                std::fprintf(stderr, "bench_tiff: %s stream failed\n", c.name);
                return 1;
            }
        }
        std::printf("%-22s %12.2f %12zu %14.2f %12zu\n", c.name, best * 1000, bytes, bestStream * 1000, streamBytes);
    }
    ::DeleteFileW(tempFile);
    std::printf("(best of %d runs each; the raw page is %zu bytes)\n", iterations, stride * kHeight);
    return 0;
}
