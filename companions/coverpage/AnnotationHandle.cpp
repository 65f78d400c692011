#include "AnnotationHandle.h"

#include <cstring>
#include <sstream>
#include <string>

namespace coverpage {
namespace {

// Each page's objects follow a line "page <xdpi> <ydpi>".
constexpr char kPageLine[] = "page";

// The block's header when `handle` is a whole annotation handle, with its size checked.
const AnnoHandleHeader* CheckedHeader(const BYTE* data, SIZE_T size) {
    if (!data || size < sizeof(AnnoHandleHeader)) return nullptr;
    const auto* h = reinterpret_cast<const AnnoHandleHeader*>(data);
    if (h->magic != kAnnoHandleMagic || h->textBytes > size - sizeof(AnnoHandleHeader)) return nullptr;
    return h;
}

}  // namespace

HANDLE CreateAnnoHandle(const std::vector<PageAnnotations>& pages) {
    std::string text;
    for (const PageAnnotations& p : pages)
        text += std::string(kPageLine) + " " + std::to_string(p.xdpi) + " " + std::to_string(p.ydpi) + "\n" +
                FormatPage(p);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(AnnoHandleHeader) + text.size());
    if (!block) return nullptr;
    auto* h = static_cast<AnnoHandleHeader*>(::GlobalLock(block));
    if (!h) {
        ::GlobalFree(block);
        return nullptr;
    }
    h->magic = kAnnoHandleMagic;
    h->pageCount = static_cast<DWORD>(pages.size());
    h->textBytes = static_cast<DWORD>(text.size());
    std::memcpy(h + 1, text.data(), text.size());
    ::GlobalUnlock(block);
    return block;
}

bool ChangeAnnoHandle(HANDLE handle, void (*change)(AnnoHandleHeader&, int, int), int a, int b) {
    if (!handle) return false;
    HGLOBAL block = static_cast<HGLOBAL>(handle);
    BYTE* data = static_cast<BYTE*>(::GlobalLock(block));
    const AnnoHandleHeader* h = CheckedHeader(data, data ? ::GlobalSize(block) : 0);
    if (h) change(*const_cast<AnnoHandleHeader*>(h), a, b);
    if (data) ::GlobalUnlock(block);
    return h != nullptr;
}

std::optional<SelectedPage> ReadSelectedPage(HANDLE handle) {
    if (!handle) return std::nullopt;
    HGLOBAL block = static_cast<HGLOBAL>(handle);
    const BYTE* data = static_cast<const BYTE*>(::GlobalLock(block));
    const AnnoHandleHeader* h = CheckedHeader(data, data ? ::GlobalSize(block) : 0);
    if (!h) {
        if (data) ::GlobalUnlock(block);
        return std::nullopt;
    }
    SelectedPage out;
    out.header = *h;
    const std::string text(reinterpret_cast<const char*>(h + 1), h->textBytes);
    ::GlobalUnlock(block);

    // Cut out the selected page's lines.
    std::istringstream lines(text);
    std::string line, objects;
    int page = -1, xdpi = 0, ydpi = 0;
    while (std::getline(lines, line)) {
        if (line.rfind(kPageLine, 0) == 0) {
            if (page == out.header.selectedPage) break;
            ++page;
            std::istringstream in(line.substr(sizeof(kPageLine) - 1));
            in >> xdpi >> ydpi;
            continue;
        }
        if (page == out.header.selectedPage) objects += line + "\n";
    }
    if (page == out.header.selectedPage && xdpi > 0 && ydpi > 0) out.page = ParsePage(objects, xdpi, ydpi);
    return out;
}

bool DestroyAnnoHandleBlock(HANDLE handle) {
    if (!handle) return false;
    HGLOBAL block = static_cast<HGLOBAL>(handle);
    const BYTE* data = static_cast<const BYTE*>(::GlobalLock(block));
    const bool whole = CheckedHeader(data, data ? ::GlobalSize(block) : 0) != nullptr;
    if (data) ::GlobalUnlock(block);
    if (whole) ::GlobalFree(block);
    return whole;
}

}  // namespace coverpage
