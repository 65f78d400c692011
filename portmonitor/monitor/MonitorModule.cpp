#include "monitor/MonitorModule.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "emfimage/FillSurfaces.h"
#include "job/SettingsScope.h"
#include "monitor/ThreadBlock.h"
#include "monitor/Trace.h"
#include "ocr/OCR.h"
#include "twfile/gif/GifModule.h"
#include "twfile/png/PngModule.h"

namespace tw::module {
namespace {
HINSTANCE g_hInstance = nullptr;
// Copies of the spooler's blocks: a spooler may hand them over on its stack, so a pointer kept
// past InitializePrintMonitor2 would dangle.
MONITORINIT g_monitorInit{};
MONITORREG g_monitorReg{};
bool g_haveMonitorInit = false;
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
    if (!TwGIFMain(DLL_PROCESS_ATTACH)) {
        TW_TRACE(L"DllMain: ERROR: TwGIFMain failed!");
        return FALSE;
    }
    if (!TwPNGMain(DLL_PROCESS_ATTACH)) {
        TW_TRACE(L"DllMain: ERROR: TwPNGMain failed!");
        return FALSE;
    }
    return TRUE;
}

void ProcessDetach() {
    TwPNGMain(DLL_PROCESS_DETACH);
    TwGIFMain(DLL_PROCESS_DETACH);
    threadblock::Detach();
    threadblock::FreeSlot();
    FreeOcrLibrary();
    g_ocrLock.reset();
}

BOOL ThreadAttach() {
    TwGIFMain(DLL_THREAD_ATTACH);
    TwPNGMain(DLL_THREAD_ATTACH);
    return threadblock::Attach() ? TRUE : FALSE;
}
void ThreadDetach() {
    TwGIFMain(DLL_THREAD_DETACH);
    TwPNGMain(DLL_THREAD_DETACH);
    FillSurfaces::ReleaseThread();
    settings::ReleaseThreadSettings();
    threadblock::Detach();
}

HINSTANCE Instance() { return g_hInstance ? g_hInstance : ::GetModuleHandleW(nullptr); }

CriticalSection& OcrLock() {
    if (!g_ocrLock) g_ocrLock = std::make_unique<CriticalSection>(1024);
    return *g_ocrLock;
}

void SetMonitorInit(PMONITORINIT init) {
    g_haveMonitorInit = init != nullptr;
    g_monitorInit = MONITORINIT{};
    g_monitorReg = MONITORREG{};
    if (!init) return;
    std::memcpy(&g_monitorInit, init, std::min<size_t>(init->cbSize ? init->cbSize : sizeof(MONITORINIT), sizeof(MONITORINIT)));
    if (init->pMonitorReg) {
        const DWORD cb = init->pMonitorReg->cbSize ? init->pMonitorReg->cbSize : sizeof(MONITORREG);
        std::memcpy(&g_monitorReg, init->pMonitorReg, std::min<size_t>(cb, sizeof(MONITORREG)));
        g_monitorInit.pMonitorReg = &g_monitorReg;
    }
}
PMONITORINIT MonitorInit() { return g_haveMonitorInit ? &g_monitorInit : nullptr; }
void SetOwnName(const std::wstring& name) { g_ownName = name.substr(0, MAX_PATH); }
const std::wstring& OwnName() { return g_ownName; }

}  // namespace tw::module
