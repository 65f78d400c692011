#include "formfiller/FormFillerLibraries.h"

#include "formfiller/FormFillerTexts.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

namespace ff = formfiller;

UniqueModule LoadFrom(const std::wstring& directory, const wchar_t* name, bool required,
                      const CFormFillerLibraries::Reporter& report) {
    const std::wstring path = directory + name;
    UniqueModule module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) report(required, ff::kMsgLoadLibrary, path, ::GetLastError());
    return module;
}

// Resolves every entry of `names` into `slots`; on the first that is missing, clears them all.
template <size_t N>
bool Resolve(HMODULE module, const char* const (&names)[N], FARPROC* const (&slots)[N], DWORD& error) {
    for (size_t i = 0; i < N; ++i) {
        *slots[i] = ::GetProcAddress(module, names[i]);
        if (!*slots[i]) {
            error = ::GetLastError();
            for (FARPROC* slot : slots) *slot = nullptr;
            return false;
        }
    }
    return true;
}

template <typename T>
FARPROC* Slot(T& entry) { return reinterpret_cast<FARPROC*>(&entry); }

}  // namespace

bool CFormFillerLibraries::Load(const std::wstring& directory, const Reporter& report) {
    TW_TRACE(L"> CFormFillerLibraries::Load %s", directory.c_str());
    if (m_bTried) return Usable();
    m_bTried = true;
    m_imaging2 = LoadFrom(directory, ff::kImaging2Library, false, report);
    m_imaging3 = LoadFrom(directory, ff::kImaging3Library, false, report);
    m_colour = LoadFrom(directory, ff::kColourLibrary, false, report);
    m_imagingModule = LoadFrom(directory, ff::kImagingLibrary, true, report);
    m_annotationModule = LoadFrom(directory, ff::kAnnotationLibrary, true, report);
    m_blankModule = LoadFrom(directory, ff::kBlankLibrary, false, report);

    DWORD error = 0;
    if (m_imagingModule) {
        static const char* const names[] = {"GetNumberOfImagesInTiffFileW", "LoadTiffIntoDIBW",
                                            "LoadAnnotationFromTiffW",      "OpenTiffInMemory",
                                            "CloseTiffFile",                "LoadTiffChainIntoDIB",
                                            "NumberOfTiffImages",           "LoadAnnotationFromTiffChain"};
        ImagingEntries& e = m_imaging;
        FARPROC* const slots[] = {Slot(e.GetNumberOfImagesInTiffFileW), Slot(e.LoadTiffIntoDIBW),
                                  Slot(e.LoadAnnotationFromTiffW),      Slot(e.OpenTiffInMemory),
                                  Slot(e.CloseTiffFile),                Slot(e.LoadTiffChainIntoDIB),
                                  Slot(e.NumberOfTiffImages),           Slot(e.LoadAnnotationFromTiffChain)};
        if (!Resolve(m_imagingModule.get(), names, slots, error)) {
            report(true, ff::kMsgLoadFunctions, directory + ff::kImagingLibrary, error);
            m_imagingModule.reset();
        }
    }
    if (m_annotationModule) {
        static const char* const names[] = {"AnnoObjDeselect", "AnnoDrawAll", "DestroyAnnoHandle", "AnnoSelectPage",
                                            "AnnoSetDPI"};
        AnnotationEntries& e = m_annotation;
        FARPROC* const slots[] = {Slot(e.AnnoObjDeselect), Slot(e.AnnoDrawAll), Slot(e.DestroyAnnoHandle),
                                  Slot(e.AnnoSelectPage), Slot(e.AnnoSetDPI)};
        if (!Resolve(m_annotationModule.get(), names, slots, error)) {
            report(true, ff::kMsgLoadFunctions, directory + ff::kAnnotationLibrary, error);
            m_annotationModule.reset();
        }
    }
    if (m_blankModule) {
        m_isImageBlank = reinterpret_cast<PFN_ISIMAGEBLANK>(::GetProcAddress(m_blankModule.get(), "IsImageBlank"));
        if (!m_isImageBlank) {
            report(false, ff::kMsgLoadFunctions, directory + ff::kBlankLibrary, ::GetLastError());
            m_blankModule.reset();
        }
    }
    TW_TRACE(L"< CFormFillerLibraries::Load: %s", Usable() ? L"TRUE" : L"FALSE");
    return Usable();
}

}  // namespace tw
