#include "job/Plugin.h"

#include "job/DevModeCorrection.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// Exchanges landscape width and height for the duration of one plug-in call.
class LandscapeExchange {
public:
    explicit LandscapeExchange(TarnwellDEVMODE& dm) : m_dm(dm) { SwapLandscapeWidthHeight(m_dm); }
    ~LandscapeExchange() { SwapLandscapeWidthHeight(m_dm); }
    LandscapeExchange(const LandscapeExchange&) = delete;
    LandscapeExchange& operator=(const LandscapeExchange&) = delete;
private:
    TarnwellDEVMODE& m_dm;
};

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(::GetProcAddress(module, name));
}

}  // namespace

bool CPlugin::Load(const std::wstring& fileName) {
    m_module.reset(::LoadLibraryW(fileName.c_str()));
    if (!m_module) {
        TW_TRACE(L"CPlugin::Load: %s not loaded (%lu)", fileName.c_str(), ::GetLastError());
        return false;
    }
    HMODULE module = m_module.get();
    m_pfnStartDoc = Entry<PFN_TwStartDoc>(module, twplugin::kStartDocExport);
    m_pfnStartPage = Entry<PFN_TwStartPage>(module, twplugin::kStartPageExport);
    m_pfnEndPage = Entry<PFN_TwEndPage>(module, twplugin::kEndPageExport);
    m_pfnEndDoc = Entry<PFN_TwEndDoc>(module, twplugin::kEndDocExport);
    m_pfnAbort = Entry<PFN_TwAbort>(module, twplugin::kAbortExport);
    return true;
}

BOOL CPlugin::StartDoc(TarnwellDEVMODE& dm) {
    if (!m_pfnStartDoc) return TRUE;
    LandscapeExchange exchange(dm);
    return m_pfnStartDoc(dm.AsDevModeW(), &m_pUserData, &m_pReserved);
}

BOOL CPlugin::StartPage(TarnwellDEVMODE& dm) {
    if (!m_pfnStartPage) return TRUE;
    LandscapeExchange exchange(dm);
    return m_pfnStartPage(dm.AsDevModeW(), m_pUserData);
}

BOOL CPlugin::EndPage(TarnwellDEVMODE& dm, DWORD page) {
    if (!m_pfnEndPage) return TRUE;
    LandscapeExchange exchange(dm);
    return m_pfnEndPage(dm.AsDevModeW(), m_pUserData, page);
}

BOOL CPlugin::EndDoc(TarnwellDEVMODE& dm, const std::wstring& groupFile) {
    if (!m_pfnEndDoc) return TRUE;
    LandscapeExchange exchange(dm);
    return m_pfnEndDoc(dm.AsDevModeW(), m_pUserData, groupFile.c_str());
}

void CPlugin::Abort(TarnwellDEVMODE& dm) {
    if (!m_pfnAbort) return;
    LandscapeExchange exchange(dm);
    m_pfnAbort(dm.AsDevModeW(), m_pUserData);
}

}  // namespace tw
