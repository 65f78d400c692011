// Milliseconds per page of each output writer's coder on a 300 dpi Letter page of text (1 bit)
// and a picture page (24 bits): PNG, GIF, PCX, BMP, JPEG and JPEG L*a*b. With a directory
// argument it also leaves both pages there as BMP files, for bench_writers.sh to time
// ImageMagick's convert on the same pages in the same run.
//   wine bench_writers.exe [iterations] [directory]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "bench/BenchPages.h"
#include "companions/jpeglib/Jpeg32.h"
#include "twfile/BmpEncoding.h"
#include "twfile/PcxEncoding.h"
#include "twfile/gif/GifModule.h"
#include "twfile/png/PngModule.h"

namespace {

using Writer = std::function<bool(const wchar_t* file, HGLOBAL dib)>;

bool WriteBytes(const wchar_t* file, const std::vector<BYTE>& bytes) {
    tw::UniqueFile out(::CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD done = 0;
    return out && ::WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
           done == bytes.size();
}

bool Pcx(const wchar_t* file, HGLOBAL dib) {
    tw::GlobalLockGuard<BYTE> bytes(dib);
    tw::DibView view;
    std::vector<BYTE> page;
    return tw::ViewDib(bytes.get(), bytes.size(), view) && tw::EncodePcxPage(view, tw::PcxScreen{}, page) &&
           WriteBytes(file, page);
}

bool Bmp(const wchar_t* file, HGLOBAL dib) {
    tw::GlobalLockGuard<BYTE> bytes(dib);
    std::vector<BYTE> out;
    return tw::EncodeBmpFile(bytes.get(), bytes.size(), out) == tw::DibCheck::Ok && WriteBytes(file, out);
}

// Best of `iterations` runs in milliseconds and the file size; negative when the writer failed.
double Time(const Writer& writer, const std::wstring& file, HGLOBAL dib, int iterations, LONGLONG& bytes) {
    double best = 1e9;
    for (int i = 0; i < iterations; ++i) {
        ::DeleteFileW(file.c_str());
        const double start = bench::Now();
        if (!writer(file.c_str(), dib)) return -1;
        best = std::min(best, bench::Now() - start);
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data);
    bytes = (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    ::DeleteFileW(file.c_str());
    return best * 1000;
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    bench::Page text, picture;
    if (!bench::RenderTextPage(text) || !bench::RenderPicturePage(picture)) {
        std::fprintf(stderr, "bench_writers: the pages cannot be rendered\n");
        return 1;
    }
    tw::UniqueHGlobal textDib(bench::PackedDib(text)), pictureDib(bench::PackedDib(picture));
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir = dir.substr(0, dir.find_last_of(L'\\') + 1);
    tw::UniqueModule jpeg(::LoadLibraryW((dir + L"JPEG32.DLL").c_str()));
    auto saveJpeg = reinterpret_cast<PFN_SaveDIBInJPEGFileW>(::GetProcAddress(jpeg.get(), "SaveDIBInJPEGFileW"));
    auto saveJpegEx = reinterpret_cast<PFN_SaveDIBInJPEGFileExW>(::GetProcAddress(jpeg.get(), "SaveDIBInJPEGFileExW"));
    if (!saveJpeg || !saveJpegEx) {
        std::fprintf(stderr, "bench_writers: JPEG32.DLL cannot be loaded\n");
        return 1;
    }
    BYTE labBlock[JPEG_EX_BLOCK_SIZE] = {};
    labBlock[JPEG_EX_QUALITY] = 75;
    labBlock[JPEG_EX_H_SUBSAMPLING] = labBlock[JPEG_EX_V_SUBSAMPLING] = 2;
    labBlock[JPEG_EX_COLOR_SPACE] = JPEG_COLOR_SPACE_CIELAB;
    labBlock[JPEG_EX_OPTIMIZE] = labBlock[JPEG_EX_RESTART_ROWS] = 1;
    struct Entry {
        const char* name;
        const wchar_t* extension;
        Writer writer;
        bool colour;  // takes 24-bit pages
    } writers[] = {
        {"PNG", L"png", [](const wchar_t* f, HGLOBAL d) { return tw::SaveDIBAsPNG(f, d, 0) != FALSE; }, true},
        {"GIF", L"gif", [](const wchar_t* f, HGLOBAL d) { int e; return tw::SaveDIBInGIFFormat(f, d, 0, &e) != FALSE; }, false},
        {"PCX", L"pcx", &Pcx, true},
        {"BMP", L"bmp", &Bmp, true},
        {"JPEG", L"jpg", [&](const wchar_t* f, HGLOBAL d) { return saveJpeg(f, d, 75) == JPEG_OK; }, true},
        {"JPEG L*a*b", L"jpg", [&](const wchar_t* f, HGLOBAL d) { return saveJpegEx(f, d, labBlock) == JPEG_OK; }, true},
    };
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::printf("pages %d x %d at %d dpi, best of %d runs\n", bench::kWidth, bench::kHeight, bench::kDpi, iterations);
    std::printf("%-12s %14s %12s %16s %12s\n", "writer", "text ms", "text bytes", "picture ms", "picture bytes");
    for (const Entry& w : writers) {
        const std::wstring file = std::wstring(temp) + L"bench_writers." + w.extension;
        LONGLONG textBytes = 0, pictureBytes = 0;
        const double t = Time(w.writer, file, textDib.get(), iterations, textBytes);
        const double p = w.colour ? Time(w.writer, file, pictureDib.get(), iterations, pictureBytes) : -1;
        std::printf("%-12s %14.1f %12lld ", w.name, t, textBytes);
        if (w.colour) std::printf("%16.1f %12lld\n", p, pictureBytes);
        else std::printf("%16s %12s\n", "-", "-");
    }
    if (argc > 2) {
        const std::wstring out(argv[2], argv[2] + std::strlen(argv[2]));
        Bmp((out + L"\\text.bmp").c_str(), textDib.get());
        Bmp((out + L"\\picture.bmp").c_str(), pictureDib.get());
    }
    return 0;
}
