// The job's troubleshooting dump of each page into the EDF debug files.
#include "job/PageDebugDump.h"

#include "base/WideString.h"
#include "emfimage/EdfDebugFile.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/TWJob.h"
#include "monitor/DebugSwitches.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : path;
}

// Creates `directory` and every missing directory above it. Parts that cannot be made (a
// share's server name) are passed over: only the directory itself has to exist in the end.
bool EnsureDirectory(const std::wstring& directory) {
    for (size_t pos = directory.find_first_of(L"\\/", 1); pos != std::wstring::npos;
         pos = directory.find_first_of(L"\\/", pos + 1))
        ::CreateDirectoryW(directory.substr(0, pos).c_str(), nullptr);
    ::CreateDirectoryW(directory.c_str(), nullptr);
    const DWORD attributes = ::GetFileAttributesW(directory.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::vector<std::wstring> EdfDumpFiles(const TarnwellDEVMODE* dm, const DebugSwitches& switches) {
    std::vector<std::wstring> files;
    if (dm && settings::ReadNumberText(dm, settings::kTroubleshootingSettings, settings::kDebugLoggingEnable,
                                       settings::kDebugLoggingEnableDefault) != 0) {
        std::wstring directory =
            settings::ReadString(dm, settings::kTroubleshootingSettings, settings::kDebugLoggingDirectory).value_or(L"");
        while (!directory.empty() && (directory.back() == L'\\' || directory.back() == L'/')) directory.pop_back();
        if (directory.empty()) {
            TW_TRACE(L"EdfDumpFiles: debug logging is on without a directory");
        } else {
            if (!EnsureDirectory(directory)) TW_TRACE(L"EdfDumpFiles: cannot create %s", directory.c_str());
            files.push_back(directory + L"\\" + edf::kDefaultFileName);
        }
    }
    if (switches.Debug() != 0 && !switches.EdfFile().empty()) {
        const std::wstring file = switches.EdfFile();
        if (files.empty() || !EqualsNoCase(FullPath(files.front()), FullPath(file))) files.push_back(file);
    }
    return files;
}

void CTWJob::DumpPageData(HGLOBAL hData, bool raw) {
    if (!m_debugSwitches) m_debugSwitches.emplace();
    const DebugSwitches& switches = *m_debugSwitches;
    const DWORD size = m_dwPageDataSize ? m_dwPageDataSize : static_cast<DWORD>(::GlobalSize(hData));
    for (const std::wstring& file : EdfDumpFiles(&m_sDevMode, switches)) {
        if (WriteEMFtoFileForDebug(file.c_str(), size, hData, m_sDevMode, raw ? TRUE : FALSE)) continue;
        // A troubleshooting dump never fails the page; the user is told why it is missing.
        ValidateOutputFile(kCannotWriteEdfFile, file.c_str());
    }
}

}  // namespace tw
