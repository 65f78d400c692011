#pragma once
// PNG watermark pictures through libpng's reading calls.
#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace tw {

// The largest picture accepted, in pixels (its decoded rows are held in memory at 4 bytes each).
inline constexpr unsigned long long kMaxPngPixels = 64ull * 1024 * 1024;

// A PNG file of any colour type and depth as a 24-bit packed DIB, transparent parts laid over
// white; with `keepAlpha`, a picture with transparency becomes a 32-bit DIB with its alpha
// (not premultiplied). Null, with `error` saying why, for a file libpng refuses or a picture
// too large.
UniqueHGlobal LoadPngPicture(const std::wstring& path, std::wstring& error, bool keepAlpha = false);

}  // namespace tw
