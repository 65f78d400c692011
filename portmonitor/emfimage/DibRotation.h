#pragma once
// Turning a packed page DIB: 1 a quarter turn anticlockwise, 2 a half turn, 3 a quarter turn
// clockwise. Quarter turns exchange width and height and the two resolutions.
#include <windows.h>

#include "base/UniqueHandle.h"

namespace tw {

inline constexpr int kRotateNone = 0;
inline constexpr int kRotateAnticlockwise = 1;
inline constexpr int kRotateHalf = 2;
inline constexpr int kRotateClockwise = 3;

// The turned copy of `dib` (1, 4, 8, 24 or 32 bits, uncompressed, bottom-up); none when the DIB
// is malformed, the code unknown, or memory runs out.
UniqueHGlobal RotatePackedDib(HGLOBAL dib, int code);

}  // namespace tw
