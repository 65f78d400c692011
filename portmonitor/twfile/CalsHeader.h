#pragma once
// The CALS Type 1 raster header: 16 records of 128 characters, the first 11 opened by their
// keys, each padded with spaces and without line ends.
#include <windows.h>

#include <array>

namespace tw {

inline constexpr size_t kCalsRecordBytes = 128;
inline constexpr size_t kCalsRecords = 16;
inline constexpr size_t kCalsHeaderBytes = kCalsRecordBytes * kCalsRecords;

using CalsHeader = std::array<char, kCalsHeaderBytes>;

// Dots per inch as the rdensty record gives it, from pels per metre.
constexpr LONG CalsDensity(LONG pelsPerMeter) { return (pelsPerMeter * 100 + 1968) / 3937; }

// The header of a page of `width` x `height` pixels at `xPelsPerMeter`.
CalsHeader BuildCalsHeader(LONG width, LONG height, LONG xPelsPerMeter);

}  // namespace tw
