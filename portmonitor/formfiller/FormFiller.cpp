// The hand-off to the cover page editor: the libraries and template, the kernel objects, the
// launch record the application starter acts on, the waits, and the drawing of the pages.
#include "formfiller/FormFiller.h"

#include <algorithm>
#include <cstdarg>

#include "base/WideString.h"
#include "emfimage/PackedDib.h"
#include "formfiller/FormFillerTexts.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "notify/PostPrintRecord.h"

namespace tw {
namespace {

namespace ff = formfiller;
namespace pp = postprint;

constexpr double kScreenDpi = 96.0;

// Restores a DC's world transform (and graphics mode) however drawing ends.
class WorldTransformGuard {
public:
    explicit WorldTransformGuard(HDC hdc) : m_hdc(hdc), m_mode(::SetGraphicsMode(hdc, GM_ADVANCED)) {
        m_saved = ::GetWorldTransform(hdc, &m_xform) != 0;
    }
    ~WorldTransformGuard() {
        if (m_saved) ::SetWorldTransform(m_hdc, &m_xform);
        if (m_mode == GM_COMPATIBLE) ::SetGraphicsMode(m_hdc, GM_COMPATIBLE);
    }
    WorldTransformGuard(const WorldTransformGuard&) = delete;
    WorldTransformGuard& operator=(const WorldTransformGuard&) = delete;
    bool Usable() const { return m_mode != 0 && m_saved; }
private:
    HDC m_hdc;
    int m_mode;
    XFORM m_xform{};
    bool m_saved = false;
};

}  // namespace

CFormFiller::~CFormFiller() {
    ReleasePages();
}

void CFormFiller::Report(bool error, int line, const wchar_t* format, va_list args) {
    const std::wstring text = VFormatW(format, args);
    TW_TRACE(L"CFormFiller: %s", text.c_str());
    if (!m_pJob) return;
    if (error)
        m_pJob->FormFillerError(__FILE__, line, L"%s", text.c_str());
    else
        m_pJob->FormFillerWarning(__FILE__, line, L"%s", text.c_str());
}

void CFormFiller::Error(int line, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Report(true, line, format, args);
    va_end(args);
}

void CFormFiller::Warning(int line, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Report(false, line, format, args);
    va_end(args);
}

bool CFormFiller::LoadLibraries(std::wstring directory) {
    TW_TRACE(L"> CFormFiller::LoadLibraries");
    if (!directory.empty() && directory.back() != L'\\' && directory.back() != L'/') directory += L'\\';
    m_szDirectory = directory;
    m_szEditorPath = directory + ff::kEditorName;
    const bool ok = m_libraries.Load(directory, [this](bool error, const wchar_t* format, const std::wstring& path,
                                                      DWORD code) {
        if (error)
            Error(__LINE__, format, path.c_str(), static_cast<int>(code));
        else
            Warning(__LINE__, format, path.c_str(), static_cast<int>(code));
    });
    TW_TRACE_RESULT(L"CFormFiller::LoadLibraries", ok);
    return ok;
}

int CFormFiller::LoadTemplate(const std::wstring& templatePath) {
    TW_TRACE(L"> CFormFiller::LoadTemplate %s", templatePath.c_str());
    m_szTemplate = templatePath;
    m_nPageCount = LibrariesUsable() ? m_libraries.Imaging().GetNumberOfImagesInTiffFileW(templatePath.c_str()) : 0;
    if (m_nPageCount <= 0) {
        m_nPageCount = 0;
        Error(__LINE__, ff::kMsgLoadTemplate, templatePath.c_str());
    }
    TW_TRACE(L"< CFormFiller::LoadTemplate: %d", m_nPageCount);
    return m_nPageCount;
}

bool CFormFiller::CreateObjects() {
    // A NULL DACL lets the editor in the user's session open the service's objects.
    UniqueHLocal descriptor(::LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptor) {
        Error(__LINE__, ff::kMsgNoMemoryForDescriptor);
        return false;
    }
    if (!::InitializeSecurityDescriptor(descriptor.get(), SECURITY_DESCRIPTOR_REVISION)) {
        Error(__LINE__, ff::kMsgInitDescriptor, static_cast<int>(::GetLastError()));
        return false;
    }
    if (!::SetSecurityDescriptorDacl(descriptor.get(), TRUE, nullptr, FALSE)) {
        Error(__LINE__, ff::kMsgSetDacl, static_cast<int>(::GetLastError()));
        return false;
    }
    SECURITY_ATTRIBUTES sa{sizeof(sa), descriptor.get(), FALSE};
    m_hCreateEvent.reset(::CreateEventW(&sa, TRUE, FALSE, m_names.createEvent.c_str()));
    if (!m_hCreateEvent) {
        Error(__LINE__, ff::kMsgCreateEvent, m_names.createEvent.c_str(), static_cast<int>(::GetLastError()));
        CloseObjects();
        return false;
    }
    m_hDoneEvent.reset(::CreateEventW(&sa, TRUE, FALSE, m_names.doneEvent.c_str()));
    if (!m_hDoneEvent) {
        Error(__LINE__, ff::kMsgCreateEvent, m_names.doneEvent.c_str(), static_cast<int>(::GetLastError()));
        CloseObjects();
        return false;
    }
    m_hMutex.reset(::CreateMutexW(&sa, FALSE, m_names.mutex.c_str()));
    if (!m_hMutex) {
        Error(__LINE__, ff::kMsgCreateMutex, m_names.mutex.c_str(), static_cast<int>(::GetLastError()));
        CloseObjects();
        return false;
    }
    return true;
}

void CFormFiller::CloseObjects() {
    m_hCreateEvent.reset();
    m_hDoneEvent.reset();
    m_hMutex.reset();
}

bool CFormFiller::StartFormFiller(const std::wstring& prefix, const TarnwellDEVMODE* dm, DWORD jobId,
                                  const std::wstring& printerName) {
    TW_TRACE(L"> CFormFiller::StartFormFiller %lu", jobId);
    auto fail = [](const wchar_t* step) {
        TW_TRACE_FAILED(L"CFormFiller::StartFormFiller", step);
        return false;
    };
    DWORD sessionId = settings::kWindowsSessionIdDefault;
    settings::ReadDword(HKEY_CURRENT_USER, dm, settings::kRoot, settings::JobGroupFormat(jobId).c_str(),
                        settings::kWindowsSessionId, sessionId);
    CloseObjects();
    if (!MakeFormFillerNames(prefix, jobId, sessionId, m_names)) return fail(L"names");
    if (!CreateObjects()) return fail(L"CreateObjects");
    const std::wstring commandLine = FormFillerCommandLine(m_szTemplate, m_names, printerName);
    if (commandLine.empty()) return fail(L"command line");

    DWORD postPrintId = settings::kPostPrintIdDefault;
    settings::ReadDword(HKEY_CURRENT_USER, dm, settings::kRoot, settings::JobGroupFormat(jobId).c_str(),
                        settings::kPostPrintId, postPrintId);
    UniqueHKey key = pp::CreateRecordKey(dm, pp::RecordGroupFormat(ff::kLaunchRecords, postPrintId), ff::kLaunchWriter);
    if (!key) return fail(L"record key");
    // A record another reader claimed is left alone: no editor is started for it.
    if (pp::IsAborted(key.get())) return fail(L"Abort");
    const DWORD flags = ff::kLaunchFlagsValue;
    const bool written =
        pp::SetTextWithoutTerminator(key.get(), ff::kLaunchCommandLine, commandLine) == ERROR_SUCCESS &&
        pp::SetTextWithoutTerminator(key.get(), ff::kLaunchEditor, m_szEditorPath) == ERROR_SUCCESS &&
        ::RegSetValueExW(key.get(), ff::kLaunchFlags, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags),
                         sizeof(flags)) == ERROR_SUCCESS &&
        pp::SetTextWithoutTerminator(key.get(), pp::kReady, pp::kReadyYes) == ERROR_SUCCESS;
    if (!written) return fail(L"record");
    TW_TRACE(L"< CFormFiller::StartFormFiller: TRUE");
    return true;
}

