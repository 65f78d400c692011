#pragma once
// Names the system makes up in a directory (GetTempFileNameW): unique at the moment they are
// made, from the first three characters of a prefix; and the final output name held by
// creating it exclusively, so that no other job can take it before the page is written.
#include <windows.h>

#include <string>
#include <vector>

namespace tw {

// A new name in `directory`; the file the system creates for it is deleted at once, so that
// the caller can change its extension. Returns 0, or the Windows error when none can be made.
DWORD MakeTemporaryName(const std::wstring& directory, const std::wstring& prefix, std::wstring& name);

// Creates `path` as an empty file only when no file of that name exists (CREATE_NEW): 0 when
// the name is now this caller's, ERROR_FILE_EXISTS when another file has it, or the Windows
// error of the attempt.
DWORD CreateFileExclusively(const std::wstring& path);
// True for the errors of CreateFileExclusively that mean "the name is taken".
bool IsNameTaken(DWORD error);

// The name a job reserved for its next output file. A reserved file that is still empty when
// the next name is reserved, or when the job ends, held no page: it is removed, unless the
// job wrote it (as an empty file) itself.
class CNameReservation {
public:
    CNameReservation() = default;
    ~CNameReservation();
    CNameReservation(const CNameReservation&) = delete;
    CNameReservation& operator=(const CNameReservation&) = delete;

    // Reserves `path` (see CreateFileExclusively); the previous reservation is settled first.
    DWORD Reserve(const std::wstring& path, const std::vector<std::wstring>& written);
    // Removes the reserved file when it stayed empty and is not among `written`.
    void Settle(const std::vector<std::wstring>& written);
    const std::wstring& Name() const { return m_name; }

private:
    std::wstring m_name;
};

}  // namespace tw
