#include "twfile/JpegLibrary.h"

#include "monitor/Trace.h"
#include "portcmd/DevModeDllName.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "twfile/AnsiPath.h"
#include "twfile/TiffLibrary.h"

namespace tw {

std::wstring JpegLibraryPath(const TarnwellDEVMODE& dm) {
    std::wstring configured = dm.GetText(dmtext::JPEGDllName);
    if (configured.empty()) configured = kJpegLibraryName;
    std::wstring path;
    if (!GetCorrectDllName(configured, path)) path = configured;
    return path;
}

BOOL CJpegLibrary::Load(const TarnwellDEVMODE& dm) {
    const std::wstring path = JpegLibraryPath(dm);
    TW_TRACE(L"JPEG dll name: %s", path.c_str());
    m_module.reset(::LoadLibraryW(path.c_str()));
    if (!m_module) {
        TW_TRACE(L"CJpegLibrary::Load: LoadLibrary failed: %lu", ::GetLastError());
        return FALSE;
    }
    if (auto setTiff = Entry<PFN_SetTiffDllName>(jpegapi::kSetTiffDllName))
        setTiff(ToAnsiPath(TiffLibraryPath(dm)).c_str());
    return TRUE;
}

}  // namespace tw
