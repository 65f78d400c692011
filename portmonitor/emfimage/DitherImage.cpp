// The method table of the colour reduction and the brightness step before it.
#include "emfimage/DitherImage.h"

#include "emfimage/ColorReduction.h"
#include "emfimage/ImagingLibrary.h"
#include "emfimage/PackedDib.h"
#include "job/JobOptions.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {

// The page a job without a record prints on.
constexpr LONGLONG kDefaultPageWidth = 1728;
constexpr LONGLONG kDefaultPageHeight = 2200;

// How one page is reduced.
enum class Method { Copy, GreyScale, Library, Stucki, FixedThreshold };
struct Choice {
    Method method;
    WORD ordinal = 0;  // for Method::Library
    WORD bits = 0;
};

Choice Choose(DWORD colorMode, LONG dithering) {
    using namespace dithercode;
    switch (colorMode) {
        case dmrule::kColorModeBlackWhite:
            switch (dithering) {
                case kOrdered: return {Method::Library, twimg::kOrdinalReduceOrdered, kBits1};
                case kJarvis: return {Method::Library, twimg::kOrdinalReduceJarvis, kBits1};
                case kThreshold: return {Method::Library, twimg::kOrdinalReduceThreshold, kBits1};
                case kStucki: return {Method::Stucki, 0, kBits1};
                case kFixedThreshold: return {Method::FixedThreshold, 0, kBits1};
                default: return {Method::Library, twimg::kOrdinalReduceDefault, kBits1};
            }
        case dmrule::kColorModeGray: return {Method::GreyScale, 0, kBits8};
        case dmrule::kColorModePalette:
            switch (dithering) {
                case kOrdered: return {Method::Library, twimg::kOrdinalReduceOrdered, kBits8};
                case kStucki: return {Method::Stucki, 0, kBits8};
                default: return {Method::Library, twimg::kOrdinalReduceDefault, kBits8};
            }
        default: return {Method::Copy};
    }
}

// What came back from the library is used only when it is an image of its own that we can read
// (of `bits` per pixel when that is asked); anything else is freed and counts as a refusal.
HGLOBAL Checked(HGLOBAL result, HGLOBAL input, WORD bits) {
    if (!result || result == input) return nullptr;
    bool usable;
    {
        DibView view(result);
        usable = view.valid() && (bits == 0 || view.Shape().bits == bits);
    }
    if (!usable) {
        TW_TRACE(L"DitherImage: the imaging library returned no usable image");
        ::GlobalFree(result);
        return nullptr;
    }
    return result;
}

}  // namespace

DitherOptions DitherOptionsFor(const TarnwellDEVMODE* dm, DWORD colorMode) {
    DitherOptions options;
    options.colorMode = colorMode;
    if (!dm) {
        options.pagePixels = kDefaultPageWidth * kDefaultPageHeight;
        return options;
    }
    options.dithering = dm->Read<LONG>(dmoff::Dithering);
    options.brightness = DmBrightness(dm);
    options.pagePixels = LONGLONG(dm->Read<LONG>(dmoff::PageWidthInPixels)) * dm->Read<LONG>(dmoff::PageHeightInPixels);
    return options;
}

HGLOBAL DitherImage(HGLOBAL pageDib, const DitherOptions& options) {
    TW_TRACE(L"> DitherImage: colour mode %lu, dithering %ld, brightness %lu", options.colorMode, options.dithering,
             options.brightness);
    if (!pageDib) {
        TW_TRACE_FAILED(L"DitherImage", L"image");
        return nullptr;
    }
    if (options.pagePixels > kMaxImagePixels) {
        TW_TRACE_FAILED(L"DitherImage", L"page size");
        return nullptr;
    }
    const Choice choice = Choose(options.colorMode, options.dithering);
    if (choice.method == Method::Copy) return CopyPackedDib(pageDib);

    const DWORD brightness = options.brightness > dmrule::kMaxBrightness ? dmrule::kMaxBrightness : options.brightness;
    CImagingLibrary library;
    const bool libraryLoaded = (brightness != kBrightnessUnchanged || choice.method == Method::Library) && library.Load();

    // A brightness change the library refuses leaves the page as it is.
    UniqueHGlobal adjusted;
    if (brightness != kBrightnessUnchanged && libraryLoaded) {
        TW_TRACE(L"DitherImage: ColorBrightnessContrast");
        adjusted.reset(Checked(library.BrightnessContrast(pageDib, int(brightness) - int(kBrightnessUnchanged), 0),
                               pageDib, 0));
    }
    HGLOBAL source = adjusted ? adjusted.get() : pageDib;

    HGLOBAL result = nullptr;
    switch (choice.method) {
        case Method::GreyScale: result = ConvertToGreyScale(source); break;
        case Method::Stucki: result = StuckiDither(source, choice.bits); break;
        case Method::FixedThreshold: result = FixedThreshold(source); break;
        case Method::Library:
            if (libraryLoaded) result = Checked(library.Reduce(choice.ordinal, source, choice.bits), source, choice.bits);
            break;
        case Method::Copy: break;
    }
    TW_TRACE(L"< DitherImage: %p", result);
    return result;
}

HGLOBAL DitherImage(HGLOBAL pageDib, const TarnwellDEVMODE* dm, DWORD jobId) {
    return DitherImage(pageDib, DitherOptionsFor(dm, EffectiveColorDepth(dm, jobId)));
}

bool PageNeedsColourReduction(DWORD colorMode, LONG dithering, bool rawDataPage) {
    switch (colorMode) {
        case dmrule::kColorModeGray:
        case dmrule::kColorModePalette: return true;
        case dmrule::kColorModeBlackWhite:
            return rawDataPage ? dithering == dithercode::kFixedThreshold : dithering != dithercode::kNone;
        default: return false;
    }
}

BOOL ReducePageColours(UniqueHGlobal& page, const TarnwellDEVMODE* dm, DWORD jobId, bool rawDataPage) {
    TW_TRACE(L"> ReducePageColours");
    const DitherOptions options = DitherOptionsFor(dm, EffectiveColorDepth(dm, jobId));
    if (!PageNeedsColourReduction(options.colorMode, options.dithering, rawDataPage)) {
        TW_TRACE(L"< ReducePageColours: not needed");
        return TRUE;
    }
    page.reset(DitherImage(page.get(), options));
    TW_TRACE_RESULT(L"ReducePageColours", page.valid());
    return page.valid();
}

}  // namespace tw
