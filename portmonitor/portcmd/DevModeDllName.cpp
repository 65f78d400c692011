#include "portcmd/DevModeDllName.h"

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

// Driver files live in the environment's directory or in its version-3 subdirectory.
constexpr const wchar_t* kDriverSubdirectories[] = {L"\\", L"\\3\\"};
constexpr DWORD kDriverDirectoryLevel = 1;

// A file counts as present when it can be opened for reading alongside other readers.
bool FileIsReadable(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

}  // namespace

BOOL GetCorrectDllName(std::wstring_view path, std::wstring& out) {
    std::wstring configured(path);
    TW_TRACE(L"> GetCorrectDllName: %s", configured.c_str());
    if (!configured.empty() && FileIsReadable(configured)) {
        out = configured;
        TW_TRACE_RESULT(L"GetCorrectDllName", TRUE);
        return TRUE;
    }

    size_t slash = configured.find_last_of(L'\\');
    std::wstring fileName = slash == std::wstring::npos ? configured : configured.substr(slash + 1);
    if (fileName.empty()) {
        TW_TRACE_FAILED(L"GetCorrectDllName", L"FileName");
        return FALSE;
    }

    wchar_t driverDir[MAX_PATH] = {};
    DWORD cbNeeded = 0;
    if (!Spooler().GetPrinterDriverDirectory(nullptr, nullptr, kDriverDirectoryLevel,
                                             reinterpret_cast<LPBYTE>(driverDir), sizeof(driverDir), &cbNeeded)) {
        TW_TRACE_FAILED(L"GetCorrectDllName", L"GetPrinterDriverDirectory");
        return FALSE;
    }
    std::wstring directory(driverDir, BoundedLength(driverDir, MAX_PATH));

    for (const wchar_t* subdirectory : kDriverSubdirectories) {
        std::wstring candidate = directory + subdirectory + fileName;
        if (FileIsReadable(candidate)) {
            out = candidate;
            TW_TRACE(L"GetCorrectDllName: %s", candidate.c_str());
            TW_TRACE_RESULT(L"GetCorrectDllName", TRUE);
            return TRUE;
        }
    }
    out = fileName;
    TW_TRACE(L"GetCorrectDllName: not found, using %s", fileName.c_str());
    TW_TRACE_RESULT(L"GetCorrectDllName", TRUE);
    return TRUE;
}

}  // namespace tw