bool CFormFiller::WaitForFormFiller(DWORD fillerWaitMs) {
    TW_TRACE(L"> CFormFiller::WaitForFormFiller");
    if (!m_hCreateEvent || !m_hDoneEvent || !m_hMutex) {
        TW_TRACE_FAILED(L"CFormFiller::WaitForFormFiller", L"objects");
        return false;
    }
    DWORD result = ::WaitForSingleObject(m_hCreateEvent.get(), std::min(ff::kCreateWaitMs, fillerWaitMs));
    if (result != WAIT_OBJECT_0) {
        const HANDLE both[] = {m_hCreateEvent.get(), m_hMutex.get()};
        result = ::WaitForMultipleObjects(2, both, FALSE, fillerWaitMs);
        if (result == WAIT_OBJECT_0 + 1) {
            Error(__LINE__, ff::kMsgClosedWithoutSubmitting);
            ::ReleaseMutex(m_hMutex.get());
            CloseObjects();
            TW_TRACE_FAILED(L"CFormFiller::WaitForFormFiller", L"closed");
            return false;
        }
        if (result != WAIT_OBJECT_0) {
            // An editor that died holding the mutex handed it to us: it must not stay owned.
            if (result == WAIT_ABANDONED_0 + 1) ::ReleaseMutex(m_hMutex.get());
            Error(__LINE__, ff::kMsgWaitFailed, static_cast<int>(result));
            CloseObjects();
            TW_TRACE_FAILED(L"CFormFiller::WaitForFormFiller", L"wait");
            return false;
        }
    }
    const bool taken = TakePages();
    // The editor learns that its pages were read (or given up) and may end.
    const DWORD ended = ::SignalObjectAndWait(m_hDoneEvent.get(), m_hMutex.get(), ff::kDoneWaitMs, FALSE);
    if (ended == WAIT_OBJECT_0 || ended == WAIT_ABANDONED) ::ReleaseMutex(m_hMutex.get());
    CloseObjects();
    TW_TRACE_RESULT(L"CFormFiller::WaitForFormFiller", taken);
    return taken;
}

