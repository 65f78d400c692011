#pragma once
// The optional plug-in library a printer names in its INI file: it sees the document, each page
// and the end, and may decline them. Every call sees the record with landscape width and height
// exchanged, as the plug-in expects, and exchanged back afterwards.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"
#include "plugin/TwPlugIn.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {

class CPlugin {
public:
    // Loads the library and takes whichever entry points it has; false when it does not load.
    bool Load(const std::wstring& fileName);
    bool Loaded() const { return m_module.valid(); }

    // Each answers TRUE when the library or the entry point is missing.
    BOOL StartDoc(TarnwellDEVMODE& dm);
    BOOL StartPage(TarnwellDEVMODE& dm);
    BOOL EndPage(TarnwellDEVMODE& dm, DWORD page);
    BOOL EndDoc(TarnwellDEVMODE& dm, const std::wstring& groupFile);
    void Abort(TarnwellDEVMODE& dm);
    bool HasStartDoc() const { return m_pfnStartDoc != nullptr; }

private:
    UniqueModule m_module;
    PFN_TwStartDoc m_pfnStartDoc = nullptr;
    PFN_TwStartPage m_pfnStartPage = nullptr;
    PFN_TwEndPage m_pfnEndPage = nullptr;
    PFN_TwEndDoc m_pfnEndDoc = nullptr;
    PFN_TwAbort m_pfnAbort = nullptr;
    void* m_pUserData = nullptr;
    void* m_pReserved = nullptr;
};

}  // namespace tw
