#include "job/SharedPrinter.h"

#include <cstring>
#include <vector>

#include "base/Registry.h"
#include "base/WideString.h"
#include "job/SettingsStore.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "portcmd/DevModeLayout.h"

namespace tw {
namespace {

constexpr wchar_t kUseClientOutputDirectory[] = L"Use Output Directory from Client";
// Start-application codes go up to 8 in records before this version and up to 16 from it on.
constexpr WORD kStartAppCodesVersion = 1470;
constexpr DWORD kServerFlags = dmflag::IsInternetTiffFormatEnabled | dmflag::IsPageNumberingEnabled |
                               dmflag::IsReverseBitOrderEnabled | dmflag::IsWriteTextEnabled |
                               dmflag::IsMailMergeEnabled | dmflag::PrinterForwardingEnabled |
                               dmflag::BatesNumberingEnabled;
constexpr wchar_t kHttpDevicePrefix[] = L"\\\\http";

std::vector<BYTE> GetPrinterInfo(const std::wstring& printerName, DWORD level) {
    UniquePrinter printer;
    if (!printer.open(printerName.c_str())) return {};
    DWORD needed = 0;
    Spooler().GetPrinter(printer.get(), level, nullptr, 0, &needed);
    if (needed == 0) return {};
    std::vector<BYTE> buf(needed);
    if (!Spooler().GetPrinter(printer.get(), level, buf.data(), needed, &needed)) return {};
    return buf;
}

std::wstring AfterLastBackslash(const wchar_t* s) {
    if (!s) return {};
    std::wstring text(s);
    size_t pos = text.find_last_of(L'\\');
    return pos == std::wstring::npos ? text : text.substr(pos + 1);
}

std::wstring LocalComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? std::wstring(name) : std::wstring();
}

void CopyBytes(TarnwellDEVMODE& to, const TarnwellDEVMODE& from, size_t offset, size_t size) {
    std::memcpy(to.Bytes() + offset, from.Bytes() + offset, size);
}

bool UseClientOutputDirectory(const TarnwellDEVMODE& dm) {
    DWORD value = 0;
    return settings::ReadDword(HKEY_USERS, &dm, settings::kDefaultUserRoot, settings::kFilenameGenerationSettings,
                               kUseClientOutputDirectory, value) &&
           value != 0;
}

}  // namespace

bool IsSharedPrinter(const std::wstring& printerName, DWORD jobId, const TarnwellDEVMODE& dm) {
    std::vector<BYTE> info = GetPrinterInfo(printerName, 2);
    if (info.size() < sizeof(PRINTER_INFO_2W)) return false;
    if (!(reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->Attributes & PRINTER_ATTRIBUTE_SHARED)) return false;

    const std::wstring local = LocalComputerName();
    UniquePrinter printer;
    if (printer.open(printerName.c_str())) {
        DWORD needed = 0;
        Spooler().GetJob(printer.get(), jobId, 2, nullptr, 0, &needed);
        if (needed >= sizeof(JOB_INFO_2W)) {
            std::vector<BYTE> job(needed);
            if (Spooler().GetJob(printer.get(), jobId, 2, job.data(), needed, &needed)) {
                std::wstring machine = AfterLastBackslash(reinterpret_cast<const JOB_INFO_2W*>(job.data())->pMachineName);
                if (!EqualsNoCase(machine, local)) return true;
            }
        }
    }
    std::wstring device = dm.GetText(dmtext::dmDeviceName);
    if (device.size() >= 6 && EqualsNoCase(std::wstring_view(device).substr(0, 6), kHttpDevicePrefix)) return false;
    std::wstring client = dm.GetText(dmtext::ClientComputerName);
    return !EqualsNoCase(client, local);
}

void CopySettingsForSharedPrinter(const std::wstring& printerName, TarnwellDEVMODE& dm, bool ignoreDevMode,
                                  bool ignoreExtendedDevMode) {
    TW_TRACE(L"> CopySettingsForSharedPrinter");
    std::vector<BYTE> info = GetPrinterInfo(printerName, 8);
    const DEVMODEW* server = info.size() >= sizeof(PRINTER_INFO_8W)
                                 ? reinterpret_cast<const PRINTER_INFO_8W*>(info.data())->pDevMode
                                 : nullptr;
    if (server && static_cast<size_t>(server->dmSize) + server->dmDriverExtra == kDevModeSize) {
        TarnwellDEVMODE serverDm;
        serverDm.CopyFrom(server);
        if (ignoreDevMode) CopyBytes(dm, serverDm, 0, kDevModePublicSize);
        if (ignoreExtendedDevMode) CopyBytes(dm, serverDm, kDevModePublicSize, kDevModeSize - kDevModePublicSize);
        if (!ignoreDevMode && !ignoreExtendedDevMode) {
            if (!UseClientOutputDirectory(dm)) dm.SetText(dmtext::OutputDirectory, serverDm.GetText(dmtext::OutputDirectory));
            CopyBytes(dm, serverDm, dmoff::WatermarkFlags, sizeof(DWORD));
            CopyBytes(dm, serverDm, dmoff::LandscapeWatermarkBrightness, sizeof(DWORD));
            dm.SetText(dmtext::LandscapeWatermarkImage, serverDm.GetText(dmtext::LandscapeWatermarkImage));
            dm.SetText(dmtext::PortraitWatermarkImage, serverDm.GetText(dmtext::PortraitWatermarkImage));
            CopyBytes(dm, serverDm, dmoff::StartFlags, sizeof(DWORD));
            dm.SetText(dmtext::ApplicationPath, serverDm.GetText(dmtext::ApplicationPath));
            // Parameter codes as far as the client's record version knows them.
            const bool newRecord = dm.Read<WORD>(dmoff::dmDriverVersion) >= kStartAppCodesVersion;
            CopyBytes(dm, serverDm, dmoff::StartAppParameters, (newRecord ? 8 : 9) * sizeof(WORD));
            if (newRecord) CopyBytes(dm, serverDm, dmoff::StartAppParameterBytes, 8);
            dm.SetText(dmtext::CustomParameter, serverDm.GetText(dmtext::CustomParameter));
            DWORD flags = (dm.Flags() & ~kServerFlags) | (serverDm.Flags() & kServerFlags);
            dm.Write<DWORD>(dmoff::Flags, flags);
            CopyBytes(dm, serverDm, dmoff::ServerOptionByte, 1);
            CopyBytes(dm, serverDm, dmoff::LossRatio, sizeof(DWORD));
            CopyBytes(dm, serverDm, dmoff::ServerBarcodeBlock, kServerBarcodeBlockSize);
            CopyBytes(dm, serverDm, dmoff::ServerOptionTail, kServerOptionTailSize);
        }
    } else {
        TW_TRACE(L"CopySettingsForSharedPrinter: no default DEVMODE of the printer");
    }
    dm.SetBits(dmoff::Flags, sizeof(DWORD), dmflag::PrintedFromSession0, false);
}

}  // namespace tw
