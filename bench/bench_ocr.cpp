// Recognition speed of TwOCRx.dll on a 300 dpi Letter page of text (2550 x 3300, 1 bit, 48
// lines of 11-point type), as given and doubled the way the monitor doubles Letter pages before
// recognition. The first call starts the engine (reads the language data) and is shown apart.
//   wine bench_ocr.exe [iterations]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "companions/ocr/TwOCRx.h"
#include "ocr/OcrImage.h"

namespace {

constexpr int kWidth = 2550, kHeight = 3300, kDpi = 300, kLines = 48;
constexpr int kPelsPerMeter = (kDpi * 10000 + 127) / 254;

double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// The page as a packed 1-bit DIB in moveable memory.
tw::UniqueHGlobal TextPage() {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD palette[2];
    } info{};
    info.h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 1, BI_RGB, 0, kPelsPerMeter,
                              kPelsPerMeter, 2, 0};
    info.palette[1] = RGBQUAD{255, 255, 255, 0};
    void* pixels = nullptr;
    tw::UniqueDC dc(::CreateCompatibleDC(nullptr));
    tw::UniqueGdiObject bitmap(
        ::CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0));
    tw::UniqueGdiObject font(::CreateFontW(-MulDiv(11, kDpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                                           NONANTIALIASED_QUALITY, 0, L"Liberation Serif"));
    HGDIOBJ oldBitmap = ::SelectObject(dc.get(), bitmap.get());
    HGDIOBJ oldFont = ::SelectObject(dc.get(), font.get());
    ::PatBlt(dc.get(), 0, 0, kWidth, kHeight, WHITENESS);
    const wchar_t* sentences[] = {
        L"The shipment left the harbour on Monday and reached the warehouse two days later.",
        L"Please check the enclosed invoice and forward any questions to our accounts team.",
        L"All prices include insurance, customs clearance and storage for up to three days.",
    };
    for (int i = 0; i < kLines; ++i) {
        const wchar_t* s = sentences[i % 3];
        ::TextOutW(dc.get(), kDpi, kDpi / 2 + i * 60, s, static_cast<int>(std::wcslen(s)));
    }
    ::GdiFlush();
    const SIZE_T header = sizeof(info), bytes = SIZE_T((kWidth + 31) / 32 * 4) * kHeight;
    tw::UniqueHGlobal dib(::GlobalAlloc(GMEM_MOVEABLE, header + bytes));
    {
        tw::GlobalLockGuard<BYTE> lock(dib.get());
        std::memcpy(lock.get(), &info, header);
        std::memcpy(lock.get() + header, pixels, bytes);
    }
    ::SelectObject(dc.get(), oldFont);
    ::SelectObject(dc.get(), oldBitmap);
    return dib;
}

std::wstring BesideProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, n);
    return self.substr(0, self.find_last_of(L'\\') + 1) + name;
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    tw::UniqueModule library(::LoadLibraryW(BesideProgram(L"TwOCRx.dll").c_str()));
    if (!library) {
        std::fprintf(stderr, "cannot load TwOCRx.dll\n");
        return 1;
    }
    auto recognise = reinterpret_cast<PFN_OCRDIBW>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "OCRDIBW")));
    auto freeText =
        reinterpret_cast<PFN_TWOCRFREETEXTW>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "TwOCRFreeTextW")));
    tw::UniqueHGlobal page = TextPage();
    tw::UniqueHGlobal doubled(tw::ocrimage::DoubleDibSize(page.get()));

    auto once = [&](HGLOBAL dib, size_t& chars) {
        LPWSTR text = nullptr;
        double start = Now();
        int status = recognise(dib, &text, L"eng", nullptr);
        double ms = (Now() - start) * 1000.0;
        chars = text ? std::wcslen(text) : 0;
        if (text) freeText(text);
        if (status != TWOCR_OK) std::fprintf(stderr, "recognition failed: %d\n", status);
        return ms;
    };
    size_t chars = 0;
    std::printf("first page (engine start included): %.0f ms\n", once(page.get(), chars));
    struct Case {
        const char* name;
        HGLOBAL dib;
    } cases[] = {{"300 dpi Letter page as given (2550 x 3300)", page.get()},
                 {"300 dpi Letter page doubled as the monitor sends it (5100 x 6600)", doubled.get()}};
    for (const Case& c : cases) {
        double total = 0;
        for (int i = 0; i < iterations; ++i) total += once(c.dib, chars);
        std::printf("%s: %.0f ms per page (%d pages, %zu characters)\n", c.name, total / iterations, iterations, chars);
    }
    return 0;
}
