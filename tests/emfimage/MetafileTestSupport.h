#pragma once
// Building test metafiles record by record, listing the records of a metafile, and playing a
// metafile into a packed DIB for comparisons with the raster path.
#include <windows.h>

#include <string>
#include <vector>

#include "support/RenderFixture.h"
#include "base/UniqueHandle.h"

namespace tw {
class MarkerScanner;
}

namespace twtest {

struct EmfRecordBytes {
    DWORD type = 0;
    std::string bytes;
};

std::string EmfBits(HENHMETAFILE emf);
std::vector<EmfRecordBytes> EmfRecords(HENHMETAFILE emf);
// `emf` with `records` inserted before its EOF record; the header's size and count follow.
std::string SpliceRecords(const std::string& emf, const std::vector<std::string>& records);
tw::UniqueEnhMetaFile EmfFromBits(const std::string& bits);

// EMR_EXTTEXTOUTW at (x, y) with `options`, the text and one advance per character.
std::string ExtTextOutWRecord(int x, int y, DWORD options, const std::wstring& text);
// EMR_POLYTEXTOUTW with one entry per text, all with `options`.
std::string PolyTextOutWRecord(const std::vector<std::wstring>& texts, DWORD options);
// EMR_SMALLTEXTOUT with 16-bit characters and no clipping rectangle.
std::string SmallTextOutRecord(int x, int y, DWORD options, const std::wstring& text);
DWORD ReadDword(const std::string& bytes, size_t offset);
void WriteDword(std::string& bytes, size_t offset, DWORD value);

// An empty recording on a screen-compatible DC with a frame of `widthMm` x `heightMm`, the
// DC handed to `draw` in device units. The metafile's bytes.
template <typename Draw>
std::string RecordPage(int widthMm, int heightMm, Draw draw) {
    tw::UniqueDC screen(::CreateCompatibleDC(nullptr));
    const RECT frame{0, 0, widthMm * 100, heightMm * 100};
    HDC dc = ::CreateEnhMetaFileW(screen.get(), nullptr, &frame, nullptr);
    draw(dc);
    tw::UniqueEnhMetaFile emf(::CloseEnhMetaFile(dc));
    return EmfBits(emf.get());
}

// A page with black blocks in three corners of different sizes: no turn or mirror maps it
// onto itself.
std::string AsymmetricPage(int widthMm, int heightMm);

// `emf` played into a fresh white 1-bit bitmap of `width` x `height` at (0, 0, width, height).
Raster PlayInto(HENHMETAFILE emf, LONG width, LONG height);
// The 24-bit pixels of `emf` played record by record (the monitor's playback, with `markers`
// hidden) into a white bitmap of `width` x `height`.
std::vector<BYTE> PlayPageBits(HENHMETAFILE emf, LONG width, LONG height, const tw::MarkerScanner* markers = nullptr);
// A raster as a packed DIB in a moveable block.
tw::UniqueHGlobal PackedDibFromRaster(const Raster& r);
// Black pixels of a 1-bit raster, and their bounding box (empty rect when none).
size_t BlackPixels(const Raster& r);
RECT BlackBounds(const Raster& r);

}  // namespace twtest
