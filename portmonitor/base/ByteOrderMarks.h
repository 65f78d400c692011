#pragma once
// The byte-order marks that open text files: the monitor writes them and reads files by them.
#include <windows.h>

namespace tw {

inline constexpr BYTE kBomUtf8[] = {0xEF, 0xBB, 0xBF};
inline constexpr BYTE kBomUtf16Le[] = {0xFF, 0xFE};
inline constexpr BYTE kBomUtf16Be[] = {0xFE, 0xFF};

}  // namespace tw
