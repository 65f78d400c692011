// Per-thread scratch bitmaps of dithered fills, and GDI's dither tiles.
#include "emfimage/FillSurfaces.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/ThreadSlot.h"

namespace tw {
namespace {

constexpr size_t kMaxTiles = 16;

struct ThreadSurfaces {
    std::unique_ptr<FillSurfaces> surfaces;
};

ThreadSlot<ThreadSurfaces> g_surfaces;

}  // namespace

FillSurfaces* FillSurfaces::ForThread(LONG width, LONG height) {
    std::unique_ptr<FillSurfaces>& held = g_surfaces.Get().surfaces;
    if (held && held->m_width == width && held->m_height == height) return held.get();
    held.reset();  // the old shape's bitmaps go before the new ones are made
    auto made = std::make_unique<FillSurfaces>();
    if (!made->Make(width, height)) return nullptr;
    held = std::move(made);
    return held.get();
}

void FillSurfaces::ReleaseThread() { g_surfaces.ReleaseThread(); }

bool FillSurfaces::Make(LONG width, LONG height) {
    m_pageDc.reset(::CreateCompatibleDC(nullptr));
    m_maskDc.reset(::CreateCompatibleDC(nullptr));
    m_patternDc.reset(::CreateCompatibleDC(nullptr));
    m_mask.reset(::CreateBitmap(width, height, 1, 1, nullptr));
    m_pattern.reset(::CreateBitmap(width, height, 1, 1, nullptr));
    m_parking.reset(::CreateBitmap(1, 1, 1, 1, nullptr));
    m_tileBitmap.reset(::CreateBitmap(kTileSize, kTileSize, 1, 1, nullptr));
    if (!m_pageDc || !m_maskDc || !m_patternDc || !m_mask || !m_pattern || !m_parking || !m_tileBitmap) return false;
    m_width = width;
    m_height = height;
    SelectGuard mask(m_maskDc.get(), m_mask.get());
    return ::PatBlt(m_maskDc.get(), 0, 0, width, height, BLACKNESS) != FALSE;
}

const FillSurfaces::Tile* FillSurfaces::TileFor(COLORREF colour, POINT origin) {
    origin = {origin.x & (kTileSize - 1), origin.y & (kTileSize - 1)};
    for (const Tile& t : m_tiles)
        if (t.colour == colour && t.origin.x == origin.x && t.origin.y == origin.y) return &t;
    UniqueGdiObject brush(::CreateSolidBrush(colour));
    if (!brush) return nullptr;
    Tile tile{colour, origin, {}};
    {
        SelectGuard bitmap(m_patternDc.get(), m_tileBitmap.get());
        SelectGuard selected(m_patternDc.get(), brush.get());
        ::SetBrushOrgEx(m_patternDc.get(), origin.x, origin.y, nullptr);
        if (!::PatBlt(m_patternDc.get(), 0, 0, kTileSize, kTileSize, PATCOPY)) return nullptr;
    }
    BYTE rows[kTileSize * 2];  // device bitmap rows are WORD-aligned
    if (::GetBitmapBits(static_cast<HBITMAP>(m_tileBitmap.get()), sizeof(rows), rows) != sizeof(rows)) return nullptr;
    for (int y = 0; y < kTileSize; ++y) tile.rows[y] = rows[y * 2];
    if (m_tiles.size() >= kMaxTiles) m_tiles.erase(m_tiles.begin());
    m_tiles.push_back(tile);
    return &m_tiles.back();
}

bool FillSurfaces::LayPattern(const Tile& tile, LONG rows) {
    rows = std::min(rows, m_height);
    if (std::memcmp(m_laidRows, tile.rows, sizeof(m_laidRows)) != 0) m_laidHeight = 0;
    if (m_laidHeight >= rows) return true;
    SelectGuard pattern(m_patternDc.get(), m_pattern.get());
    if (m_laidHeight < kTileSize) {
        // The first eight rows from memory, the rest doubled down by blits.
        const size_t stride = ((static_cast<size_t>(m_width) + 15) / 16) * 2;  // WORD-aligned rows
        const LONG first = std::min<LONG>(kTileSize, m_height);
        std::vector<BYTE> bits(stride * first);
        for (LONG y = 0; y < first; ++y) std::memset(bits.data() + y * stride, tile.rows[y], stride);
        if (::SetBitmapBits(static_cast<HBITMAP>(m_pattern.get()), static_cast<DWORD>(bits.size()), bits.data()) !=
            static_cast<LONG>(bits.size()))
            return false;
        std::memcpy(m_laidRows, tile.rows, sizeof(m_laidRows));
        m_laidHeight = first;
    }
    while (m_laidHeight < rows) {
        // Copies keep the phase: the laid height stays a multiple of eight until the last copy.
        const LONG copy = std::min(m_laidHeight, m_height - m_laidHeight);
        if (!::BitBlt(m_patternDc.get(), 0, m_laidHeight, m_width, copy, m_patternDc.get(), 0, 0, SRCCOPY)) {
            m_laidHeight = 0;
            return false;
        }
        m_laidHeight += copy;
    }
    return true;
}

}  // namespace tw
