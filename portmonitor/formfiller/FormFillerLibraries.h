#pragma once
// The cover page libraries of one job, loaded once from the filler directory, with the entry
// points the hand-off and the drawing use.
#include <windows.h>

#include <functional>
#include <string>

#include "base/UniqueHandle.h"
#include "coverpage/CoverPageLibraries.h"

namespace tw {

struct ImagingEntries {
    PFN_GETNUMBEROFIMAGESINTIFFFILEW GetNumberOfImagesInTiffFileW = nullptr;
    PFN_LOADTIFFINTODIBW LoadTiffIntoDIBW = nullptr;
    PFN_LOADANNOTATIONFROMTIFFW LoadAnnotationFromTiffW = nullptr;
    PFN_OPENTIFFINMEMORY OpenTiffInMemory = nullptr;
    PFN_CLOSETIFFFILE CloseTiffFile = nullptr;
    PFN_LOADTIFFCHAININTODIB LoadTiffChainIntoDIB = nullptr;
    PFN_NUMBEROFTIFFIMAGES NumberOfTiffImages = nullptr;
    PFN_LOADANNOTATIONFROMTIFFCHAIN LoadAnnotationFromTiffChain = nullptr;
};
struct AnnotationEntries {
    PFN_ANNOOBJDESELECT AnnoObjDeselect = nullptr;
    PFN_ANNODRAWALL AnnoDrawAll = nullptr;
    PFN_DESTROYANNOHANDLE DestroyAnnoHandle = nullptr;
    PFN_ANNOSELECTPAGE AnnoSelectPage = nullptr;
    PFN_ANNOSETDPI AnnoSetDPI = nullptr;
};

class CFormFillerLibraries {
public:
    // How a library that will not load or lacks an entry point is reported: `error` for the
    // imaging and annotation libraries, a warning for the others.
    using Reporter = std::function<void(bool error, const wchar_t* format, const std::wstring& path, DWORD code)>;

    // Loads the six libraries from `directory` (ending in a backslash); once per job, later
    // calls do nothing. True when the imaging and the annotation library are both usable.
    bool Load(const std::wstring& directory, const Reporter& report);
    bool Usable() const { return m_imagingModule && m_annotationModule; }
    const ImagingEntries& Imaging() const { return m_imaging; }
    const AnnotationEntries& Annotation() const { return m_annotation; }
    // IsImageBlank, or null without the blank-detection library.
    PFN_ISIMAGEBLANK IsImageBlank() const { return m_isImageBlank; }

private:
    bool m_bTried = false;
    UniqueModule m_imagingModule, m_annotationModule, m_blankModule, m_imaging2, m_imaging3, m_colour;
    ImagingEntries m_imaging;
    AnnotationEntries m_annotation;
    PFN_ISIMAGEBLANK m_isImageBlank = nullptr;
};

}  // namespace tw
