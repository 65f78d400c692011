// The TIFF library's Group 4 / Group 3 coder (FaxCoder) against libtiff's, on the same pages in
// one process: 300 and 204 dpi text, ordered and error-diffusion halftones. Every page is also
// checked byte for byte against libtiff; --fuzz N codes N seeded random row patterns both ways.
//   wine bench_faxcoder.exe [iterations] [--fuzz rows]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "tests/tifflib/FaxPages.h"
#include "tests/tifflib/LibtiffFax.h"

using namespace tifftest;

namespace {

double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Best times of the two codings, run in turns so that both see the same load on the machine.
template <typename First, typename Second>
std::pair<double, double> PairedBestMs(int iterations, First first, Second second) {
    double bestFirst = 1e9, bestSecond = 1e9;
    for (int i = 0; i < iterations; ++i) {
        double start = Now();
        first();
        bestFirst = std::min(bestFirst, Now() - start);
        start = Now();
        second();
        bestSecond = std::min(bestSecond, Now() - start);
    }
    return {bestFirst * 1000, bestSecond * 1000};
}

constexpr uint32_t kT4TwoD = 1;
constexpr float kFineDpi = 196;

int Fuzz(size_t wanted) {
    std::mt19937 rng(2212);
    const FaxCoding codings[] = {{4, 0, 1, kFineDpi, 0}, {3, 0, 1, kFineDpi, 0}, {3, kT4TwoD, 1, kFineDpi, 0},
                                 {3, kT4TwoD | 4, 1, 98, 0}, {4, 0, 1, kFineDpi, 9}};
    size_t rows = 0, pages = 0;
    while (rows < wanted) {
        const uint32_t width = rng() % 8 == 0 ? 1 + rng() % 70 : 1 + rng() % 5000;
        const BitPage page = RunPatternPage(width, 1 + rng() % 64, rng);
        const FaxCoding& coding = codings[rng() % std::size(codings)];
        if (LibtiffStrips(page, coding) != CoderStrips(page, coding)) {
            std::printf("fuzz: page %zu (%u x %u, compression %u, T4Options %u) differs from libtiff\n", pages,
                        page.width, page.height, coding.compression, coding.t4Options);
            return 1;
        }
        rows += page.height;
        ++pages;
    }
    std::printf("fuzz: %zu rows in %zu pages, all byte-identical to libtiff\n", rows, pages);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int iterations = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fuzz") == 0 && i + 1 < argc) return Fuzz(std::strtoull(argv[++i], nullptr, 10));
        iterations = std::max(1, std::atoi(argv[i]));
    }
    const struct {
        const char* name;
        BitPage page;
    } pages[] = {{"text 300 dpi", TextPage(300)},
                 {"text 204 dpi", TextPage(204)},
                 {"halftone 300 dpi (ordered)", HalftonePage(300, false)},
                 {"halftone 300 dpi (diffused)", HalftonePage(300, true)}};
    const struct {
        const char* name;
        FaxCoding coding;
    } codings[] = {{"Group 4", {4, 0, 1, kFineDpi, 0}}, {"Group 3 2D", {3, kT4TwoD, 1, kFineDpi, 0}}};
    std::printf("best of %d runs each, the two coders in turns\n%-28s %-11s %10s %10s %8s %10s  %s\n", iterations, "page", "coding", "libtiff ms",
                "coder ms", "speed-up", "bytes", "identical");
    int status = 0;
    for (const auto& p : pages) {
        for (const auto& c : codings) {
            const auto [libtiffMs, coderMs] = PairedBestMs(iterations, [&] { LibtiffTiff(p.page, c.coding); },
                                                           [&] { CoderStrips(p.page, c.coding); });
            const auto expected = LibtiffStrips(p.page, c.coding);
            const bool same = !expected.empty() && expected == CoderStrips(p.page, c.coding);
            status |= same ? 0 : 1;
            std::printf("%-28s %-11s %10.2f %10.2f %7.1fx %10zu  %s\n", p.name, c.name, libtiffMs, coderMs,
                        libtiffMs / coderMs, expected.empty() ? 0 : expected[0].size(), same ? "yes" : "NO");
        }
    }
    return status;
}
