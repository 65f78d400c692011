#pragma once
// Pieces shared by the settings accessors' source files; not for use outside them.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tw {
class TarnwellDEVMODE;

namespace settings::detail {

bool IsTextType(DWORD type);
// The text of a REG_SZ read into a buffer: `cb` bytes, up to the first terminator if any.
std::wstring TextFromData(const BYTE* data, DWORD cb);
// root \ sub, or whichever of them is not empty.
std::wstring JoinPath(std::wstring_view root, std::wstring_view sub);
// The group format with every "%s" replaced by the printer registry name. Plain substitution,
// not printf: a format is never expanded with anything else.
std::wstring ExpandGroup(const wchar_t* groupFormat, const std::wstring& printerName);
// The group path below the root; empty when the record yields no printer registry name.
std::wstring GroupSubPath(const TarnwellDEVMODE* dm, const wchar_t* groupFormat);
// Leading white space, an optional sign and the decimal digits that follow; 0 without digits,
// clamped to the range of int.
int ParseDecimal(std::wstring_view text);
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);
// A REG_SZ of the group read into a 16-byte buffer; none when missing, not text or longer.
std::optional<std::wstring> ReadShortText(const TarnwellDEVMODE* dm, const wchar_t* groupFormat,
                                          const wchar_t* valueName);

}  // namespace settings::detail
}  // namespace tw
