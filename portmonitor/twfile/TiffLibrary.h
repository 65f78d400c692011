#pragma once
// The TIFF library the TIFF and fax writers load at run time: named by the DEVMODE, located
// like the driver's other libraries, and used through entry points resolved by name.
#include <windows.h>

#include <initializer_list>
#include <string>

#include "base/UniqueHandle.h"
#include "tifflib/Tiff32.h"

namespace tw {

class CTWJob;
class TarnwellDEVMODE;

// The text reported when the library cannot be loaded.
inline constexpr wchar_t kTiffLibraryNotLoaded[] = L"TIFF32.DLL cannot be loaded";

// The entry points; each is null until resolved.
struct TiffFunctions {
#define TW_TIFF_SLOT(name) PFN_##name name = nullptr;
    TW_TIFF32_EXPORTS(TW_TIFF_SLOT)
#undef TW_TIFF_SLOT
};

// The sets of entry points each writer needs.
namespace tiffapi {
// The resident file writer's table; every one but UpdatePageNumbersW is required.
inline constexpr std::initializer_list<const char*> kFileWriter = {
    twtiff::kOpenTiffFileW, twtiff::kDefineTiffImage, twtiff::kDefineTiffImageInfoBuffer,
    twtiff::kDefineTiffImageInfo, twtiff::kEncodeTiffImage, twtiff::kCloseTiffFile, twtiff::kSaveDIBInTiffFileW,
    twtiff::kGetTiffFileInfo, twtiff::kGetTiffImage, twtiff::kSaveTiffForCiscoFormatW,
    twtiff::kConvertTiffToCiscoFormatW, twtiff::kTiffError, twtiff::kSetTiffError, twtiff::kTiffErrorString,
    twtiff::kDropTiffImage, twtiff::kMoveLastImageFast};
inline constexpr std::initializer_list<const char*> kMemoryWriter = {
    twtiff::kOpenTiffInMemory, twtiff::kDefineTiffImage, twtiff::kDefineTiffImageInfoBuffer,
    twtiff::kDefineTiffImageInfo, twtiff::kEncodeTiffImage, twtiff::kCloseTiffFile, twtiff::kSaveDIBInTiffFile,
    twtiff::kGetTiffFileInfo, twtiff::kGetTiffImage, twtiff::kUpdatePageNumbersInMemory,
    twtiff::kMoveLastImageFast, twtiff::kDropTiffImage, twtiff::kTiffError, twtiff::kSetTiffError,
    twtiff::kTiffErrorString};
inline constexpr std::initializer_list<const char*> kCcitt = {twtiff::kEncodeCcittImage};
inline constexpr std::initializer_list<const char*> kIoca = {twtiff::kOpenTiffFileW, twtiff::kEncodeMMRImage,
                                                             twtiff::kWriteIOCAHeader, twtiff::kWriteIOCATail};
}  // namespace tiffapi

class CTiffLibrary {
public:
    CTiffLibrary() = default;
    CTiffLibrary(const CTiffLibrary&) = delete;
    CTiffLibrary& operator=(const CTiffLibrary&) = delete;

    // Loads the library the DEVMODE names (TIFF32.DLL when it names none) and resolves every
    // entry point it has. FALSE when it cannot be loaded; nothing is reported.
    BOOL Load(const TarnwellDEVMODE& dm);
    // Load and Has together for a writer: a library that cannot be loaded is reported as
    // kTiffLibraryNotLoaded, one without the `required` entry points as internal error
    // `missingCode`, both through the job.
    bool LoadFor(CTWJob* job, const TarnwellDEVMODE& dm, std::initializer_list<const char*> required, int missingCode);
    // TRUE when every entry point of `required` was found.
    bool Has(std::initializer_list<const char*> required) const;
    bool Loaded() const { return m_module.valid(); }
    void Free();
    const TiffFunctions& Fn() const { return m_fn; }

    // The library's pending error and its text; 0 when there is none or it cannot be asked.
    int LastError() const;
    std::string ErrorText(int error) const;
    void ClearError() const;

private:
    UniqueModule m_module;
    TiffFunctions m_fn;
};

// The library path the DEVMODE asks for, as it is loaded.
std::wstring TiffLibraryPath(const TarnwellDEVMODE& dm);

}  // namespace tw
