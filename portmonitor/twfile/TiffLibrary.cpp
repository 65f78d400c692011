// Loading the TIFF library and resolving its entry points.
#include "twfile/TiffLibrary.h"

#include "job/TWJob.h"

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
#define TW_TIFF_RESOLVE(name) Resolve(m, m_fn.name, twtiff::k##name);
    TW_TIFF32_EXPORTS(TW_TIFF_RESOLVE)
#undef TW_TIFF_RESOLVE
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

bool CTiffLibrary::LoadFor(CTWJob* job, const TarnwellDEVMODE& dm, std::initializer_list<const char*> required,
                           int missingCode) {
    if (!Load(dm)) {
        job->HandleError(kTiffLibraryNotLoaded, __FILE__, __LINE__);
        return false;
    }
    if (!Has(required)) {
        job->HandleError(missingCode, __FILE__, __LINE__);
        return false;
    }
    return true;
}

}  // namespace tw
