// Text extraction of whole pages at 300 dpi: the marker pass, the word pass on a band DC and the
// layout into lines, in milliseconds per page (best and median of the runs), next to the time
// the same page takes to play once, which text extraction adds to the first band, and the time
// of the one pass every page makes with text output off (the fonts its comments carry).
//   bench_text [RUNS] [EMF...]   (default: examples\page1.emf and page2.emf)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "bench/BenchFiles.h"
#include "emfimage/FontResource.h"
#include "emfimage/PageTextReader.h"

namespace {

constexpr int kDpi = 300;
constexpr int kDefaultRuns = 5;

using twbench::ProgramDir;
using twbench::ReadAll;

template <typename F>
double Median(int runs, double& best, F run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    best = times.front();
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    if (runs <= 0) runs = kDefaultRuns;
    std::vector<std::wstring> files;
    for (int i = 2; i < argc; ++i) files.push_back(tw::FromUtf8(argv[i]));
    if (files.empty()) {
        const std::wstring root = ProgramDir() + L"\\..\\..\\examples\\";
        files = {root + L"page1.emf", root + L"page2.emf"};
    }
    for (const std::wstring& file : files) {
        const std::string bytes = ReadAll(file);
        tw::UniqueEnhMetaFile emf(::SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                                                       reinterpret_cast<const BYTE*>(bytes.data())));
        if (!emf) {
            std::fwprintf(stderr, L"cannot read %s\n", file.c_str());
            return 2;
        }
        ENHMETAHEADER h{};
        ::GetEnhMetaFileHeader(emf.get(), sizeof(h), &h);
        const LONG width = (h.rclFrame.right - h.rclFrame.left) * kDpi / 2540;
        const LONG height = (h.rclFrame.bottom - h.rclFrame.top) * kDpi / 2540;
        const RECT rect{0, 0, width - 1, height - 1};
        tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
        size_t characters = 0;
        double bestText = 0, bestPlay = 0, bestFonts = 0;
        tw::CFontResource pageFonts;
        const double fontsPass = Median(runs, bestFonts, [&] { tw::RegisterMetafileFonts(emf.get(), pageFonts); });
        const double text = Median(runs, bestText, [&] {
            tw::PageTextState state;
            state.collector = std::make_unique<tw::TCTextOut>(width, height);
            tw::ScanPageMarkers(emf.get(), state.markers);
            tw::PlaybackBudget budget;
            tw::CollectPageWords(dc.get(), emf.get(), rect, nullptr, state, tw::PageTextSettings{}, budget);
            characters = state.collector->Layout(tw::TextLayoutOptions{}).size();
        });
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, std::max<LONG>(1, height / 5), 1, 1, BI_RGB};
        void* bits = nullptr;
        tw::UniqueGdiObject band(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        tw::SelectGuard select(dc.get(), band.get());
        const double play = Median(runs, bestPlay, [&] {
            tw::PlaybackBudget budget;
            tw::FontQualityRule fonts;
            tw::PlayPage(dc.get(), emf.get(), rect, nullptr, fonts, budget);
        });
        std::wprintf(L"%ls: %ldx%ld px, %zu characters of text\n", file.c_str(), width, height, characters);
        std::wprintf(L"  text extraction: %.1f ms/page (best %.1f); one playback of the page: %.1f ms (best %.1f)\n",
                     text, bestText, play, bestPlay);
        std::wprintf(L"  with text output off, the fonts pass: %.2f ms/page (best %.2f)\n", fontsPass, bestFonts);
    }
    return 0;
}
