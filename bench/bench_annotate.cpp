// What the page annotations add to a page: the same page rendered (EMF to page DIB) with no
// annotation, with a full-page picture watermark, and with all five texts (DEVMODE annotation,
// header, footer, a translucent rotated stamp and a Bates number), at 204 x 196 and 300 dpi.
//   bench_annotate [PAGES]   (default 10 per case)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchFiles.h"
#include "base/UniqueHandle.h"
#include "emfimage/EMFImage.h"
#include "emfimage/PackedDib.h"
#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "twfile/BmpEncoding.h"

namespace {

constexpr wchar_t kPrinter[] = L"Bench annotations";

using twbench::ProgramDir;
using twbench::ReadAll;

void SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A 24-bit grey-gradient picture of about a quarter page, drawn stretched over the page.
std::wstring WritePicture() {
    const LONG w = 640, h = 820;
    tw::UniqueHGlobal dib(tw::NewPackedDib(w, h, 24, nullptr, 0, 0, 0));
    std::vector<BYTE> file;
    {
        tw::DibView view(dib.get());
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w * 3; ++x) view.StoredRow(y)[x] = static_cast<BYTE>((x + y) % 256);
        tw::EncodeBmpFile(reinterpret_cast<const BYTE*>(view.Header()), ::GlobalSize(dib.get()), file);
    }
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"bench_annotate.bmp";
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        fwrite(file.data(), 1, file.size(), f);
        fclose(f);
    }
    return path;
}

enum class Case { Plain, Watermark, Texts };

double MillisecondsPerPage(const std::string& page, int count, int xDpi, int yDpi, Case c) {
    twhost::DevModeBuilder builder(kPrinter);
    builder.Dpi(xDpi, yDpi);
    tw::TarnwellDEVMODE probe = builder.Record();
    const std::wstring root = std::wstring(tw::settings::kRoot) + L"\\" + tw::settings::PrinterRegistryName(&probe);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
    if (c == Case::Watermark) {
        builder.Set(L"WatermarkImage", L"1");
        builder.Set(L"PortraitWatermarkImage", WritePicture());
        builder.Set(L"WatermarkPortraitPosition1", L"1");
    } else if (c == Case::Texts) {
        builder.Set(L"AnnotationText1", L"<<DOCNAME>> page <<PAGENUM>>");
        builder.Set(L"AnnotationOptions", L"0x2003");  // texts and date
        builder.Set(L"BatesNumberingEnabled", L"1");
        SetText(root + L"\\Header Settings", L"Header Enable", L"1");
        SetText(root + L"\\Header Settings", L"Header Text", L"Header of <<DOCNAME>>");
        SetText(root + L"\\Footer Settings", L"Footer Enable", L"1");
        SetText(root + L"\\Footer Settings", L"Footer Text", L"Printed <<PRINTING DATE US>>");
        SetText(root + L"\\Text Watermark Stamp Settings", L"Text Stamp Enable", L"1");
        SetText(root + L"\\Text Watermark Stamp Settings", L"Text", L"CONFIDENTIAL");
        const DWORD rotation = 45, visibility = 50;
        ::RegSetKeyValueW(HKEY_CURRENT_USER, (root + L"\\Text Watermark Stamp Settings").c_str(), L"Rotation",
                          REG_DWORD, &rotation, sizeof(rotation));
        ::RegSetKeyValueW(HKEY_CURRENT_USER, (root + L"\\Text Watermark Stamp Settings").c_str(), L"Visibility",
                          REG_DWORD, &visibility, sizeof(visibility));
        const std::wstring bates = root + L"\\BatesNumbering\\1";
        for (auto [name, value] : {std::pair{L"Name", L"Bench"}, {L"Prefix", L"B"}, {L"Use prefix", L"1"},
                                   {L"Start with", L"1"}, {L"Font Facename", L"Arial"}, {L"Position", L"4"}})
            SetText(bates, name, value);
    }
    tw::CTWJob job;
    job.SetPrinterName(kPrinter);
    job.SetDocumentName(L"Bench document");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        tw::TarnwellDEVMODE dm = builder.Record();
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, page.size());
        {
            tw::GlobalLockGuard<char> p(block);
            memcpy(p.get(), page.data(), page.size());
        }
        tw::UniqueHGlobal owned(block);
        tw::CEMFImage image(&job);
        if (!image.Create(owned.get(), page.size(), dm)) std::fprintf(stderr, "page %d failed\n", i);
    }
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
    return ms / count;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10;
    twhost::HostEnvironment env;
    twhost::SimPrinter printer;
    printer.name = kPrinter;
    env.Spooler().AddPrinter(printer);
    const std::string page = ReadAll(ProgramDir() + L"\\..\\..\\examples\\page1.emf");
    if (page.empty()) {
        std::fprintf(stderr, "examples\\page1.emf not found\n");
        return 1;
    }
    const int dpis[][2] = {{204, 196}, {300, 300}};
    for (const auto& d : dpis) {
        MillisecondsPerPage(page, 2, d[0], d[1], Case::Texts);  // fonts and libraries loaded once
        const double plain = MillisecondsPerPage(page, count, d[0], d[1], Case::Plain);
        const double watermark = MillisecondsPerPage(page, count, d[0], d[1], Case::Watermark);
        const double texts = MillisecondsPerPage(page, count, d[0], d[1], Case::Texts);
        std::printf("%dx%d dpi: page %.1f ms; full-page watermark +%.1f ms; five texts +%.1f ms\n", d[0], d[1], plain,
                    watermark - plain, texts - plain);
    }
    return 0;
}
