#pragma once
// Turns the font packages of a spooled page (a subset font, then deltas that add glyphs to it)
// into installable fonts. The platform's "fontsub.dll" does it where its MergeFontPackage works;
// where it does not (Wine's returns an error), the monitor's own merger takes over, so that a
// subset font is never dropped.
#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"

namespace tw {

enum class FontMergeMode : ULONG { Subset = 1, Delta = 2 };

class FontPackageMerger {
public:
    FontPackageMerger();
    // `merged`: the font so far (empty for a subset package). False when the package cannot be
    // merged; `result` is then unchanged.
    bool Merge(const std::vector<BYTE>& merged, const BYTE* package, size_t packageSize, FontMergeMode mode,
               std::vector<BYTE>& result) const;
    bool HasPlatformMerge() const { return m_merge != nullptr; }

    // The monitor's own merge: a subset package is a complete TrueType font of the glyphs used so
    // far; a delta package carries further glyphs at their indices, which are added to it.
    static bool MergeOwn(const std::vector<BYTE>& merged, const BYTE* package, size_t packageSize, FontMergeMode mode,
                         std::vector<BYTE>& result);

private:
    using MergeFn = ULONG(WINAPI*)(const UCHAR*, ULONG, const UCHAR*, ULONG, UCHAR**, ULONG*, ULONG*, USHORT,
                                   void* (*)(size_t), void* (*)(void*, size_t), void (*)(void*), void*);
    UniqueModule m_fontsub;
    MergeFn m_merge = nullptr;
};

}  // namespace tw
