// The five entry points. Each one reads the behaviour file afresh, logs its arguments and
// answers as the file says; none of them trusts a pointer it was given to be non-null.
#include "TwPlugIn.h"

#include <cstdint>

#include "DocumentTable.h"
#include "PlugInBehaviour.h"
#include "PlugInLog.h"
#include "monitor/Trace.h"

namespace {

using twplugin::CallLine;

std::uint64_t AsNumber(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

}  // namespace

extern "C" BOOL WINAPI TwStartDoc(DEVMODEW* pDevMode, void** ppUserData, void** ppReserved) {
    TW_TRACE(L"> TwStartDoc");
    const twplugin::Behaviour behaviour = twplugin::ReadBehaviour();
    const std::uintptr_t document = twplugin::DocumentTable::Instance().BeginDocument();

    CallLine line("TwStartDoc");
    line.DevMode(pDevMode);
    if (ppUserData) {
        *ppUserData = reinterpret_cast<void*>(document);
        line.Number("userData", document);
    } else {
        line.Null("userData");
    }
    if (ppReserved) line.Number("reserved", AsNumber(*ppReserved));
    else line.Null("reserved");
    twplugin::AppendLogLine(behaviour.logPath, line.str());

    // A declined document gets no further calls that would end it.
    if (behaviour.bDeclineDocument) {
        twplugin::DocumentTable::Instance().EndDocument(document);
        TW_TRACE_FAILED(L"TwStartDoc", L"DeclineDocument");
        return FALSE;
    }
    TW_TRACE_RESULT(L"TwStartDoc", TRUE);
    return TRUE;
}

extern "C" BOOL WINAPI TwStartPage(DEVMODEW* pDevMode, void* pUserData) {
    TW_TRACE(L"> TwStartPage");
    const twplugin::Behaviour behaviour = twplugin::ReadBehaviour();
    const DWORD call = twplugin::DocumentTable::Instance().CountStartPage(reinterpret_cast<std::uintptr_t>(pUserData));
    twplugin::AppendLogLine(behaviour.logPath,
                            CallLine("TwStartPage").DevMode(pDevMode).Number("userData", AsNumber(pUserData)).str());
    if (behaviour.dwDeclineStartPage != 0 && call == behaviour.dwDeclineStartPage) {
        TW_TRACE_FAILED(L"TwStartPage", L"DeclineStartPage");
        return FALSE;
    }
    TW_TRACE_RESULT(L"TwStartPage", TRUE);
    return TRUE;
}

extern "C" BOOL WINAPI TwEndPage(DEVMODEW* pDevMode, void* pUserData, DWORD dwPage) {
    TW_TRACE(L"> TwEndPage");
    const twplugin::Behaviour behaviour = twplugin::ReadBehaviour();
    twplugin::AppendLogLine(
        behaviour.logPath,
        CallLine("TwEndPage").DevMode(pDevMode).Number("userData", AsNumber(pUserData)).Number("page", dwPage).str());
    if (behaviour.dwDeclineEndPage != 0 && dwPage == behaviour.dwDeclineEndPage) {
        TW_TRACE_FAILED(L"TwEndPage", L"DeclineEndPage");
        return FALSE;
    }
    TW_TRACE_RESULT(L"TwEndPage", TRUE);
    return TRUE;
}

extern "C" BOOL WINAPI TwEndDoc(DEVMODEW* pDevMode, void* pUserData, LPCWSTR pszGroupFile) {
    TW_TRACE(L"> TwEndDoc");
    const twplugin::Behaviour behaviour = twplugin::ReadBehaviour();
    twplugin::DocumentTable::Instance().EndDocument(reinterpret_cast<std::uintptr_t>(pUserData));
    twplugin::AppendLogLine(behaviour.logPath, CallLine("TwEndDoc")
                                                   .DevMode(pDevMode)
                                                   .Number("userData", AsNumber(pUserData))
                                                   .Text("groupFile", pszGroupFile)
                                                   .str());
    if (behaviour.bDeclineEndDoc) {
        TW_TRACE_FAILED(L"TwEndDoc", L"DeclineEndDoc");
        return FALSE;
    }
    TW_TRACE_RESULT(L"TwEndDoc", TRUE);
    return TRUE;
}

extern "C" void WINAPI TwAbort(DEVMODEW* pDevMode, void* pUserData) {
    TW_TRACE(L"> TwAbort");
    const twplugin::Behaviour behaviour = twplugin::ReadBehaviour();
    twplugin::DocumentTable::Instance().EndDocument(reinterpret_cast<std::uintptr_t>(pUserData));
    twplugin::AppendLogLine(behaviour.logPath,
                            CallLine("TwAbort").DevMode(pDevMode).Number("userData", AsNumber(pUserData)).str());
    TW_TRACE(L"< TwAbort");
}
