// The five entries of TWIMGUser.dll, exported by ordinal only (TWIMGUser.def).
#include <algorithm>
#include <new>

#include "ImagingCore.h"
#include "TWIMGUser.h"

namespace {

using twimg::DibView;

constexpr int kBilevel = 1;
constexpr int kIndexed = 8;

// Runs a reduction that has one method for each bit count; null for any other bit count, an
// unreadable image or memory that cannot be had.
template <typename ToBilevel, typename ToIndexed>
HGLOBAL Reduce(HGLOBAL image, int bitCount, ToBilevel toBilevel, ToIndexed toIndexed) {
    if (bitCount != kBilevel && bitCount != kIndexed) return nullptr;
    DibView src(image);
    if (!src.valid()) return nullptr;
    try {
        return bitCount == kBilevel ? toBilevel(src) : toIndexed(src);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

extern "C" {

HGLOBAL WINAPI TwImgBrightnessContrast(HGLOBAL image, int brightness, int contrast, int) {
    DibView src(image);
    if (!src.valid()) return nullptr;
    brightness = std::clamp(brightness, twimg::kMinAdjustment, twimg::kMaxAdjustment);
    contrast = std::clamp(contrast, twimg::kMinAdjustment, twimg::kMaxAdjustment);
    try {
        return twimg::AdjustBrightnessContrast(src, brightness, contrast);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HGLOBAL WINAPI TwImgReduceDefault(HGLOBAL image, int bitCount) {
    return Reduce(
        image, bitCount, [](const DibView& s) { return twimg::DiffuseToBilevel(s, twimg::kFloydSteinberg); },
        [](const DibView& s) { return twimg::DiffuseToPalette(s, twimg::kFloydSteinberg); });
}

HGLOBAL WINAPI TwImgReduceOrdered(HGLOBAL image, int bitCount) {
    return Reduce(image, bitCount, twimg::OrderedToBilevel, twimg::OrderedToCube);
}

HGLOBAL WINAPI TwImgReduceJarvis(HGLOBAL image, int bitCount) {
    return Reduce(
        image, bitCount, [](const DibView& s) { return twimg::DiffuseToBilevel(s, twimg::kJarvisJudiceNinke); },
        [](const DibView& s) { return twimg::DiffuseToPalette(s, twimg::kJarvisJudiceNinke); });
}

HGLOBAL WINAPI TwImgReduceThreshold(HGLOBAL image, int bitCount) {
    return Reduce(image, bitCount, twimg::OtsuToBilevel, twimg::MapToPalette);
}

}  // extern "C"
