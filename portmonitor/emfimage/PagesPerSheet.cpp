// Pages per sheet: grid, cells and composition.
#include "emfimage/PagesPerSheet.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "emfimage/ImageScaler.h"
#include "emfimage/PackedDib.h"
#include "emfimage/PageGeometry.h"
#include "monitor/Trace.h"

namespace tw {
namespace {

struct GridEntry {
    int first, last, columns, rows;
    bool turned;
};
constexpr GridEntry kGrids[] = {
    {2, 2, 2, 1, true},   {3, 4, 2, 2, false},   {5, 6, 3, 2, true},  {7, 8, 4, 2, true},
    {9, 9, 3, 3, false},  {10, 10, 5, 2, true},  {11, 12, 4, 3, true}, {13, 16, 4, 4, false},
};

// A page DIB's header with its whole palette, as GDI wants it for drawing.
struct GdiDib {
    std::vector<BYTE> info;  // header and palette
    const BYTE* bits = nullptr;
    const BITMAPINFOHEADER& Header() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(info.data()); }
};

bool ViewDib(const BYTE* p, SIZE_T size, GdiDib& view) {
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, p, sizeof(h));
    if (h.biSize != sizeof(h) || h.biWidth <= 0 || h.biHeight <= 0 || h.biCompression != BI_RGB) return false;
    const SIZE_T offset = PackedDibBitsOffset(h);
    const SIZE_T bytes = static_cast<SIZE_T>(PageBitmapInfo::RowBytesFor(h.biWidth, h.biBitCount)) * h.biHeight;
    if (size < offset + bytes) return false;
    view.info.assign(p, p + offset);
    view.bits = p + offset;
    return true;
}


}  // namespace

void DrawSheetCellBorder(HDC dc, const SheetCell& cell, int border) {
    if (border <= 0) return;
    UniqueGdiObject pen(::CreatePen(PS_INSIDEFRAME, border, RGB(0, 0, 0)));
    SelectGuard usePen(dc, pen.get());
    SelectGuard useBrush(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, cell.left - border, cell.top - border, cell.left + cell.width + border,
                cell.top + cell.height + border);
}

SheetGrid SheetGridFor(int count) {
    for (const GridEntry& g : kGrids)
        if (count >= g.first && count <= g.last) return {g.columns, g.rows, g.turned};
    return {};
}

SheetGrid SheetLayout::GridForPage(int pageWidth, int pageHeight) const {
    SheetGrid grid = SheetGridFor(count);
    if (pageHeight < pageWidth) std::swap(grid.columns, grid.rows);
    return grid;
}

SIZE SheetLayout::SheetSize(int firstWidth, int firstHeight) const {
    const SheetGrid grid = GridForPage(firstWidth, firstHeight);
    return grid.turned ? SIZE{firstHeight, firstWidth} : SIZE{firstWidth, firstHeight};
}

SheetCell SheetLayout::CellFor(int index, int firstWidth, int firstHeight, int pageWidth, int pageHeight) const {
    const SheetGrid grid = GridForPage(firstWidth, firstHeight);
    const SIZE sheet = SheetSize(firstWidth, firstHeight);
    const int availW = (sheet.cx - 2 * margin - (grid.columns - 1) * spacing - 2 * grid.columns * border) / grid.columns;
    const int availH = (sheet.cy - 2 * margin - (grid.rows - 1) * spacing - 2 * grid.rows * border) / grid.rows;
    SheetCell cell;
    if (availW <= 0 || availH <= 0 || pageWidth <= 0 || pageHeight <= 0) return cell;
    const double scale = std::min(static_cast<double>(availW) / pageWidth, static_cast<double>(availH) / pageHeight);
    cell.width = std::max(1, static_cast<int>(pageWidth * scale));
    cell.height = std::max(1, static_cast<int>(pageHeight * scale));
    const int offX = std::max(0, (availW - cell.width) / 2);
    const int offY = std::max(0, (availH - cell.height) / 2);
    const int n = count > 0 ? index % count : 0;
    const int column = columnFirst ? n / grid.rows : n % grid.columns;
    const int row = columnFirst ? n % grid.rows : n / grid.columns;
    cell.left = margin + column * cell.width + (2 * column + 1) * (border + offX) + column * spacing;
    cell.top = margin + row * cell.height + (2 * row + 1) * (border + offY) + row * spacing;
    return cell;
}

void PagesPerSheet::Configure(int count, bool columnFirst, bool cellBorder, int margin, int spacing) {
    m_layout.count = count;
    m_layout.columnFirst = columnFirst;
    m_layout.border = cellBorder ? kBorderWidth : 0;
    m_layout.margin = margin;
    m_layout.spacing = spacing;
    Clear();
}

