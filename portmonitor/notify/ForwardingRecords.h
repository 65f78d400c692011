#pragma once
// Printer forwarding records: the job record (sequence 0) and one record per forwarded page
// under "<printer>\Forwarding\<post-print ID>_<sequence>", read by the forwarding program. A
// record whose "Ready" reads "Abort" is left alone; the first failing write ends the step.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tw {

class TarnwellDEVMODE;

namespace forwarding {

inline constexpr wchar_t kRecords[] = L"Forwarding";
// Job record.
inline constexpr wchar_t kRegistryPath[] = L"REDIRECT INFO REGISTRY PATH";
inline constexpr wchar_t kDocumentName[] = L"DOCUMENT NAME";
inline constexpr wchar_t kIniFileName[] = L"INIFILE NAME";
inline constexpr wchar_t kOutputDirName[] = L"OUTPUTDIR NAME";
inline constexpr wchar_t kBatesStart[] = L"Bates start number";
inline constexpr wchar_t kCurrentBates[] = L"Current Bates number";
inline constexpr wchar_t kNumberOfCopies[] = L"Number of copies";
inline constexpr wchar_t kCollate[] = L"Collate";
inline constexpr wchar_t kPrintAsBitmap[] = L"Print as Bitmap";
inline constexpr wchar_t kPageNumber[] = L"PAGENUMBER";
inline constexpr wchar_t kReady[] = L"Ready";
inline constexpr wchar_t kReadyNo[] = L"No";
inline constexpr wchar_t kReadyPrinting[] = L"Printing";
inline constexpr wchar_t kReadyYes[] = L"YES";
inline constexpr wchar_t kReadyNoRedirect[] = L"No Redirect";
// Fixed-size texts of the job record, in bytes.
inline constexpr DWORD kFixedTextBytes = 260;
// Page record.
inline constexpr wchar_t kPageFile[] = L"Forwarding";
inline constexpr wchar_t kUnderFile[] = L"Forwarding Under";
inline constexpr wchar_t kAboveFileFormat[] = L"Forwarding Above %lu";
inline constexpr wchar_t kDevMode[] = L"DevMode";
inline constexpr wchar_t kDevModeSizeValue[] = L"DevModeSize";
inline constexpr wchar_t kSize[] = L"Size";
// Temporary metafiles in the temporary directory.
inline constexpr wchar_t kPagePrefix[] = L"~tw";
inline constexpr wchar_t kAbovePrefix[] = L"~twa";
inline constexpr wchar_t kLogTemporaryFile[] = L"Error writing the temporary file.";

// What the writers need from the job.
struct ForwardingJob {
    const TarnwellDEVMODE* dm = nullptr;
    DWORD jobId = 0;
    DWORD postPrintId = 0;
    bool perJobOptions = false;
    std::wstring printerName;        // the spooler's printer name
    std::wstring documentName;
    std::wstring iniFile;            // the printer driver's settings file
    std::wstring outputDirectory;    // expanded
};

// Copies, collation and the bitmap switch of the forwarded pages.
struct ForwardingCopies {
    DWORD copies = 1;
    DWORD collate = 0;
    DWORD printAsBitmap = 0;
};
ForwardingCopies ResolveCopies(const TarnwellDEVMODE* dm, DWORD jobId);

// "<printer>\Forwarding\<post-print ID>_<sequence>" (a group format: "%s" is the printer).
std::wstring RecordGroupFormat(DWORD postPrintId, DWORD sequence);

bool WriteStartDocForPrinterForwardingToRegistry(const ForwardingJob& job);
// Page `sequence` (from 1): its metafile and size, the under-layer (may be empty) and one
// annotation metafile per copy; then the job record's copies and "Ready" = "Printing".
bool WritePrinterForwardingDataToRegistry(const ForwardingJob& job, DWORD sequence, const std::wstring& pageFile,
                                          DWORD pageFileSize, const std::wstring& underFile,
                                          const std::vector<std::wstring>& copyFiles);
bool WriteNoRedirectMsgForPrinterForwardingToRegistry(const ForwardingJob& job);
bool WriteEndDocForPrinterForwardingToRegistry(const ForwardingJob& job, DWORD pages);

}  // namespace forwarding
}  // namespace tw
