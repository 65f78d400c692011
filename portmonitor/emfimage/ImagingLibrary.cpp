// Loading TWIMGUser.dll and calling its ordinals.
#include "emfimage/ImagingLibrary.h"

#include "monitor/Trace.h"

namespace tw {
namespace {

FARPROC Entry(HMODULE module, WORD ordinal) { return ::GetProcAddress(module, MAKEINTRESOURCEA(ordinal)); }

}  // namespace

bool CImagingLibrary::Load() {
    TW_TRACE(L"> CImagingLibrary::Load");
    m_module.reset(::LoadLibraryW(twimg::kLibraryName));
    if (!m_module) {
        TW_TRACE(L"< CImagingLibrary::Load[!LoadLibrary %s]: FALSE (%lu)", twimg::kLibraryName, ::GetLastError());
        return false;
    }
    m_pfnBrightness = reinterpret_cast<PFN_TwImgBrightnessContrast>(Entry(m_module.get(), twimg::kOrdinalBrightnessContrast));
    bool complete = m_pfnBrightness != nullptr;
    for (WORD i = 0; i < 4; ++i) {
        m_pfnReduce[i] = reinterpret_cast<PFN_TwImgReduceColors>(Entry(m_module.get(), WORD(twimg::kOrdinalReduceDefault + i)));
        complete = complete && m_pfnReduce[i];
    }
    if (!complete) {
        m_pfnBrightness = nullptr;
        for (auto& fn : m_pfnReduce) fn = nullptr;
        m_module.reset();
        TW_TRACE_FAILED(L"CImagingLibrary::Load", L"GetProcAddress");
        return false;
    }
    TW_TRACE_RESULT(L"CImagingLibrary::Load", true);
    return true;
}

HGLOBAL CImagingLibrary::BrightnessContrast(HGLOBAL image, int brightness, int contrast) const {
    return m_pfnBrightness ? m_pfnBrightness(image, brightness, contrast, 0) : nullptr;
}

HGLOBAL CImagingLibrary::Reduce(WORD ordinal, HGLOBAL image, int bits) const {
    if (ordinal < twimg::kOrdinalReduceDefault || ordinal > twimg::kOrdinalReduceThreshold) return nullptr;
    PFN_TwImgReduceColors fn = m_pfnReduce[ordinal - twimg::kOrdinalReduceDefault];
    return fn ? fn(image, bits) : nullptr;
}

}  // namespace tw
