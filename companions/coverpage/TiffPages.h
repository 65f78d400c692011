#pragma once
// Multi-page TIFF files of cover pages through libtiff: read from a file or from bytes in
// memory, each page into a packed DIB, each page's annotations from its private tag; and written
// into memory by the editor (Group 4 pages with their annotations).
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Annotations.h"

typedef struct tiff TIFF;

namespace coverpage {

// An open TIFF and the bytes it is read from (its own copy when it came from memory).
class TiffChain {
public:
    static std::unique_ptr<TiffChain> OpenFile(const std::wstring& path);
    static std::unique_ptr<TiffChain> OpenBytes(const BYTE* data, size_t size);
    ~TiffChain();
    TiffChain(const TiffChain&) = delete;
    TiffChain& operator=(const TiffChain&) = delete;

    // Pages of the chain; `all` counts reduced-resolution pages too. A chain whose directories
    // loop or cannot be read counts up to the last good one.
    int PageCount(bool all);
    // Directory `index` (0-based, every page of the chain) as a packed DIB; null when it cannot be read.
    HGLOBAL LoadPage(int index);
    // The annotations of each directory, in chain order; empty pages for pages without any. None when
    // no page carries annotations or a page's annotations are malformed.
    std::optional<std::vector<PageAnnotations>> LoadAnnotations();

private:
    TiffChain() = default;
    bool SelectPage(int index);
    std::vector<BYTE> m_bytes;
    size_t m_pos = 0;
    TIFF* m_tiff = nullptr;
    friend struct MemoryIo;
};

// One page the editor writes: a 1-bit image (rows top-down, 0 = white, 1 = black, packed most
// significant bit first) and its annotations.
struct BilevelPage {
    int width = 0, height = 0, xdpi = 200, ydpi = 200;
    std::vector<BYTE> rows;  // (width + 7) / 8 bytes a row
    PageAnnotations annotations;
};
// The pages as a Group 4 multi-page TIFF in memory; empty on failure.
std::vector<BYTE> WriteBilevelTiff(const std::vector<BilevelPage>& pages);
// Reads every page of a TIFF file as a bilevel page (dark pixels black); empty on failure.
std::vector<BilevelPage> ReadBilevelPages(const std::wstring& path);

}  // namespace coverpage
