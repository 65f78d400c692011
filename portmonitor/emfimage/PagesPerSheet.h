#pragma once
// Several pages composed onto one output sheet: the grid for a page count, where each page's
// cell lies, and the pages collected for the sheet being filled.
#include <windows.h>

#include <vector>

#include "base/UniqueHandle.h"
#include "emfimage/MetafileSheet.h"

namespace tw {

struct SheetGrid {
    int columns = 1;
    int rows = 1;
    bool turned = false;  // the sheet lies the other way round from its pages
};

// The grid for `count` pages on a portrait sheet.
SheetGrid SheetGridFor(int count);

struct SheetCell {
    int left = 0, top = 0, width = 0, height = 0;
};

struct SheetLayout {
    int count = 0;
    int border = 0;
    bool columnFirst = false;
    int margin = 100;
    int spacing = 50;

    // The grid for pages of this size (columns and rows exchange for landscape pages).
    SheetGrid GridForPage(int pageWidth, int pageHeight) const;
    // The sheet's size in pixels, from the first collected page.
    SIZE SheetSize(int firstWidth, int firstHeight) const;
    // The cell of page `index` on the sheet, with a page of `pageWidth` by `pageHeight` fitted
    // into it; the first page's size gives the sheet.
    SheetCell CellFor(int index, int firstWidth, int firstHeight, int pageWidth, int pageHeight) const;
};

// The frame around a cell: an inside-frame black pen of `border` pixels, nothing when 0.
void DrawSheetCellBorder(HDC dc, const SheetCell& cell, int border);

class PagesPerSheet {
public:
    static constexpr int kBorderWidth = 5;

    void Configure(int count, bool columnFirst, bool cellBorder, int margin, int spacing);
    int Count() const { return m_layout.count; }
    const SheetLayout& Layout() const { return m_layout; }

    bool FlushPending() const { return m_flush; }
    void SetFlush(bool flush) { m_flush = flush; }
    DWORD LastSheetPage() const { return m_lastSheetPage; }
    size_t CollectedPages() const { return m_pages.size(); }
    // The vector path keeps its sheet's metafiles with the writer; it marks here that a sheet
    // is waiting for them, so that the end of the document writes it.
    void SetVectorPending(bool pending) { m_vectorPending = pending; }
    bool HasPendingPages() const { return !m_pages.empty() || m_vectorPending; }

    // Takes a copy of page `pageNumber`'s DIB for the sheet; `index` is the page's place in
    // the document, and a new sheet starts at every multiple of the count. Pages already taken
    // are ignored. `rawData` tells how the page was rendered. False when the copy cannot be made.
    bool AddPage(DWORD pageNumber, DWORD index, HGLOBAL dib, bool rawData);
    // The sheet holds raw-data pages: rendered, and so colour-reduced, by the raw-data rules.
    // The job flushes the last sheet without a page of its own, so the sheet remembers.
    bool HoldsRawData() const { return m_rawData; }
    // True when the page at `index` fills the sheet's last cell.
    bool IsLastCell(DWORD index) const;

    // The sheet of the pages collected so far: a packed DIB with the first page's header
    // and palette. `blank` produces only the white sheet (cover pages).
    UniqueHGlobal Compose(HDC reference, bool blank) const;
    void Clear();

    // The vector path's sheet geometry, remembered from the first page of each sheet.
    MetafileSheetGeometry& VectorSheet() { return m_vectorSheet; }

private:
    SheetLayout m_layout;
    bool m_flush = false;
    bool m_rawData = false;
    bool m_vectorPending = false;
    DWORD m_lastSheetPage = 0;
    std::vector<UniqueHGlobal> m_pages;
    MetafileSheetGeometry m_vectorSheet;
};

}  // namespace tw