bool PagesPerSheet::AddPage(DWORD pageNumber, DWORD index, HGLOBAL dib, bool rawData) {
    if (pageNumber <= m_lastSheetPage && !m_pages.empty()) return true;
    m_lastSheetPage = pageNumber;
    if (m_layout.count > 0 && index % static_cast<DWORD>(m_layout.count) == 0) m_pages.clear();
    // The sheet's first page decides: the composed sheet takes its header and depth.
    if (m_pages.empty()) m_rawData = rawData;
    UniqueHGlobal copy(CopyPackedDib(dib));
    if (!copy) return false;
    m_pages.push_back(std::move(copy));
    return true;
}

bool PagesPerSheet::IsLastCell(DWORD index) const {
    return m_layout.count > 1 && (index % static_cast<DWORD>(m_layout.count)) + 1 == static_cast<DWORD>(m_layout.count);
}

void PagesPerSheet::Clear() {
    m_pages.clear();
    m_rawData = false;
    m_vectorPending = false;
    m_vectorSheet = MetafileSheetGeometry{};
    m_lastSheetPage = 0;
    m_flush = false;
}

UniqueHGlobal PagesPerSheet::Compose(HDC reference, bool blank) const {
    if (m_pages.empty()) return UniqueHGlobal();
    GlobalLockGuard<BYTE> first(m_pages.front().get());
    GdiDib firstView;
    if (!first || !ViewDib(first.get(), first.size(), firstView)) return UniqueHGlobal();
    const LONG fw = firstView.Header().biWidth, fh = firstView.Header().biHeight;
    const SIZE sheet = m_layout.SheetSize(fw, fh);

    std::vector<BYTE> sheetInfo = firstView.info;
    auto* sh = reinterpret_cast<BITMAPINFOHEADER*>(sheetInfo.data());
    sh->biWidth = sheet.cx;
    sh->biHeight = sheet.cy;
    const DWORD rowBytes = PageBitmapInfo::RowBytesFor(sheet.cx, sh->biBitCount);
    sh->biSizeImage = rowBytes * static_cast<DWORD>(sheet.cy);
    if (sh->biClrUsed == 0 && sh->biBitCount <= 8) sh->biClrUsed = 1u << sh->biBitCount;

    UniqueDC dc(::CreateCompatibleDC(reference));
    if (!dc) return UniqueHGlobal();
    void* bits = nullptr;
    UniqueGdiObject bitmap(::CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO*>(sheetInfo.data()),
                                              DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return UniqueHGlobal();
    {
        SelectGuard select(dc.get(), bitmap.get());
        ::PatBlt(dc.get(), 0, 0, sheet.cx, sheet.cy, WHITENESS);
        ::SetStretchBltMode(dc.get(), BLACKONWHITE);
        for (size_t i = 0; i < m_pages.size() && !blank; ++i) {
            LONG pw = 0, ph = 0;
            {
                GlobalLockGuard<BITMAPINFOHEADER> h(m_pages[i].get());
                if (!h || h.size() < sizeof(BITMAPINFOHEADER)) continue;
                pw = h->biWidth;
                ph = h->biHeight;
            }
            const SheetCell cell = m_layout.CellFor(static_cast<int>(i), fw, fh, pw, ph);
            if (cell.width <= 0 || cell.height <= 0) continue;
            DrawSheetCellBorder(dc.get(), cell, m_layout.border);
            // The scaler resamples with care (cubic for grey and colour); GDI only places the result.
            UniqueHGlobal scaled(ScaleImage(m_pages[i].get(), cell.width, cell.height));
            HGLOBAL source = scaled ? scaled.get() : m_pages[i].get();
            GlobalLockGuard<BYTE> page(source);
            GdiDib view;
            if (!page || !ViewDib(page.get(), page.size(), view)) continue;
            ::StretchDIBits(dc.get(), cell.left, cell.top, cell.width, cell.height, 0, 0, view.Header().biWidth,
                            view.Header().biHeight, view.bits, reinterpret_cast<const BITMAPINFO*>(view.info.data()),
                            DIB_RGB_COLORS, SRCCOPY);
        }
        ::GdiFlush();
    }
    UniqueHGlobal result(::GlobalAlloc(GMEM_MOVEABLE, sheetInfo.size() + sh->biSizeImage));
    if (!result) return result;
    GlobalLockGuard<BYTE> out(result.get());
    if (!out) return UniqueHGlobal();
    // The header keeps the first page's palette length, as the writers expect it.
    reinterpret_cast<BITMAPINFOHEADER*>(sheetInfo.data())->biClrUsed = firstView.Header().biClrUsed;
    std::memcpy(out.get(), sheetInfo.data(), sheetInfo.size());
    std::memcpy(out.get() + sheetInfo.size(), bits, sh->biSizeImage);
    TW_TRACE(L"PagesPerSheet::Compose: %d pages on a %d x %d sheet", static_cast<int>(m_pages.size()),
             static_cast<int>(sheet.cx), static_cast<int>(sheet.cy));
    return result;
}

}  // namespace tw
