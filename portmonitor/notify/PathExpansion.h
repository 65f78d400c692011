#pragma once
// Tokens between "<<" and ">>" in output paths, post-print records and barcode file names:
// the job's own values, the printer's "%s\EnvVars" settings and the printing user's
// environment variables.
#include <windows.h>

#include <string>
#include <string_view>

#include "notify/JobEnvironment.h"

namespace tw {

class TarnwellDEVMODE;

inline constexpr wchar_t kTokenOpen[] = L"<<";
inline constexpr wchar_t kTokenClose[] = L">>";
// The expanded text fills a buffer of this many characters, terminator included.
inline constexpr size_t kExpandedPathChars = 260;

// USERNAME, USERDOMAIN, COMPUTERNAME and IPADDRESS (any case) give the job's values; any other
// name its "%s\EnvVars" value, else the user variable. A token that resolves to nothing stays
// as written, "<<" and ">>" included; a token without ">>" runs to the end. A piece that does not
// fit into the output is left out. True when every token resolved and nothing was left out.
bool ExpandPath(const JobEnvironment& env, const TarnwellDEVMODE* dm, std::wstring_view templ, std::wstring& out,
                UserTokenSource tokenSource = UserTokenSource::ThreadOnly);

// The same for texts without job tokens (barcode file names): every name is a "%s\EnvVars" value
// or a user variable.
bool ExpandVariables(const TarnwellDEVMODE* dm, std::wstring_view templ, std::wstring& out,
                     UserTokenSource tokenSource = UserTokenSource::ThreadOnly);

// The printer's registry name: "Printer name" under the record's PrinterIDs entry, else the
// record's device name.
std::wstring PrinterName(const TarnwellDEVMODE* dm);

}  // namespace tw
