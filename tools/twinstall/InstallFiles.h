#pragma once
// The files twinstall puts beside the spooler: the monitor and the companions it loads, and
// the record of what was copied, so that uninstall removes exactly those files.
#include <windows.h>

#include <string>
#include <vector>

namespace twinstall {

inline constexpr wchar_t kMonitorDll[] = L"tarnmon.dll";
// Companions the monitor loads or starts; those not built yet are skipped.
inline constexpr const wchar_t* kCompanionFiles[] = {
    L"TIFF32.DLL", L"TWIMGUser.dll", L"TwPlugIn.dll", L"JPEG32.DLL", L"TuMAppTS.exe", L"TwOCRx.dll",
    L"TuBwQRr.dll", L"TuBwDMr.dll", L"TuBwP417r.dll", L"TuBrw1Dr.dll", L"TwRegExp.dll",
};
// HKEY_LOCAL_MACHINE\<kRecordKey>\<monitor name>: "Directory" and "Files" (REG_MULTI_SZ).
inline constexpr wchar_t kRecordKey[] = L"SOFTWARE\\Tarnwell Software LLC\\twinstall";

struct CopyResult {
    DWORD error = ERROR_SUCCESS;
    std::wstring failedFile;
    std::vector<std::wstring> copied;     // full target paths, changed or new
    std::vector<std::wstring> unchanged;  // already there with the same bytes
};

std::wstring ProgramDirectory();
std::wstring SystemDirectory();
// Copies the monitor (required) and every companion present in `source` into `target`.
CopyResult CopyInstallFiles(const std::wstring& source, const std::wstring& target);

struct InstallRecord {
    std::wstring directory;
    std::vector<std::wstring> files;
};
DWORD WriteRecord(const std::wstring& monitor, const InstallRecord& record);
bool ReadRecord(const std::wstring& monitor, InstallRecord& record);
void DeleteRecord(const std::wstring& monitor);

}  // namespace twinstall
