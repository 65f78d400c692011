// How a job adopts the DEVMODE of its document and of each page, and settles its settings.
#include <cstring>
#include <string>
#include <vector>

#include "base/IniDocument.h"
#include "base/IniFile.h"
#include "base/WideString.h"
#include "job/DevModeCorrection.h"
#include "job/ForcePaper.h"
#include "job/JobOptions.h"
#include "job/PrinterIniNames.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "job/SharedPrinter.h"
#include "job/TWJob.h"
#include "monitor/DebugLog.h"
#include "monitor/SpoolerSeam.h"
#include "monitor/Trace.h"
#include "notify/ForwardingLog.h"
#include "notify/JobEnvironment.h"
#include "notify/MessagingNames.h"
#include "portcmd/DevModeLayout.h"
#include "twfile/BlFile.h"
#include "twfile/GroupFile.h"

namespace tw {
namespace {

namespace ini = printerini;


constexpr BYTE kSheetColumnFirst = 0x1;
constexpr BYTE kSheetCellBorder = 0x2;

bool IsFullRecord(const TarnwellDEVMODE& dm) {
    return static_cast<size_t>(dm.Read<WORD>(dmoff::dmSize)) + dm.Read<WORD>(dmoff::dmDriverExtra) == kDevModeSize;
}

void RemoveAll(std::wstring& text, const std::wstring& what) {
    if (what.empty()) return;
    for (size_t pos; (pos = text.find(what)) != std::wstring::npos;) text.erase(pos, what.size());
}

}  // namespace

std::wstring CTWJob::GetPrinterINIFile() const {
    UniquePrinter printer;
    if (!printer.open(m_szPrinterName.c_str())) return {};
    DWORD needed = 0;
    Spooler().GetPrinterDriver(printer.get(), nullptr, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2W)) return {};
    std::vector<BYTE> buf(needed);
    if (!Spooler().GetPrinterDriver(printer.get(), nullptr, 2, buf.data(), needed, &needed)) return {};
    const wchar_t* dataFile = reinterpret_cast<const DRIVER_INFO_2W*>(buf.data())->pDataFile;
    return dataFile ? dataFile : L"";
}

// Takes the record's paper, orientation and resolution into the printer's own default record,
// for records that are not whole.
void CTWJob::ReplaceWithPrinterDefault(const TarnwellDEVMODE& incoming) {
    UniquePrinter printer;
    if (!printer.open(m_szPrinterName.c_str())) return;
    DWORD needed = 0;
    Spooler().GetPrinter(printer.get(), 9, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_9W)) return;
    std::vector<BYTE> buf(needed);
    if (!Spooler().GetPrinter(printer.get(), 9, buf.data(), needed, &needed)) return;
    const DEVMODEW* def = reinterpret_cast<const PRINTER_INFO_9W*>(buf.data())->pDevMode;
    if (!def) return;
    const size_t defSize = static_cast<size_t>(def->dmSize) + def->dmDriverExtra;
    const DWORD printerId = m_sDevMode.Read<DWORD>(dmoff::PrinterId);
    m_sDevMode.Clear();
    std::memcpy(m_sDevMode.Bytes(), def, std::min(defSize, kDevModeSize));
    m_sDevMode.Write<DWORD>(dmoff::PrinterId, printerId);

    short orientation = incoming.Read<short>(dmoff::dmOrientation);
    if (orientation == DMORIENT_PORTRAIT || orientation == DMORIENT_LANDSCAPE)
        m_sDevMode.Write<short>(dmoff::dmOrientation, orientation);
    if (incoming.Read<short>(dmoff::dmPaperSize) > 0)
        m_sDevMode.Write<short>(dmoff::dmPaperSize, incoming.Read<short>(dmoff::dmPaperSize));
    if (incoming.Read<short>(dmoff::dmPaperLength) > 0 && incoming.Read<short>(dmoff::dmPaperWidth) > 0) {
        m_sDevMode.Write<short>(dmoff::dmPaperLength, incoming.Read<short>(dmoff::dmPaperLength));
        m_sDevMode.Write<short>(dmoff::dmPaperWidth, incoming.Read<short>(dmoff::dmPaperWidth));
        m_sDevMode.Write<short>(dmoff::dmScale, incoming.Read<short>(dmoff::dmScale));
    }
    if (incoming.Read<short>(dmoff::dmPrintQuality) > 0 && incoming.Read<short>(dmoff::dmYResolution) > 0) {
        m_sDevMode.Write<short>(dmoff::dmPrintQuality, incoming.Read<short>(dmoff::dmPrintQuality));
        m_sDevMode.Write<short>(dmoff::dmYResolution, incoming.Read<short>(dmoff::dmYResolution));
    }
}

