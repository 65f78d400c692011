// TuMAppTS.exe <job id>,<post-print ID>,0,<printer name> (README.md).
#include <windows.h>

#include "JobRecords.h"
#include "StarterJob.h"
#include "StarterLog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    const std::wstring_view arguments = appstarter::ArgumentsOf(::GetCommandLineW());
    auto args = appstarter::ParseArguments(arguments);
    if (!args) {
        appstarter::StarterLog(appstarter::DefaultLogPath())
            .Line(L"usage: TuMAppTS <job id>,<post-print ID>,0,<printer name>; got '%s'",
                  std::wstring(arguments).c_str());
        return appstarter::kExitUsage;
    }
    appstarter::JobRecords records(args->printerName, args->jobId, args->postPrintId);
    std::wstring logPath = records.SettingText(appstarter::kLogFileSetting).value_or(L"");
    appstarter::StarterLog log(logPath.empty() ? appstarter::DefaultLogPath() : logPath);
    return appstarter::RunStarter(*args, records, log);
}
