// Times every colour reduction and the scaler on a Letter page at 300 DPI (2550 x 3300,
// 24 bits) and prints milliseconds: the best and the median of several runs.
//   wine build/bin/bench_dither.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/ColorReduction.h"
#include "emfimage/DitherImage.h"
#include "emfimage/ImageScaler.h"
#include "emfimage/ImagingLibrary.h"
#include "emfimage/PackedDib.h"

namespace {

constexpr LONG kWidth = 2550;
constexpr LONG kHeight = 3300;
constexpr LONG kPelsPerMeter = 11811;  // 300 DPI
constexpr int kDefaultRuns = 5;

// A photo-like page: smooth colour gradients, rings of fine detail and a little noise, so
// that no method meets long runs of one colour.
HGLOBAL MakePage() {
    HGLOBAL page = tw::NewPackedDib(kWidth, kHeight, tw::kBits24, nullptr, 0, kPelsPerMeter, kPelsPerMeter);
    tw::DibView view(page);
    if (!view.valid()) return page;
    unsigned seed = 12345;
    for (LONG y = 0; y < kHeight; ++y) {
        BYTE* row = view.RowFromTop(y);
        for (LONG x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) & 15) - 8;
            const double dx = x - kWidth / 2.0, dy = y - kHeight / 3.0;
            const double ring = 40.0 * std::sin(std::sqrt(dx * dx + dy * dy) / 9.0);
            const int r = int(255.0 * x / kWidth + ring) + noise;
            const int g = int(255.0 * y / kHeight - ring) + noise;
            const int b = int(128.0 + 100.0 * std::sin((x + y) / 300.0)) + noise;
            row[x * 3] = BYTE(std::clamp(b, 0, 255));
            row[x * 3 + 1] = BYTE(std::clamp(g, 0, 255));
            row[x * 3 + 2] = BYTE(std::clamp(r, 0, 255));
        }
    }
    return page;
}

double Milliseconds(const std::function<HGLOBAL()>& run, bool& ok) {
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    tw::UniqueHGlobal result(run());
    ::QueryPerformanceCounter(&end);
    ok = ok && result.valid();
    return 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

void Measure(const char* name, int runs, const std::function<HGLOBAL()>& run) {
    std::vector<double> times;
    bool ok = true;
    for (int i = 0; i < runs; ++i) times.push_back(Milliseconds(run, ok));
    std::sort(times.begin(), times.end());
    std::printf("%-50s %9.1f %9.1f%s\n", name, times.front(), times[times.size() / 2], ok ? "" : "   (FAILED)");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
    tw::UniqueHGlobal page(MakePage());
    tw::UniqueHGlobal bilevel(tw::FixedThreshold(page.get()));
    tw::UniqueHGlobal indexed(tw::StuckiDither(page.get(), tw::kBits8));
    tw::CImagingLibrary library;
    if (!page || !bilevel || !indexed || !library.Load()) {
        std::fprintf(stderr, "bench_dither: cannot make the page or load TWIMGUser.dll\n");
        return 1;
    }
    HGLOBAL p = page.get();
    std::printf("page %ld x %ld, 24 bits; %d runs; milliseconds\n", kWidth, kHeight, runs);
    std::printf("%-50s %9s %9s\n", "reduction", "best", "median");
    Measure("grey scale (8-bit grey)", runs, [&] { return tw::ConvertToGreyScale(p); });
    Measure("Stucki to 1 bit (Dithering 5)", runs, [&] { return tw::StuckiDither(p, tw::kBits1); });
    Measure("Stucki to 3-3-2 colour (Dithering 5)", runs, [&] { return tw::StuckiDither(p, tw::kBits8); });
    Measure("fixed threshold (Dithering 6)", runs, [&] { return tw::FixedThreshold(p); });
    Measure("79 brightness +20", runs, [&] { return library.BrightnessContrast(p, 20, 0); });
    const struct { WORD ordinal; const char* name; } methods[] = {
        {twimg::kOrdinalReduceDefault, "80 Floyd-Steinberg / median cut + FS"},
        {twimg::kOrdinalReduceOrdered, "81 Bayer 8x8 / Bayer to 6x6x6 cube"},
        {twimg::kOrdinalReduceJarvis, "82 Jarvis-Judice-Ninke / median cut + JJN"},
        {twimg::kOrdinalReduceThreshold, "83 Otsu / median cut nearest"},
    };
    for (const auto& m : methods) {
        char name[96];
        std::snprintf(name, sizeof(name), "%s, 1 bit", m.name);
        Measure(name, runs, [&] { return library.Reduce(m.ordinal, p, 1); });
        std::snprintf(name, sizeof(name), "%s, 8 bits", m.name);
        Measure(name, runs, [&] { return library.Reduce(m.ordinal, p, 8); });
    }
    tw::DitherOptions options;
    options.colorMode = 0;
    options.dithering = tw::dithercode::kStucki;
    options.brightness = 120;
    options.pagePixels = LONGLONG(kWidth) * kHeight;
    Measure("DitherImage: brightness 120 + Stucki 1 bit", runs, [&] { return tw::DitherImage(p, options); });
    Measure("scaler, 24 bits to 1275 x 1650 (cubic)", runs, [&] { return tw::ScaleImage(p, kWidth / 2, kHeight / 2); });
    Measure("scaler, 8-bit palette to 1275 x 1650", runs,
            [&] { return tw::ScaleImage(indexed.get(), kWidth / 2, kHeight / 2); });
    Measure("scaler, 1 bit to 1275 x 1650 (nearest)", runs,
            [&] { return tw::ScaleImage(bilevel.get(), kWidth / 2, kHeight / 2); });
    return 0;
}
