// Damaged pages through CEMFImage, judged.
#include "host/PageFuzz.h"

#include <cstring>

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "emfimage/EMFImage.h"
#include "emfimage/PackedDib.h"
#include "emfimage/PageGeometry.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"

namespace twhost {
namespace {

constexpr int kFuzzDpi = 100;
constexpr DWORD kTrueColour = 3;

HGLOBAL BlockFrom(const Bytes& bytes) {
    // An empty page is still a block: the monitor gets one from every END_PAGE.
    tw::UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size()));
    if (!block) return nullptr;
    tw::GlobalLockGuard<BYTE> p(block.get());
    if (!p) return nullptr;
    if (!bytes.empty()) std::memcpy(p.get(), bytes.data(), bytes.size());
    return block.release();
}

FuzzResult Judged(FuzzVerdict verdict, std::wstring why, ULONGLONG start) {
    return {verdict, std::move(why), static_cast<DWORD>(::GetTickCount64() - start)};
}

// A failure is right only when the job was told.
FuzzResult Failure(const tw::CTWJob& job, ULONGLONG start) {
    if (job.HasError()) return Judged(FuzzVerdict::Refused, job.StatusText(), start);
    return Judged(FuzzVerdict::WrongResult, L"failed without an error through the job", start);
}

// What both paths set up for one damaged page: a job of the fuzzed printer and the page's block.
struct PageRun {
    PageRun(const std::wstring& printer, const DamagedPage& page, const tw::TarnwellDEVMODE& dmIn)
        // The printer is named before the image takes the job.
        : start(::GetTickCount64()), dm(dmIn), block(BlockFrom(page.bytes)),
          image((job.SetPrinterName(printer.c_str()), &job)) {}
    ULONGLONG start;
    tw::CTWJob job;
    tw::TarnwellDEVMODE dm;
    tw::UniqueHGlobal block;
    tw::CEMFImage image;
};

}  // namespace

const wchar_t* FuzzVerdictName(FuzzVerdict verdict) {
    switch (verdict) {
        case FuzzVerdict::Rendered: return L"rendered";
        case FuzzVerdict::Refused: return L"refused";
        case FuzzVerdict::WrongResult: return L"WRONG";
    }
    return L"?";
}

PageFuzzRenderer::PageFuzzRenderer() : m_printer(tw::FormatW(L"Page fuzz %lu", ::GetCurrentProcessId())), m_builder(m_printer) {
    SimPrinter printer;
    printer.name = m_printer;
    m_env.Spooler().AddPrinter(printer);
    m_builder.Dpi(kFuzzDpi, kFuzzDpi);
    m_limits.timeMs = kPageTimeMs;
}

PageFuzzRenderer::~PageFuzzRenderer() {
    const tw::TarnwellDEVMODE& dm = m_builder.Record();
    ::RegDeleteTreeW(HKEY_CURRENT_USER,
                     (std::wstring(tw::settings::kRoot) + L"\\" + tw::settings::PrinterRegistryName(&dm)).c_str());
}

FuzzResult PageFuzzRenderer::Render(const DamagedPage& page, uint64_t index) {
    DevModeBuilder builder = m_builder;
    if (index % 4 == 3) builder.ColorMode(kTrueColour);
    FuzzResult raster = Raster(page, builder.Record());
    if (page.intact && raster.verdict != FuzzVerdict::Rendered) {
        raster.verdict = FuzzVerdict::WrongResult;
        raster.why = L"a good page was not rendered: " + raster.why;
    }
    if (page.raw || index % 3 != 0 || raster.verdict == FuzzVerdict::WrongResult) return raster;
    // The vector path turns the page, which replays every record into a new metafile.
    builder.Set(L"IsRotatePaperEnabled", L"1");
    builder.Landscape(true);
    FuzzResult vector = Vector(page, builder.Record());
    vector.ms += raster.ms;
    return vector.verdict == FuzzVerdict::WrongResult ? vector : raster;
}

FuzzResult PageFuzzRenderer::Raster(const DamagedPage& page, const tw::TarnwellDEVMODE& dmIn) {
    PageRun run(m_printer, page, dmIn);
    const ULONGLONG start = run.start;
    tw::CTWJob& job = run.job;
    tw::TarnwellDEVMODE& dm = run.dm;
    tw::UniqueHGlobal& block = run.block;
    tw::CEMFImage& image = run.image;
    image.SetPlaybackLimits(m_limits);
    const BOOL ok = page.raw ? image.CreateFromRawData(block.get(), page.bytes.size(), dm)
                             : image.Create(block.get(), page.bytes.size(), dm);
    if (!ok) return Failure(job, start);
    if (job.HasError()) return Judged(FuzzVerdict::WrongResult, L"success after an error: " + job.StatusText(), start);
    if (image.Playback().exhausted) return Judged(FuzzVerdict::WrongResult, L"success with the budget used up", start);
    // The page must be the size the DEVMODE gives it, and whole.
    tw::PageBitmapInfo expected;
    tw::TarnwellDEVMODE sizing = dm;
    const int bits = dm.Read<DWORD>(tw::dmoff::ColorModeFormat) == kTrueColour ? 24 : 1;
    const tw::SizingResult sized = page.raw ? tw::FillRawDataBITMAPINFO(&sizing, bits, expected)
                                            : tw::FillBITMAPINFO(&sizing, bits, expected);
    if (sized != tw::SizingResult::Ok)
        return Judged(FuzzVerdict::WrongResult, L"success for a page that cannot be sized", start);
    tw::DibView view(image.PageDib());
    if (!view.valid()) return Judged(FuzzVerdict::WrongResult, L"success without a readable page DIB", start);
    if (view.Shape().width != expected.header.biWidth || view.Shape().height != expected.header.biHeight)
        return Judged(FuzzVerdict::WrongResult,
                      tw::FormatW(L"page %ldx%ld, expected %ldx%ld", view.Shape().width, view.Shape().height,
                                  expected.header.biWidth, expected.header.biHeight),
                      start);
    return Judged(FuzzVerdict::Rendered, L"", start);
}

FuzzResult PageFuzzRenderer::Vector(const DamagedPage& page, const tw::TarnwellDEVMODE& dmIn) {
    PageRun run(m_printer, page, dmIn);
    const ULONGLONG start = run.start;
    tw::CTWJob& job = run.job;
    tw::TarnwellDEVMODE& dm = run.dm;
    tw::UniqueHGlobal& block = run.block;
    tw::CEMFImage& image = run.image;
    tw::UniqueEnhMetaFile pageEmf, annotationEmf;
    tw::VectorSize size{}, dpi{};
    if (!image.CreateEnhMetaFileExt(block.get(), page.bytes.size(), dm, pageEmf, annotationEmf, size, dpi, TRUE))
        return Judged(FuzzVerdict::Refused, job.HasError() ? job.StatusText() : L"vector path failed", start);
    ENHMETAHEADER header{};
    if (!pageEmf || !::GetEnhMetaFileHeader(pageEmf.get(), sizeof(header), &header))
        return Judged(FuzzVerdict::WrongResult, L"vector success without a metafile", start);
    return Judged(FuzzVerdict::Rendered, L"", start);
}

}  // namespace twhost
