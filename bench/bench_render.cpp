// Whole pages from EMF to 1-bit files, at fax resolution and at 300 dpi, as BMP and as TIFF
// Group 4: the page is read, drawn in bands, copied into the page DIB, encoded and written.
//   bench_render [PAGES] [EMF...]   (default: 20 pages cycling through examples\page1/2.emf)
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "base/WideString.h"
#include "bench/BenchFiles.h"
#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "job/TWJob.h"
#include "twfile/BlFile.h"

namespace {

using bench::ProgramDir;
using bench::ReadAll;

struct Output {
    DWORD format;
    const wchar_t* name;
    const wchar_t* file;
};
constexpr Output kOutputs[] = {{0, L"BMP", L"bench_render.bmp"}, {7, L"TIFF G4", L"bench_render.tif"}};

double MillisecondsPerPage(const std::vector<std::string>& pages, int count, int xDpi, int yDpi, const Output& out) {
    twhost::HostEnvironment env;
    twhost::SimPrinter printer;
    printer.name = L"Bench printer";
    env.Spooler().AddPrinter(printer);
    twhost::DevModeBuilder builder(printer.name);
    builder.Dpi(xDpi, yDpi).Format(out.format);
    tw::CTWJob job;
    job.SetPrinterName(printer.name.c_str());
    auto writer = tw::CreateBlFileObject(builder.Record(), &job, out.format, false);
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + out.file;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        const std::string& page = pages[i % pages.size()];
        tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE, page.size()));
        {
            tw::GlobalLockGuard<BYTE> p(block.get());
            memcpy(p.get(), page.data(), page.size());
        }
        ::DeleteFileW(file.c_str());  // each page its own file, as single-page output writes it
        writer->SetCurrentPage(i + 1);
        if (!writer->SaveFile(block.get(), page.size(), file.c_str(), TRUE)) {
            std::fwprintf(stderr, L"page %d failed: %s\n", i + 1, job.StatusText().c_str());
            return -1;
        }
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ::DeleteFileW(file.c_str());
    return ms / count;
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 20;
    if (count <= 0) count = 20;
    std::vector<std::wstring> files;
    for (int i = 2; i < argc; ++i) files.push_back(tw::FromUtf8(argv[i]));
    if (files.empty()) {
        const std::wstring root = ProgramDir() + L"\\..\\..\\examples\\";
        files = {root + L"page1.emf", root + L"page2.emf"};
    }
    std::vector<std::string> pages;
    for (const auto& f : files) {
        pages.push_back(ReadAll(f));
        if (pages.back().empty()) {
            std::fwprintf(stderr, L"cannot read %s\n", f.c_str());
            return 2;
        }
    }
    const struct { int x, y; const wchar_t* name; } modes[] = {{204, 196, L"204x196"}, {300, 300, L"300x300"}};
    for (const Output& out : kOutputs) {
        for (const auto& m : modes) {
            const double ms = MillisecondsPerPage(pages, count, m.x, m.y, out);
            if (ms < 0) return 1;
            std::wprintf(L"%ls %ls 1 bit: %.1f ms/page, %.2f pages/s over %d pages\n", out.name, m.name, ms,
                         1000.0 / ms, count);
        }
    }
    return 0;
}
