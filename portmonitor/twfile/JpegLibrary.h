#pragma once
// The JPEG library the JPEG writers load for each page: named by the DEVMODE ("JPEG32.DLL" when
// it names none), located like the driver's other libraries and told where the TIFF library is.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"
#include "jpeglib/Jpeg32.h"

namespace tw {

class TarnwellDEVMODE;

inline constexpr wchar_t kJpegLibraryName[] = L"JPEG32.DLL";
// The text reported when the library cannot be loaded.
inline constexpr wchar_t kJpegLibraryNotLoaded[] = L"JPEG32.DLL cannot be loaded";

namespace jpegapi {
inline constexpr char kSaveDIBInJPEGFileW[] = "SaveDIBInJPEGFileW";
inline constexpr char kSaveDIBInJPEGFileExW[] = "SaveDIBInJPEGFileExW";
inline constexpr char kSetTiffDllName[] = "SetTiffDllName";
}  // namespace jpegapi

class CJpegLibrary {
public:
    // Loads the library and, when it takes it, tells it the TIFF library's path. FALSE when
    // it cannot be loaded.
    BOOL Load(const TarnwellDEVMODE& dm);
    // The entry point `name`, or null when the library lacks it.
    template <typename Fn>
    Fn Entry(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_module.get(), name)));
    }

private:
    UniqueModule m_module;
};

std::wstring JpegLibraryPath(const TarnwellDEVMODE& dm);

}  // namespace tw
