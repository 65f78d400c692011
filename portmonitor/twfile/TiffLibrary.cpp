// Loading the TIFF library and resolving its entry points.
#include "twfile/TiffLibrary.h"

#include "monitor/Trace.h"
#include "portcmd/DevModeDllName.h"
#include "portcmd/DevModeLayout.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

template <typename F>
void Resolve(HMODULE module, F& slot, const char* name) {
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

std::wstring TiffLibraryPath(const TarnwellDEVMODE& dm) {
    std::wstring configured = dm.GetText(dmtext::TIFFDllName);
    if (configured.empty()) configured = twtiff::kLibraryName;
    std::wstring path;
    if (!GetCorrectDllName(configured, path)) path = configured;
    return path;
}

BOOL CTiffLibrary::Load(const TarnwellDEVMODE& dm) {
    Free();
    const std::wstring path = TiffLibraryPath(dm);
    TW_TRACE(L"TIFF dll name: %s", path.c_str());
    m_module.reset(::LoadLibraryW(path.c_str()));
    if (!m_module) {
        TW_TRACE(L"CTiffLibrary::Load: LoadLibrary failed: %lu", ::GetLastError());
        return FALSE;
    }
    HMODULE m = m_module.get();
    Resolve(m, m_fn.OpenTiffFileW, twtiff::kOpenTiffFileW);
    Resolve(m, m_fn.OpenTiffInMemory, twtiff::kOpenTiffInMemory);
    Resolve(m, m_fn.DefineTiffImage, twtiff::kDefineTiffImage);
    Resolve(m, m_fn.DefineTiffImageInfo, twtiff::kDefineTiffImageInfo);
    Resolve(m, m_fn.DefineTiffImageInfoBuffer, twtiff::kDefineTiffImageInfoBuffer);
    Resolve(m, m_fn.EncodeTiffImage, twtiff::kEncodeTiffImage);
    Resolve(m, m_fn.DropTiffImage, twtiff::kDropTiffImage);
    Resolve(m, m_fn.CloseTiffFile, twtiff::kCloseTiffFile);
    Resolve(m, m_fn.GetTiffFileInfo, twtiff::kGetTiffFileInfo);
    Resolve(m, m_fn.GetTiffImage, twtiff::kGetTiffImage);
    Resolve(m, m_fn.MoveLastImageFast, twtiff::kMoveLastImageFast);
    Resolve(m, m_fn.UpdatePageNumbersW, twtiff::kUpdatePageNumbersW);
    Resolve(m, m_fn.UpdatePageNumbersInMemory, twtiff::kUpdatePageNumbersInMemory);
    Resolve(m, m_fn.SaveDIBInTiffFileW, twtiff::kSaveDIBInTiffFileW);
    Resolve(m, m_fn.SaveDIBInTiffFile, twtiff::kSaveDIBInTiffFile);
    Resolve(m, m_fn.ConvertTiffToCiscoFormatW, twtiff::kConvertTiffToCiscoFormatW);
    Resolve(m, m_fn.SaveTiffForCiscoFormatW, twtiff::kSaveTiffForCiscoFormatW);
    Resolve(m, m_fn.TiffError, twtiff::kTiffError);
    Resolve(m, m_fn.SetTiffError, twtiff::kSetTiffError);
    Resolve(m, m_fn.TiffErrorString, twtiff::kTiffErrorString);
    Resolve(m, m_fn.EncodeCcittImage, twtiff::kEncodeCcittImage);
    Resolve(m, m_fn.EncodeMMRImage, twtiff::kEncodeMMRImage);
    Resolve(m, m_fn.WriteIOCAHeader, twtiff::kWriteIOCAHeader);
    Resolve(m, m_fn.WriteIOCATail, twtiff::kWriteIOCATail);
    return TRUE;
}

bool CTiffLibrary::Has(std::initializer_list<const char*> required) const {
    if (!m_module) return false;
    for (const char* name : required) {
        if (!::GetProcAddress(m_module.get(), name)) {
            TW_TRACE(L"CTiffLibrary: entry point %S missing", name);
            return false;
        }
    }
    return true;
}

void CTiffLibrary::Free() {
    m_fn = TiffFunctions{};
    m_module.reset();
}

int CTiffLibrary::LastError() const { return m_fn.TiffError ? m_fn.TiffError() : 0; }

std::string CTiffLibrary::ErrorText(int error) const {
    if (!m_fn.TiffErrorString || error == 0) return {};
    char buffer[twtiff::kErrorTextBytes] = {};
    if (!m_fn.TiffErrorString(buffer, error)) return {};
    buffer[sizeof(buffer) - 1] = '\0';
    return buffer;
}

void CTiffLibrary::ClearError() const {
    if (m_fn.SetTiffError) m_fn.SetTiffError(0);
}

}  // namespace tw
