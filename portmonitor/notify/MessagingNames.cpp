#include "notify/MessagingNames.h"

#include "base/IniFile.h"
#include "base/WideString.h"
#include "job/PrinterIniNames.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace tw {
namespace {

constexpr size_t kPipeNameChars = MAX_PATH - 1;

std::wstring Cut(std::wstring name) {
    if (name.size() > kPipeNameChars) name.resize(kPipeNameChars);
    return name;
}

}  // namespace

MessagingInterface ResolveMessagingInterface(const TarnwellDEVMODE* dm, DWORD jobId, const std::wstring& dataFile) {
    MessagingInterface iface;
    auto fromGroup = [&](const wchar_t* group) {
        auto name = settings::ReadString(dm, group, settings::kMessagingInterfaceName);
        if (!name || name->empty()) return false;
        iface.name = *name;
        iface.id = settings::ReadDwordOr(dm, group, settings::kMessagingInterfaceId, settings::kMessagingInterfaceIdDefault);
        return true;
    };
    const std::wstring jobGroup = settings::JobGroupFormat(jobId);
    if (fromGroup(jobGroup.c_str()) || fromGroup(settings::kMessagingInterfaceSettings)) return iface;
    if (!dataFile.empty()) {
        IniFile ini(dataFile);
        iface.name = ini.GetString(printerini::kDefaultSettings, printerini::kInterfaceName, L"");
        if (!iface.name.empty()) {
            iface.id = static_cast<DWORD>(ini.GetInt(printerini::kDefaultSettings, printerini::kSessionId, 0));
            return iface;
        }
    }
    iface.name = DmText(dm, dmtext::MessagingInterfaceName);
    iface.id = dm ? dm->Read<DWORD>(dmoff::MessagingSessionId) : 0;
    return iface;
}

std::wstring ClientPipeName(const MessagingInterface& iface) {
    return Cut(FormatW(L"\\\\.\\pipe\\%s%lu", iface.name.c_str(), iface.id));
}

UploaderPipeNames MakeUploaderPipeNames(DWORD interfaceId, DWORD jobId, DWORD tick, const std::wstring& printerName) {
    const std::wstring suffix = L"_" + CleanObjectName(printerName);
    UploaderPipeNames names;
    names.http = Cut(FormatW(L"\\\\.\\pipe\\TW_HTTP_%lu_%lu_%lu", interfaceId, jobId, tick) + suffix);
    names.database = Cut(FormatW(L"\\\\.\\pipe\\TW_DB_%lu_%lu_%lu", interfaceId, jobId, tick) + suffix);
    names.mfiles = Cut(FormatW(L"\\\\.\\pipe\\TW_MFiles_%lu_%lu_%lu", interfaceId, jobId, tick) + suffix);
    return names;
}

}  // namespace tw