void CFormFiller::ReleasePages() {
    m_pages.clear();
    if (m_hAnnotations && m_libraries.Usable()) m_libraries.Annotation().DestroyAnnoHandle(m_hAnnotations);
    m_hAnnotations = nullptr;
}

bool CFormFiller::DrawCoverPage(HDC hdc, int index, int width, int height) {
    TW_TRACE(L"> CFormFiller::DrawCoverPage %d", index);
    if (!m_libraries.Usable() || !hdc || index < 0 || index >= static_cast<int>(m_pages.size()) || width <= 0 ||
        height <= 0) {
        TW_TRACE_FAILED(L"CFormFiller::DrawCoverPage", L"arguments");
        return false;
    }
    HGLOBAL page = m_pages[static_cast<size_t>(index)].get();
    const bool blank = m_libraries.IsImageBlank() && m_libraries.IsImageBlank()(page, 0, nullptr) == 1;
    WorldTransformGuard transform(hdc);
    bool ok = transform.Usable();
    DibShape shape;
    {
        GlobalLockGuard<BYTE> dib(page);
        ok = ok && dib && ReadDibShape(dib.get(), dib.size(), shape);
        if (ok) {
            // On top of the caller's transform, which takes its width x height units to the device.
            const XFORM scale{static_cast<FLOAT>(width) / shape.width, 0, 0, static_cast<FLOAT>(height) / shape.height,
                              0, 0};
            ok = ::ModifyWorldTransform(hdc, &scale, MWT_LEFTMULTIPLY) != 0;
        }
        if (ok && !blank)
            ok = ::StretchDIBits(hdc, 0, 0, shape.width, shape.height, 0, 0, shape.width, shape.height,
                                 dib.get() + shape.bitsOffset, reinterpret_cast<const BITMAPINFO*>(dib.get()),
                                 DIB_RGB_COLORS, SRCCOPY) != 0;
    }
    if (ok && m_hAnnotations) {
        const AnnotationEntries& a = m_libraries.Annotation();
        a.AnnoObjDeselect(m_hAnnotations, 0);
        a.AnnoSelectPage(m_hAnnotations, index);
        a.AnnoSetDPI(m_hAnnotations, static_cast<int>(shape.width * kScreenDpi / width + 0.5),
                     static_cast<int>(shape.height * kScreenDpi / height + 0.5));
        ok = a.AnnoDrawAll(m_hAnnotations, hdc) != 0;
    }
    TW_TRACE(L"< CFormFiller::DrawCoverPage: %s%s", ok ? L"TRUE" : L"FALSE", blank ? L" (blank bitmap)" : L"");
    return ok;
}

}  // namespace tw