// The spooler's data type, which the driver leaves for the monitor under the printer's key.
void CTWJob::ReadDataType(const TarnwellDEVMODE& dm) {
    std::wstring valueName = FormatW(settings::kJobDataTypeFormat, m_dwJobID);
    auto type = settings::ReadString(&dm, settings::kPrinterGroup, valueName.c_str());
    settings::DeletePrinterValue(&dm, valueName.c_str());
    m_settings.bRawData = type && (EqualsNoCase(*type, L"RAW") || EqualsNoCase(*type, L"TEXT"));
}

void CTWJob::RevertToSpoolerForJob() {
    if (m_hClientToken) return;
    m_hClientToken = Spooler().RevertToPrinterSelf();
}

void CTWJob::ReadPageSelection() {
    if (settings::ReadDwordOr(&m_sDevMode, settings::kPageSettings, settings::kPrintSelectedPagesOnly, 0) == 0) return;
    auto text = settings::ReadString(&m_sDevMode, settings::kPageSettings, settings::kSelectedPages);
    m_settings.pageSelection.Parse(text ? *text : L"");
}

void CTWJob::ReadMessagingNames() {
    const MessagingInterface iface = ResolveMessagingInterface(&m_sDevMode, m_dwJobID, m_szPrinterIniFile);
    m_settings.messagingInterfaceName = iface.name;
    m_settings.dwMessagingSessionId = iface.id;
    m_settings.clientPipeName = ClientPipeName(iface);
    const UploaderPipeNames uploaders = MakeUploaderPipeNames(iface.id, m_dwJobID, ::GetTickCount(), m_szPrinterName);
    m_settings.httpPipeName = uploaders.http;
    m_settings.databasePipeName = uploaders.database;
    m_settings.mfilesPipeName = uploaders.mfiles;
}

void CTWJob::ReadTimeouts() {
    IniFile printerIni(m_szPrinterIniFile);
    auto read = [&](const wchar_t* key, int def) {
        int value = m_szPrinterIniFile.empty() ? def : printerIni.GetInt(ini::kDefaultSettings, key, def);
        MessageCaptureLog().print(diag::kLevelInfo, L"%s = %d", key, value);
        return value;
    };
    m_settings.startApplicationTimeout = read(ini::kStartApplicationTimeout, kDefaultStartApplicationTimeout);
    m_settings.messagingTimeout = read(ini::kMessagingTimeout, kDefaultMessagingTimeout);
    m_settings.messagingTimeout2 = read(ini::kMessagingTimeout2, kDefaultMessagingTimeout);
    m_settings.bAllowAnisotropicDpi = read(ini::kAllowAnisotropicDpi, 0) != 0;
}

