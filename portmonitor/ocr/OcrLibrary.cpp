// Loading the OCR library: once per process, under the monitor's OCR lock, reused by every job.
#include <optional>
#include <string>

#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/MonitorModule.h"
#include "monitor/Trace.h"
#include "ocr/OCR.h"
#include "ocr/OcrTexts.h"

namespace tw {
namespace {

HMODULE g_hOcrLibrary = nullptr;  // guarded by module::OcrLock()

template <typename T>
T Entry(HMODULE library, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace

void FreeOcrLibrary() {
    CsLock hold(module::OcrLock());
    if (g_hOcrLibrary) ::FreeLibrary(g_hOcrLibrary);
    g_hOcrLibrary = nullptr;
}

bool COCR::LoadDll(const TarnwellDEVMODE* dm) {
    TW_TRACE(L"> COCR::LoadDll");
    if (m_bLoaded) return true;
    if (!dm) {
        RecordError(ocrerr::kInvalidParameters);
        TW_TRACE_FAILED(L"COCR::LoadDll", L"DEVMODE");
        return false;
    }
    {
        CsLock hold(module::OcrLock());
        if (!g_hOcrLibrary) {
            std::optional<std::wstring> path = settings::ReadString(dm, settings::kOcrSettings, settings::kOcrLibraryPath);
            if (!path || path->empty()) {
                TW_TRACE(L"%s", ocrtext::kLogNoPath);
                RecordError(ocrerr::kNoLibraryPath);
                return false;
            }
            // The library's own dependencies resolve from its folder; the process's current
            // directory, which every thread of the spooler shares, stays as it is.
            g_hOcrLibrary = ::LoadLibraryExW(path->c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
            if (!g_hOcrLibrary) {
                RecordError(ocrerr::kLoadLibrary, FormatW(ocrtext::kWindowsError, static_cast<int>(::GetLastError())));
                TW_TRACE_FAILED(L"COCR::LoadDll", L"LoadLibrary");
                return false;
            }
        }
        m_hLibrary = g_hOcrLibrary;
    }
    m_pfnRecognise = Entry<PFN_OCRDIBW>(m_hLibrary, ocrtext::kRecogniseEntry);
    m_pfnRecogniseEx = Entry<PFN_OCRDIBEXW>(m_hLibrary, ocrtext::kRecogniseExEntry);
    m_pfnFreeText = Entry<PFN_TWOCRFREETEXTW>(m_hLibrary, ocrtext::kFreeTextEntry);
    if (!m_pfnRecognise || !m_pfnRecogniseEx || !m_pfnFreeText) {
        RecordError(ocrerr::kEntryPoints, FormatW(ocrtext::kWindowsError, static_cast<int>(::GetLastError())));
        m_pfnRecognise = nullptr;
        m_pfnRecogniseEx = nullptr;
        m_pfnFreeText = nullptr;
        TW_TRACE_FAILED(L"COCR::LoadDll", L"GetProcAddress");
        return false;
    }
    m_bLoaded = true;
    TW_TRACE_RESULT(L"COCR::LoadDll", true);
    return true;
}

}  // namespace tw
