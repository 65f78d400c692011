#include "monitor/MonitorModule.h"

#include <memory>

#include "monitor/ThreadBlock.h"
#include "monitor/Trace.h"

namespace tw::module {
namespace {
HINSTANCE g_hInstance = nullptr;
PMONITORINIT g_pMonitorInit = nullptr;
std::wstring g_ownName;
// The port list keeps its own lock; this one serialises the OCR library.
std::unique_ptr<CriticalSection> g_ocrLock;
}  // namespace

BOOL ProcessAttach(HINSTANCE hInstance) {
    TW_TRACE(L"> DllEntryPoint(DLL_PROCESS_ATTACH)");
    if (!g_ocrLock) g_ocrLock = std::make_unique<CriticalSection>(1024);
    g_hInstance = hInstance;
    if (!threadblock::AllocateSlot()) {
        TW_TRACE_FAILED(L"DllEntryPoint", L"TlsAlloc");
        return FALSE;
    }
    threadblock::Attach();
    return TRUE;
}

void ProcessDetach() {
    threadblock::Detach();
    threadblock::FreeSlot();
    g_ocrLock.reset();
}

BOOL ThreadAttach() { return threadblock::Attach() ? TRUE : FALSE; }
void ThreadDetach() { threadblock::Detach(); }

HINSTANCE Instance() { return g_hInstance ? g_hInstance : ::GetModuleHandleW(nullptr); }

CriticalSection& OcrLock() {
    if (!g_ocrLock) g_ocrLock = std::make_unique<CriticalSection>(1024);
    return *g_ocrLock;
}

void SetMonitorInit(PMONITORINIT init) { g_pMonitorInit = init; }
PMONITORINIT MonitorInit() { return g_pMonitorInit; }
void SetOwnName(const std::wstring& name) { g_ownName = name.substr(0, MAX_PATH); }
const std::wstring& OwnName() { return g_ownName; }

}  // namespace tw::module
