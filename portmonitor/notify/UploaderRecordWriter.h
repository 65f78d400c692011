#pragma once
// Pieces shared by the uploader record writers' source files; not for use outside them.
#include <windows.h>

#include <optional>
#include <string>

#include "base/UniqueHandle.h"
#include "notify/UploaderRecords.h"

namespace tw::uploader::detail {

inline constexpr wchar_t kLogSaveFailed[] = L"%s: Error saving '%s'. Error code: %d";
inline constexpr wchar_t kLogCannotOpen[] = L"%s: Cannot open subkey";

// The route's record key, created; none (logged) when it cannot be, or when it reads "Abort".
UniqueHKey OpenRecord(const UploaderJob& job, const wchar_t* records, const wchar_t* writer);
// A value of the record; false with a log line naming the writer and the value.
bool PutValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD cb, const wchar_t* writer);
bool PutText(HKEY key, const wchar_t* name, const std::wstring& text, const wchar_t* writer);
bool PutDword(HKEY key, const wchar_t* name, DWORD value, const wchar_t* writer);
// A path through the job's path expansion.
std::wstring Expand(const UploaderJob& job, const std::wstring& path);
// A text setting of the printer's group; none when missing.
std::optional<std::wstring> Setting(const UploaderJob& job, const wchar_t* groupFormat, const wchar_t* name);
// "SOFTWARE\Tarnwell Software LLC\<printer>\<group>" for a group format.
std::wstring FullPath(const UploaderJob& job, const std::wstring& groupFormat);
// Copies each named value that exists below `sourcePath` into `target` with its type; the names
// in `expanded` go through the path expansion. False at the first value that cannot be written.
bool CopyValues(const UploaderJob& job, const std::wstring& sourcePath, HKEY target,
                std::initializer_list<const wchar_t*> names, std::initializer_list<const wchar_t*> expanded,
                const wchar_t* writer);

}  // namespace tw::uploader::detail
