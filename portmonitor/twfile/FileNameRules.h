#pragma once
// The text rules of output file names: cleaning document names, splitting names into
// directory, base and extension, the extension rule, page and collision numbering, and the
// checks that keep names taken from a document inside the output directory.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace tw {

// A name split at the dot after its last backslash; `extension` is empty when there is none
// (and `hasDot` tells whether a dot was there at all).
struct NameParts {
    std::wstring base;
    std::wstring extension;
    bool hasDot = false;
};
NameParts SplitExtension(std::wstring_view name);
// The name with the text after its last dot replaced (a dot is added when there is none).
std::wstring ReplaceExtension(std::wstring_view name, std::wstring_view extension);
// Directory (with its trailing backslash) and file part, split at the last backslash; an
// empty directory when the name has none.
void SplitDirectory(std::wstring_view name, std::wstring& directory, std::wstring& file);
// Appends a backslash unless the text is empty or ends with one.
std::wstring WithTrailingBackslash(std::wstring directory);

// A document name made into a file name for the naming methods that use it: a short
// extension the application added is cut, the output format's extension appended, and every
// character a file name cannot hold removed. Control characters go too, and a base that names
// a device gets a leading underscore, so that the name always stays a plain file.
std::wstring CleanDocumentFileName(std::wstring_view documentName, std::wstring_view formatExtension);

// Characters an explicit name may not hold: <>?*/"| CR LF, and a colon anywhere but second.
bool HasInvalidNameCharacter(std::wstring_view name);

// True when the part before the first dot (trailing blanks ignored) is a device name: CON, PRN,
// AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, in any case.
bool IsReservedDeviceName(std::wstring_view fileName);
// A name taken from the document's content may only name a file: no directory separator, no
// drive, no "." or ".." and no device. False with the name left unchanged when it is refused.
bool IsSafeDocumentFileName(std::wstring_view fileName);

// The extension rule of image names: a name without a dot after its last backslash, or ending
// in a dot, gets the format's extension; `forceFormat` also appends it to a name whose extension
// differs from the format's (content-based names).
std::wstring ApplyExtensionRule(std::wstring_view name, std::wstring_view formatExtension, bool forceFormat);

// Page and collision numbering of a name. `pageNumbering`: "base%06lu.ext" of the sheet number.
// `collisionNumbering`: while `exists` says a file of the name is there, count d = 1, 2, ...
// giving "base (d).ext", or "base%06lu (d).ext" when `pageStyleCollision`.
struct NumberingRequest {
    bool pageNumbering = false;
    bool collisionNumbering = false;
    bool pageStyleCollision = false;
    DWORD sheet = 1;
};
std::wstring ApplyNumbering(std::wstring_view name, const NumberingRequest& request,
                            const std::function<bool(const std::wstring&)>& exists);

// The sheet number of the page with zero-based index `pageIndex`: index / N + 1 with N >= 2
// pages per sheet, index + 1 otherwise.
DWORD SheetNumber(DWORD pageIndex, int pagesPerSheet);

// File-system tests used by the naming code.
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// Exists and opens for reading and writing.
bool FileIsReadWrite(const std::wstring& path);

}  // namespace tw
