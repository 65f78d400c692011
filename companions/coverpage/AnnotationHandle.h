#pragma once
// The annotation handle TwImg1x.dll hands out and TwAnnox.dll works on: a moveable global block
// holding a header (the selected page, the drawing resolution) and the pages' annotations in
// their text form, so that the two libraries share no memory but the block (README.md).
#include <windows.h>

#include <optional>
#include <vector>

#include "Annotations.h"

namespace coverpage {

inline constexpr DWORD kAnnoHandleMagic = 0x4E415754;  // "TWAN"

struct AnnoHandleHeader {
    DWORD magic;
    DWORD pageCount;
    int selectedPage;
    int dpiX, dpiY;  // 96 x (page pixels per device pixel); 0 before AnnoSetDPI
    DWORD textBytes;
};

// A new handle with `pages`; null when it cannot be allocated.
HANDLE CreateAnnoHandle(const std::vector<PageAnnotations>& pages);
// Locks the block for one change of its header; false for a block that is not a handle.
bool ChangeAnnoHandle(HANDLE handle, void (*change)(AnnoHandleHeader&, int, int), int a, int b);
// The header and the selected page's objects; none for a block that is not a handle.
struct SelectedPage {
    AnnoHandleHeader header{};
    std::optional<PageAnnotations> page;  // none when the selected page is outside the pages
};
std::optional<SelectedPage> ReadSelectedPage(HANDLE handle);
bool DestroyAnnoHandleBlock(HANDLE handle);

}  // namespace coverpage