void CTWJob::CreateTemporaryGroupFiles() {
    struct Route {
        const wchar_t* setting;
        const wchar_t* format;
        std::wstring* path;
    };
    Route routes[] = {{settings::kHttpUpload, L"%sTW_HTTP_%lu_%lu_%lu", &m_szHttpGroupFile},
                      {settings::kDatabaseUpload, L"%sTW_DB_%lu_%lu_%lu", &m_szDatabaseGroupFile},
                      {settings::kMFilesUpload, L"%sTW_MFiles_%lu_%lu_%lu", &m_szMFilesGroupFile}};
    if (m_settings.bOutputInMemory || !m_sDevMode.HasFlag(dmflag::IsGroupFileDisabled)) return;
    wchar_t temp[MAX_PATH + 1] = {};
    if (!::GetTempPathW(MAX_PATH + 1, temp)) return;
    size_t index = 0;
    for (Route& route : routes) {
        ++index;  // the main group file has index 0
        if (!route.path->empty() || !settings::ReadYesFlag(&m_sDevMode, settings::kPostPrintSettings, route.setting))
            continue;
        std::wstring path = FormatW(route.format, temp, m_settings.dwMessagingSessionId, m_dwJobID, ::GetTickCount()) +
                            L"_" + CleanObjectName(m_szPrinterName) + L".grp";
        if (!CreateUnicodeGroupFile(path, true)) continue;
        IniDocument::Update(path, [&](IniDocument& doc) { doc.Set(m_szPrinterName, L"Temporary", L"1"); });
        *route.path = path;
        SetGroupFile(index, path, true);
    }
}

DWORD CTWJob::CorrectDevMode() {
    TW_TRACE(L"> CTWJob::CorrectDevMode");
    CreateTemporaryGroupFiles();
    DWORD forceDialog = 0;
    if (settings::ReadSaveAsDword(&m_sDevMode, L"Force Save As Dialog", m_dwJobID, forceDialog) && forceDialog == 1)
        m_sDevMode.SetBits(dmoff::Flags, sizeof(DWORD), dmflag::PrintedFromSession0, true);
    // A joined job writes the merged document's format.
    const DWORD format = m_merge.joined ? m_merge.answers.fileFormat : EffectiveOutputFormat(&m_sDevMode, m_dwJobID);
    CorrectDevModeGeometry(m_sDevMode, format);
    TW_TRACE(L"< CTWJob::CorrectDevMode: format %lu", format);
    return format;
}

