#include "twfile/OutputValidation.h"

#include "base/UniqueHandle.h"
#include "base/WideString.h"
#include "monitor/Trace.h"
#include "twfile/FileNameRules.h"
#include "twfile/NamingTexts.h"

namespace tw {
namespace {

CheckResult Failure(std::wstring message, DWORD error) { return CheckResult{false, std::move(message), error}; }

// Creates and at once drops a hidden temporary file in the directory; returns the error of a
// failed creation, 0 when the directory accepts files.
DWORD ProbeDirectory(const std::wstring& directory) {
    if (directory.empty()) return ERROR_INVALID_PARAMETER;
    const unsigned long thread = ::GetCurrentThreadId();
    std::wstring probe = FormatW(naming::kProbeFormat, directory.c_str(), thread);
    for (unsigned long n = 1; ::GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        probe = FormatW(naming::kProbeNumberedFormat, directory.c_str(), thread, n);
    UniqueFile file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                  nullptr));
    return file ? 0 : ::GetLastError();
}

}  // namespace

CheckResult CheckOutputDirectory(const wchar_t* prefixText, std::wstring& directory) {
    TW_TRACE(L"> CheckOutputDirectory %s", directory.c_str());
    const wchar_t* prefix = prefixText ? prefixText : L"";
    if (directory.empty()) return Failure(FormatW(naming::kMsgNoDirectory, prefix), 0);
    directory = WithTrailingBackslash(directory);
    if (!DirectoryExists(directory))
        return Failure(FormatW(naming::kMsgDirectoryNotFound, prefix, directory.c_str()), ERROR_PATH_NOT_FOUND);
    return {};
}

CheckResult CheckOutputFile(const wchar_t* prefixText, const wchar_t* fileName) {
    TW_TRACE(L"> CheckOutputFile %s", fileName ? fileName : L"(null)");
    const wchar_t* prefix = prefixText ? prefixText : L"";
    if (!fileName || !*fileName) return Failure(FormatW(naming::kMsgNoFileName, prefix), 0);
    std::wstring directory, file;
    SplitDirectory(fileName, directory, file);
    if (DWORD code = ProbeDirectory(directory)) {
        const wchar_t* format = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? naming::kMsgProbeNotFound
                                : code == ERROR_ACCESS_DENIED                               ? naming::kMsgProbeDenied
                                                                                            : naming::kMsgProbeOther;
        return Failure(FormatW(format, prefix, directory.c_str(), static_cast<unsigned long>(code)), code);
    }
    if (::GetFileAttributesW(fileName) == INVALID_FILE_ATTRIBUTES) return {};
    UniqueFile existing(::CreateFileW(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!existing) {
        DWORD code = ::GetLastError();
        return Failure(FormatW(naming::kMsgFileNotWritable, prefix, fileName, static_cast<unsigned long>(code)), code);
    }
    return {};
}

std::wstring WriteFailureText(const wchar_t* prefixText, const std::wstring& fileName, DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring system = n && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) ::LocalFree(buffer);
    while (!system.empty() && (system.back() == L'\n' || system.back() == L'\r' || system.back() == L' ')) system.pop_back();
    return FormatW(naming::kMsgWriteFailed, prefixText ? prefixText : L"", fileName.c_str(), system.c_str(),
                   static_cast<unsigned long>(error));
}

std::wstring CreationFailureText(const std::wstring& directory, DWORD error) {
    const unsigned long code = error;
    switch (error) {
    case 0:
        return FormatW(naming::kMsgCreateNoCode, directory.c_str());
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return FormatW(naming::kMsgCreateNotFound, directory.c_str(), code);
    case ERROR_ACCESS_DENIED:
        return FormatW(naming::kMsgCreateDenied, directory.c_str(), code);
    default:
        return FormatW(naming::kMsgCreateOther, directory.c_str(), code);
    }
}

}  // namespace tw
