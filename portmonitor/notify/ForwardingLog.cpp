#include "notify/ForwardingLog.h"

#include "base/UniqueHandle.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"

namespace tw::forwarding {

std::wstring LogFilePath(const TarnwellDEVMODE* dm) {
    auto path = settings::ReadString(dm, settings::kRedirectPrintingSettings, kRedirectPrintingLogFile);
    return path ? *path : L"";
}

bool LogWanted(const TarnwellDEVMODE* dm) {
    return settings::ReadYesFlag(dm, settings::kRedirectPrintingSettings, settings::kEnableRedirectPrintingLog);
}

std::optional<std::wstring> CheckLogFile(const std::wstring& path) {
    if (!path.empty()) {
        const bool existed = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            file.reset();
            if (!existed) ::DeleteFileW(path.c_str());
            return std::nullopt;
        }
    }
    TW_TRACE(L"CheckLogFile: %s%s", kCannotWriteLog, path.c_str());
    return std::wstring(kCannotWriteLog) + path;
}

}  // namespace tw::forwarding