BOOL CTWJob::SetDevMode(const BYTE* devmode, DWORD cb, BOOL bStartOfDocument) {
    const wchar_t* detail = bStartOfDocument ? L"start" : L"page";
    TW_TRACE(L"> CTWJob::SetDevMode %s", detail);
    if (!devmode || cb != kDevModeSize) {
        ReportOperation(L"SetDevMode", detail, FALSE);
        TW_TRACE_FAILED(L"CTWJob::SetDevMode", L"DevMode");
        return FALSE;
    }
    TarnwellDEVMODE incoming;
    incoming.CopyFrom(devmode);

    if (bStartOfDocument) {
        auto remove = settings::ReadString(&incoming, settings::kFilenameGenerationSettings,
                                           settings::kRemoveTextFromDocumentName);
        if (remove) RemoveAll(m_szDocumentName, *remove);
        ReadDataType(incoming);
        m_settings.bSharedPrinter = IsSharedPrinter(m_szPrinterName, m_dwJobID, incoming);
        if (m_settings.bRawData || m_settings.bSharedPrinter) RevertToSpoolerForJob();
    }

    DWORD printerId = 0;
    if (settings::ReadPrinterId(m_szPrinterName.c_str(), printerId)) incoming.Write<DWORD>(dmoff::PrinterId, printerId);

    const bool adopt = bStartOfDocument || !m_bHasDevMode ||
                       EffectiveOutputFormat(&incoming, m_dwJobID) == EffectiveOutputFormat(&m_sDevMode, m_dwJobID);
    if (adopt) {
        m_sDevMode.CopyFrom(incoming.Bytes());
        m_bHasDevMode = true;
        if (m_merge.joined) ApplyMergeNaming();
    } else {
        TW_TRACE(L"CTWJob::SetDevMode: a page record may not change the file format; ignored");
    }
    if (!IsFullRecord(m_sDevMode)) ReplaceWithPrinterDefault(incoming);
    ApplyForcePaperSettings(m_sDevMode);
    m_szPrinterIniFile = GetPrinterINIFile();

    if (bStartOfDocument) {
        m_environment = CollectJobEnvironment(&m_sDevMode, m_szPrinterName, m_dwJobID, m_settings.bSharedPrinter);
        ReadPageSelection();
        CheckMergeWindow();
    }

    IniFile printerIni(m_szPrinterIniFile);
    if (m_settings.bSharedPrinter) {
        bool ignoreDm = !m_szPrinterIniFile.empty() && printerIni.GetInt(ini::kSharingSettings, ini::kIgnoreDevMode, 0);
        bool ignoreExt =
            !m_szPrinterIniFile.empty() && printerIni.GetInt(ini::kSharingSettings, ini::kIgnoreExtendedDevMode, 0);
        CopySettingsForSharedPrinter(m_szPrinterName, m_sDevMode, ignoreDm, ignoreExt);
    }
    if (bStartOfDocument) {
        if (!m_szPrinterIniFile.empty()) {
            m_settings.ocrBitmapDirectory =
                printerIni.GetString(ini::kOcrSettings, ini::kBitmapDirectory, L"", ini::kBitmapDirectoryChars);
            m_settings.bOcrWriteBitmaps =
                EqualsNoCase(printerIni.GetString(ini::kOcrSettings, ini::kWriteBitmaps, L"No"), L"yes");
        }
        ReadMessagingNames();
        m_settings.bOutputInMemory = m_sDevMode.HasFlag(dmflag::OutputInMemory);
        if (m_settings.bOutputInMemory)
            m_sDevMode.SetBits(dmoff::Flags, sizeof(DWORD), dmflag::ImageGenerationDisabled, false);
        m_settings.bImageGenerationDisabled = m_sDevMode.HasFlag(dmflag::ImageGenerationDisabled);
    }

    const DWORD format = CorrectDevMode();
    if (bStartOfDocument) m_settings.dwEffectiveFormat = format;

    if (bStartOfDocument) {
        InitApplicationStarter();
        SetUpCoverPages();
        ReadTimeouts();
        // A client started for messaging must listen before the DEVMODE is offered to it.
        StartForMessaging();
    } else {
        ReadTimeouts();
    }
    SendDEVMODEPipeMessage(&m_sDevMode, bStartOfDocument);

    if (bStartOfDocument) {
        BYTE perSheet = m_sDevMode.Read<BYTE>(dmoff::PagesPerSheet);
        BYTE sheet = m_sDevMode.Read<BYTE>(dmoff::SheetOptions);
        m_settings.pagesPerSheet = perSheet == 1 ? 0 : perSheet;
        m_settings.bColumnFirst = (sheet & kSheetColumnFirst) != 0;
        m_settings.bCellBorder = (sheet & kSheetCellBorder) != 0;
        // The forwarding program's log: checked for a client started for messaging that names
        // one, and for every forwarded job that wants logs.
        const std::wstring log = forwarding::LogFilePath(&m_sDevMode);
        const bool forwardingLog = IsRedirectPrinting(&m_sDevMode, m_dwJobID, m_merge) && forwarding::LogWanted(&m_sDevMode);
        if ((m_bMessagingClientStarted && !log.empty()) || forwardingLog) {
            if (auto problem = forwarding::CheckLogFile(log)) ReportWarningEvent(problem->c_str());
        }
    }
    // The writer renders with its own copy: without it a page's orientation or paper would
    // reach the group file but not the image.
    if (m_pBlFile) m_pBlFile->CopyDevMode(m_sDevMode);
    ReportOperation(L"SetDevMode", detail, TRUE);
    TW_TRACE_RESULT(L"CTWJob::SetDevMode", TRUE);
    return TRUE;
}

}  // namespace tw
