#pragma once
// The imaging library TWIMGUser.dll as the colour reduction uses it: loaded for one page and
// its entries taken by ordinal.
#include <windows.h>

#include "base/UniqueHandle.h"
#include "imaging/TWIMGUser.h"

namespace tw {

class CImagingLibrary {
public:
    // Loads the library from the usual search path; false when it or one of its entries is missing.
    bool Load();

    // Ordinal 79. Null when the library refuses or is not loaded.
    HGLOBAL BrightnessContrast(HGLOBAL image, int brightness, int contrast) const;
    // Ordinals 80 to 83 to `bits` (1 or 8). Null when the library refuses or is not loaded.
    HGLOBAL Reduce(WORD ordinal, HGLOBAL image, int bits) const;

private:
    UniqueModule m_module;
    PFN_TwImgBrightnessContrast m_pfnBrightness = nullptr;
    PFN_TwImgReduceColors m_pfnReduce[4] = {};  // ordinals 80 to 83
};

}  // namespace tw
