#pragma once
// Paths and names handed on as 8-bit text (to the JPEG library, into HTML pages): the ANSI
// code page, with characters it cannot show as "_" and the characters no file name may hold
// dropped.
#include <string>
#include <string_view>

namespace tw {

std::string ToAnsiPath(std::wstring_view text);

}  // namespace tw
