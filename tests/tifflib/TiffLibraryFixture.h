#pragma once
// TIFF32.DLL as the writers use it: loaded from the test program's directory, every entry
// point taken by name. Pages are real packed DIBs (palette entry 0 black, rows bottom-up) with
// the writers' row callbacks.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "companions/tifflib/Tiff32.h"

namespace tifftest {

struct TiffLibrary {
    HMODULE module = nullptr;
#define TW_TIFF_ENTRY(name) PFN_##name name = nullptr;
    TW_TIFF32_EXPORTS(TW_TIFF_ENTRY)
#undef TW_TIFF_ENTRY
    // Loads the library next to the running program; false when any entry point is missing.
    bool Load();
    ~TiffLibrary();
};

// A page DIB in a moveable block, owned.
class PageDib {
public:
    // A deterministic page of the given depth: text-like blocks, rules, diagonals and noise
    // (bilevel), or gradients and blocks (colour). `seed` varies the content.
    static PageDib Make(int width, int height, int bits, uint32_t seed, int dpi = 200);
    PageDib() = default;
    explicit PageDib(HGLOBAL owned) : m_block(owned) {}
    PageDib(PageDib&& o) noexcept : m_block(o.m_block) { o.m_block = nullptr; }
    PageDib& operator=(PageDib&& o) noexcept;
    ~PageDib();
    HGLOBAL Handle() const { return m_block; }
    int Width() const;
    int Height() const;
    int Bits() const;
    // Whether pixel (x, y), y counted from the top, is ink (palette entry 0 of a bilevel page).
    bool Ink(int x, int y) const;
    // The pixel's colour as 0xRRGGBB.
    uint32_t Rgb(int x, int y) const;

private:
    HGLOBAL m_block = nullptr;
};

// The writers' parameter blocks and row callbacks.
struct MonoParams {
    BITMAPINFOHEADER header;
    const BYTE* bits;
};
int WINAPI MonochromeRows(BYTE* row, int index, void* params);  // stride bytes, inverted
int WINAPI PlainMonoRows(BYTE* row, int index, void* params);   // stride bytes as they are (IOCA)
struct ColourParams {
    const BYTE* bits;
    int height;
    int packedRow;
    int stride;
};
int WINAPI PaletteRows(BYTE* row, int index, void* params);
int WINAPI RgbRows(BYTE* row, int index, void* params);

// Locks a page for as long as a callback reads it.
class LockedPage {
public:
    explicit LockedPage(const PageDib& page);
    ~LockedPage();
    MonoParams mono{};
    ColourParams colour{};
    const RGBQUAD* palette = nullptr;
    int colours = 0;
private:
    HGLOBAL m_block;
};

// Writes the tags of a page as the TIFF writer does and encodes it; returns the page index.
struct PageOptions {
    int compression = 4;
    int t4Options = -1;  // -1: no T4Options tag
    int fillOrder = 1;
    int pageNumber = -1;  // -1: no PageNumber tag
    bool internetTiff = false;
    int rowsPerStrip = 0;  // bilevel pages: 0 for one strip
};
int WritePage(const TiffLibrary& lib, HTIFFDOC doc, const PageDib& page, const PageOptions& options);

// Helpers for files and expected images.
std::wstring TempDir(const wchar_t* prefix);
void WritePbm(const std::wstring& path, const PageDib& page);   // ink is 1
void WritePpm(const std::wstring& path, const PageDib& page);
std::string ReadBytes(const std::wstring& path);
// Compares a loaded DIB (from LoadTiffIntoDIBW) with a page pixel by pixel; returns the number
// of pixels whose colour differs by more than `tolerance` in any channel.
size_t DifferentPixels(const PageDib& expected, HGLOBAL loaded, int tolerance = 0);
PageDib Adopt(HGLOBAL block);  // takes ownership of a DIB the library returned

}  // namespace tifftest
