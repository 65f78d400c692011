#include "PrinterSettings.h"

#include "base/WideString.h"
#include "host/StreamReader.h"
#include "job/SettingsStore.h"
#include "monitor/Trace.h"
#include "portcmd/PortCmdLayout.h"

namespace twprint {

std::optional<tw::TarnwellDEVMODE> StartDocDevMode(const std::vector<BYTE>& stream) {
    for (const auto& cmd : twhost::ReadStream(stream).commands) {
        if (cmd.type != tw::PORT_CMD_START_DOC) continue;
        if (cmd.dataSize != tw::kDevModeSize || cmd.dataAvailable != tw::kDevModeSize) return std::nullopt;
        tw::TarnwellDEVMODE dm;
        dm.CopyFrom(stream.data() + cmd.offset + tw::portcmd::kHeaderSize);
        return dm;
    }
    return std::nullopt;
}

std::wstring DataFilePath(const std::wstring& printer, unsigned long jobId) {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring dir = n > 0 && n <= MAX_PATH ? std::wstring(temp, n) : std::wstring();
    return dir + L"twprint-" + tw::CleanObjectName(printer) + L"-" + std::to_wstring(jobId) + L".ini";
}

bool WriteRunSettings(const Options& o, const tw::TarnwellDEVMODE* dm, SettingsWriter& writer, std::wstring& dataFile,
                      std::wstring& error) {
    TW_TRACE(L"> WriteRunSettings");
    if (!o.registrySettings.empty() || !o.volatileKeys.empty()) {
        // Without a DEVMODE the monitor has no name to go by; the one twprint would have built
        // carries the printer name in its device name field.
        std::wstring registryName = dm ? tw::settings::PrinterRegistryName(dm)
                                       : o.printer.substr(0, tw::dmcap::dmDeviceName - 1);
        if (registryName.empty()) {
            error = L"the job's DEVMODE names no printer, so --set has no printer key to write to";
            TW_TRACE_FAILED(L"WriteRunSettings", L"PrinterRegistryName");
            return false;
        }
        for (const RegistrySetting& s : o.registrySettings) {
            const std::wstring own = s.group.empty() ? registryName : registryName + L"\\" + s.group;
            if (!writer.SetValue(tw::settings::kRoot, own, s.valueName, s.type, s.data, error)) {
                TW_TRACE_FAILED(L"WriteRunSettings", L"SetValue");
                return false;
            }
        }
        for (const std::wstring& group : o.volatileKeys) {
            if (!writer.CreateVolatileKey(tw::settings::kRoot, registryName + L"\\" + group, error)) {
                TW_TRACE_FAILED(L"WriteRunSettings", L"CreateVolatileKey");
                return false;
            }
        }
    }
    if (!o.iniSettings.empty()) {
        dataFile = DataFilePath(o.printer, o.jobId);
        if (!writer.WriteIniFile(dataFile, o.iniSettings, error)) {
            TW_TRACE_FAILED(L"WriteRunSettings", L"WriteIniFile");
            return false;
        }
    }
    TW_TRACE_RESULT(L"WriteRunSettings", TRUE);
    return true;
}

}  // namespace twprint
