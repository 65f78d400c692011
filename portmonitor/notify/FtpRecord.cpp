// The FTP uploader's record: the selected connection's settings, copied for the job.
#include "base/WideString.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "notify/UploaderRecordWriter.h"
#include "notify/UploaderRecords.h"

namespace tw::uploader {
namespace {

using namespace detail;

constexpr wchar_t kFtpWriter[] = L"WriteFTPProgramforStart";
constexpr wchar_t kRootDirectory[] = L"/";
constexpr int kFtpsPort = 990, kSftpPort = 22, kFtpPort = 21;
constexpr int kSocksPort = 1080, kHttpProxyPort = 8080;

// Copied as text.
constexpr const wchar_t* kTexts[] = {L"Connection Name", L"Server Address", L"Login Name", L"Proxy Server Address",
                                     L"Proxy User Name", L"Proxy Domain"};
// Numbers as decimal text, 0 when absent.
constexpr const wchar_t* kNumbers[] = {settings::kFtpProxyType, settings::kFtpProxyAuthentication,
                                       settings::kFtpTrustedCertificate, settings::kFtpTransferMethod,
                                       settings::kFtpActionOnExistingFiles};
// Switches as "1" or "0".
constexpr const wchar_t* kSwitches[] = {settings::kFtpIsPassive, settings::kFtpLogging, settings::kFtpShowSuccess,
                                        settings::kFtpShowError};

}  // namespace

int DefaultFtpPort(int securityMode) {
    if (securityMode == 1 || securityMode == 2) return kFtpsPort;
    return securityMode == 3 ? kSftpPort : kFtpPort;
}

int DefaultProxyPort(int proxyType) {
    if (proxyType >= 1 && proxyType <= 3) return kSocksPort;
    return proxyType == 4 ? kHttpProxyPort : 0;
}

bool WriteFTPProgramforStart(const UploaderJob& job, int connection) {
    TW_TRACE(L"> WriteFTPProgramforStart %lu %d", job.postPrintId, connection);
    UniqueHKey key = OpenRecord(job, kFtpRecords, kFtpWriter);
    if (!key) return false;
    const HKEY k = key.get();
    const std::wstring group = std::wstring(settings::kFtpSettings) + L"\\" + std::to_wstring(connection);
    const wchar_t* g = group.c_str();
    auto text = [&](const wchar_t* name) { return Setting(job, g, name).value_or(L""); };
    auto number = [&](const wchar_t* name) { return settings::ReadNumberText(job.dm, g, name, settings::kFtpNumberDefault); };
    auto put = [&](const wchar_t* name, const std::wstring& value) { return PutText(k, name, value, kFtpWriter); };

    auto program = Setting(job, settings::kPostPrintSettings, kFtpProgram);
    bool ok = (!program || program->empty() || put(kFtpProgram, Expand(job, *program))) &&
              put(kPrinterName, job.printerName);
    for (const wchar_t* name : kTexts) ok = ok && put(name, text(name));
    const int security = number(settings::kFtpSecurityMode);
    const int port = number(settings::kFtpPort);
    ok = ok && put(settings::kFtpSecurityMode, std::to_wstring(security)) &&
         put(settings::kFtpPort, std::to_wstring(port ? port : DefaultFtpPort(security)));
    // The stored form goes on: decoded and scrambled again, so only what the scrambling holds passes.
    for (const wchar_t* name : {settings::kFtpPassword, settings::kFtpProxyUserPassword})
        ok = ok && put(name, settings::ScramblePassword(settings::UnscramblePassword(text(name))));
    const std::wstring remote = Expand(job, text(L"Remote Directory"));
    ok = ok && put(L"Remote Directory", remote.empty() ? kRootDirectory : remote);
    // A switch is on as a number or as a yes-flag.
    for (const wchar_t* name : kSwitches)
        ok = ok && put(name, number(name) || settings::ReadYesFlag(job.dm, g, name) ? L"1" : L"0");
    for (const wchar_t* name : kNumbers) ok = ok && put(name, std::to_wstring(number(name)));
    const int proxyPort = number(settings::kFtpProxyPort);
    ok = ok && put(settings::kFtpProxyPort,
                   std::to_wstring(proxyPort ? proxyPort : DefaultProxyPort(number(settings::kFtpProxyType))));
    ok = ok && put(L"Logfile", Expand(job, text(L"Logfile"))) && put(L"Test Connection", L"0");
    TW_TRACE_RESULT(L"WriteFTPProgramforStart", ok);
    return ok;
}

}  // namespace tw::uploader
