// Output names until the naming methods exist: the DEVMODE's output directory, its file name
// prefix and a number that no existing file has, with the format's extension.
#include <cwchar>

#include "base/WideString.h"
#include "job/JobOptions.h"
#include "job/TWJob.h"
#include "monitor/Trace.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "twfile/FileFormats.h"

namespace tw {

BOOL CTWJob::GenerateFilenames(bool) {
    std::wstring directory = EffectiveOutputDirectory(&m_sDevMode, m_dwJobID);
    if (directory.empty()) {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
        if (n == 0 || n > MAX_PATH) return FALSE;
        directory = temp;
    }
    if (directory.back() != L'\\' && directory.back() != L'/') directory += L'\\';
    const std::wstring prefix = m_sDevMode.GetText(dmtext::FileNamePrefix);
    const wchar_t* extension = FormatExtension(m_settings.dwEffectiveFormat, m_bUppercaseExtensions);
    for (unsigned n = 1; n < 1000000; ++n) {
        std::wstring name = directory + prefix + FormatW(L"%08u.", n) + extension;
        if (::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        bool taken = false;
        for (const std::wstring& known : m_writtenFiles) taken = taken || EqualsNoCase(known, name);
        if (taken) continue;
        m_szImageFileName = name;
        m_szCurrentOutputFile = name;
        TW_TRACE(L"CTWJob::GenerateFilenames: %s", name.c_str());
        return TRUE;
    }
    return FALSE;
}

BOOL CTWJob::ValidateOutputFile(const wchar_t*, const wchar_t*) { return TRUE; }

}  // namespace tw
