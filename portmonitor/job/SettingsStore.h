#pragma once
// The printer's settings in the printing user's registry hive: one key per printer under
// "SOFTWARE\Tarnwell Software LLC", a sub-key per option group, and the per-job Save-As answers.
// Nothing is cached: every read opens and closes its key, so a changed setting counts at once.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tw {

class TarnwellDEVMODE;

namespace settings {

inline constexpr wchar_t kRoot[] = L"SOFTWARE\\Tarnwell Software LLC";
inline constexpr wchar_t kDefaultUserRoot[] = L".DEFAULT\\SOFTWARE\\Tarnwell Software LLC";
inline constexpr wchar_t kPrinterIds[] = L"PrinterIDs";
inline constexpr wchar_t kPrinterNameValue[] = L"Printer name";

// Group formats: %s is the printer registry name.
inline constexpr wchar_t kPrinterGroup[] = L"%s";
inline constexpr wchar_t kPageSettings[] = L"%s\\Page Settings";
inline constexpr wchar_t kFilenameGenerationSettings[] = L"%s\\Filename Generation Settings";
inline constexpr wchar_t kCoverPageSettings[] = L"%s\\Cover Page Settings";
inline constexpr wchar_t kMessagingInterfaceSettings[] = L"%s\\Messaging Interface Settings";
inline constexpr wchar_t kRedirectPrintingSettings[] = L"%s\\Redirect Printing Settings";
inline constexpr wchar_t kTroubleshootingSettings[] = L"%s\\Troubleshooting Settings";
inline constexpr wchar_t kHtmlSettings[] = L"%s\\Html Settings";
inline constexpr wchar_t kPostPrintSettings[] = L"%s\\Post Print Settings";
inline constexpr wchar_t kEmailSettings[] = L"%s\\Post Print Settings\\Email Settings";
inline constexpr wchar_t kSharePointSettings[] = L"%s\\Post Print Settings\\SharePoint Settings";
inline constexpr wchar_t kFtpSettings[] = L"%s\\Post Print Settings\\FTP Settings";
inline constexpr wchar_t kOcrSettings[] = L"%s\\OCR";
inline constexpr wchar_t kHeaderSettings[] = L"%s\\Header Settings";
inline constexpr wchar_t kFooterSettings[] = L"%s\\Footer Settings";
inline constexpr wchar_t kTextWatermarkStampSettings[] = L"%s\\Text Watermark Stamp Settings";
inline constexpr wchar_t kTextOutputSettings[] = L"%s\\Text Output Settings";
inline constexpr wchar_t kWatermarkSettings[] = L"%s\\Watermark";
inline constexpr wchar_t kStartApplication[] = L"%s\\Start Application";
inline constexpr wchar_t kApplicationStarter[] = L"%s\\Application Starter";
inline constexpr wchar_t kBarcodeSettings[] = L"%s\\Barcode Settings";
inline constexpr wchar_t kBatesNumbering[] = L"%s\\BatesNumbering";
inline constexpr wchar_t kEnvVars[] = L"%s\\EnvVars";
inline constexpr wchar_t kPdfSettings[] = L"%s\\Pdf Settings";
inline constexpr wchar_t kSaveAsOptionSettings[] = L"%s\\Save As Option Settings";

// The printer's registry name: "Printer name" under PrinterIDs\<the record's printer id>, else
// the record's device name (at most 32 characters). Empty without a record.
std::wstring PrinterRegistryName(const TarnwellDEVMODE* dm);
// root \ group with %s replaced by the printer registry name: "SOFTWARE\...\Printer\Page Settings".
// Groups with a number (per job, per FTP connection) are formatted first (JobGroupFormat).
std::wstring GroupPath(const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat);
// The per-job key "%s\%d".
std::wstring JobGroupFormat(DWORD jobId);

// ---- Printer-scoped accessors (any null argument: FALSE without touching the registry).
bool ReadDword(HKEY hive, const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat,
               const wchar_t* valueName, DWORD& out);
// Size protocol: a size below the value's, or a non-zero size with a null buffer, stores the size
// needed and fails; otherwise reads and stores the bytes read.
bool ReadText(const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat, const wchar_t* valueName,
              void* buffer, DWORD& sizeInBytes);
bool WriteDword(const TarnwellDEVMODE* dm, const wchar_t* root, const wchar_t* groupFormat, const wchar_t* valueName,
                DWORD value);
bool DeletePrinterValue(const TarnwellDEVMODE* dm, const wchar_t* valueName);
bool ResetReadEmfData(const TarnwellDEVMODE* dm);
bool ReadPrinterId(const wchar_t* printerName, DWORD& out);

// Conveniences over the kinds of the settings table, all under kRoot in HKEY_CURRENT_USER.
DWORD ReadDwordOr(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* valueName, DWORD def);
// REG_SZ read into a 16-byte buffer; true exactly for "yes" in any case; `def` when missing.
bool ReadYesFlag(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* valueName, bool def = false);
// REG_SZ read into a 16-byte buffer and converted as a decimal integer; `def` when missing.
int ReadNumberText(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* valueName, int def = 0);
// A whole REG_SZ value through the size protocol; none when missing.
std::optional<std::wstring> ReadString(const TarnwellDEVMODE* dm, const wchar_t* groupFormat,
                                       const wchar_t* valueName);

// ---- Global accessors: sub-keys given whole, relative to kRoot.
bool ReadRegistryString(const wchar_t* subKey, std::wstring& out, size_t maxChars, const wchar_t* defaultText,
                        const wchar_t* valueName);
int ReadRegistryInt(const wchar_t* subKey, const wchar_t* valueName);
bool WriteRegistryString(const wchar_t* subKey, const wchar_t* text);

// ---- Save-As answers under "%s\Save As Option Settings\<job id>"; the root moves under the
// browser's redirected hive when the record says the job came from a low-integrity browser.
// Row indexes of the two option tables; -1 for a name not in the table.
int SaveAsDwordIndex(std::wstring_view name);
int SaveAsTextIndex(std::wstring_view name);
bool ReadSaveAsDword(const TarnwellDEVMODE* dm, int optionIndex, DWORD jobId, DWORD& out);
bool ReadSaveAsDword(const TarnwellDEVMODE* dm, std::wstring_view optionName, DWORD jobId, DWORD& out);
bool ReadSaveAsText(const TarnwellDEVMODE* dm, int optionIndex, DWORD jobId, void* buffer, DWORD& sizeInBytes);
bool ReadSaveAsText(const TarnwellDEVMODE* dm, std::wstring_view optionName, DWORD jobId, void* buffer,
                    DWORD& sizeInBytes);
bool DeleteSaveAsRecord(const TarnwellDEVMODE* dm, DWORD jobId);
// The root the three Save-As accessors read below: kRoot, or for a job from a low-integrity
// browser the redirected "Software\...\InternetRegistry\REGISTRY\USER\<SID>\<kRoot>". Empty
// when there is no record, or the record asks for the redirection without a usable SID text.
std::wstring SaveAsRoot(const TarnwellDEVMODE* dm);
// The group format of a job's answers: "%s\Save As Option Settings\<job id>".
std::wstring SaveAsGroupFormat(DWORD jobId);
// The name overloads of ReadSaveAsText also take a numbered entry of a "%d" row ("Printer 2").

// ---- FTP passwords: two upper-case hex digits per character, XORed with 0x3C.
inline constexpr BYTE kPasswordScramble = 0x3C;
std::wstring UnscramblePassword(std::wstring_view scrambled);
std::wstring ScramblePassword(std::wstring_view plain);

// ---- Fonts of the header, footer and text stamp groups: `prefix` is L"Header ", L"Footer " or
// L"" ("Font Height" ... "Font Facename"). Any value missing: no font at all.
bool ReadFont(const TarnwellDEVMODE* dm, const wchar_t* groupFormat, const wchar_t* prefix, LOGFONTW& out);

}  // namespace settings
}  // namespace tw
