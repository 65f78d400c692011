#pragma once
// The job's cover page form filler: its libraries, the template, the hand-off to the editor
// through the application starter and named kernel objects, the pages it returns and their
// drawing.
#include <windows.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "formfiller/FormFillerLibraries.h"
#include "formfiller/FormFillerNames.h"

namespace tw {

class CTWJob;
class TarnwellDEVMODE;

class CFormFiller {
public:
    // `job` receives the numbered messages; without one they go nowhere.
    explicit CFormFiller(CTWJob* job) : m_pJob(job) {}
    ~CFormFiller();
    CFormFiller(const CFormFiller&) = delete;
    CFormFiller& operator=(const CFormFiller&) = delete;

    // Loads the libraries from the filler directory, once per job (a backslash is added when it
    // lacks one). True when the imaging and annotation libraries can be used.
    bool LoadLibraries(std::wstring directory);
    bool LibrariesUsable() const { return m_libraries.Usable(); }
    // The template's page count, which becomes the page count; 0 (reported) when unreadable.
    int LoadTemplate(const std::wstring& templatePath);
    // Creates the kernel objects and writes the launch record for the application starter.
    bool StartFormFiller(const std::wstring& prefix, const TarnwellDEVMODE* dm, DWORD jobId,
                         const std::wstring& printerName);
    // Waits for the editor (both waits at most `fillerWaitMs`) and takes over its pages.
    // The hand-off's objects are closed whatever the outcome.
    bool WaitForFormFiller(DWORD fillerWaitMs);
    // Draws page `index` scaled to width x height units of the DC's current transform.
    bool DrawCoverPage(HDC hdc, int index, int width, int height);
    // Frees the pages and the annotation handle.
    void ReleasePages();

    int PageCount() const { return m_nPageCount; }
    const FormFillerNames& Names() const { return m_names; }
    const std::wstring& EditorPath() const { return m_szEditorPath; }

private:
    bool CreateObjects();
    bool TakePages();
    bool CopyMapping(UniqueHGlobal& block, unsigned long long& size);
    void CloseObjects();
    void Report(bool error, int line, const wchar_t* format, va_list args);
    void Error(int line, const wchar_t* format, ...);
    void Warning(int line, const wchar_t* format, ...);

    CTWJob* m_pJob;
    std::wstring m_szDirectory, m_szEditorPath, m_szTemplate;
    CFormFillerLibraries m_libraries;
    FormFillerNames m_names;
    UniqueKernelObject m_hCreateEvent, m_hDoneEvent, m_hMutex;
    int m_nPageCount = 0;
    std::vector<UniqueHGlobal> m_pages;
    HANDLE m_hAnnotations = nullptr;  // destroyed through the annotation library
};

}  // namespace tw
