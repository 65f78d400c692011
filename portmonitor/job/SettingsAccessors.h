#pragma once
// Settings whose reading has a rule of its own beyond the generic value kinds: clamps, values
// that count as missing, inverted texts, another hive, scrambled texts.
#include <windows.h>

#include <optional>
#include <string>

namespace tw {
class TarnwellDEVMODE;

namespace settings {

// "Visibility" of the text stamp: 0 to 100, 100 when missing. The stored DWORD is signed, so a
// negative value reads as 0.
int ReadVisibility(const TarnwellDEVMODE* dm);
// "Collate pages" of printer forwarding: a yes-flag that is true when missing.
bool ReadCollatePages(const TarnwellDEVMODE* dm);
// Brightness of the first-page watermark image: 0 to 100; above counts as missing (40).
DWORD ReadFirstImageBrightness(const TarnwellDEVMODE* dm, bool landscape);
// Placement code of the first-page watermark image: 1, 2, 4, 8, 16, 32, 64 or 128; anything
// else counts as missing (4).
DWORD ReadFirstImagePosition(const TarnwellDEVMODE* dm, bool landscape);
// "No Page Headers" of the text output: true exactly when the text is "no", in any case.
bool ReadNoPageHeaders(const TarnwellDEVMODE* dm);
// "Use Output Directory from Client", from the machine's default-user hive: non-zero is on.
bool ReadUseOutputDirectoryFromClient(const TarnwellDEVMODE* dm);

// The group of FTP connection n: "%s\Post Print Settings\FTP Settings\<n>".
std::wstring FtpConnectionGroupFormat(int connection);
// A scrambled password of FTP connection n ("Password", "Proxy User Password"), read into a
// 520-byte buffer and unscrambled; none when missing or longer.
std::optional<std::wstring> ReadFtpPassword(const TarnwellDEVMODE* dm, int connection, const wchar_t* valueName);

}  // namespace settings
}  // namespace tw
