#pragma once
// A job on a simulated printer for rendering pages with CEMFImage, and an independent
// rendering of the same EMF in one piece with PlayEnhMetaFile to compare against.
#include <windows.h>

#include <string>
#include <vector>

#include "host/DevModeBuilder.h"
#include "host/HostEnvironment.h"
#include "job/TWJob.h"
#include "portcmd/TarnwellDEVMODE.h"

namespace twtest {

struct Raster {
    LONG width = 0, height = 0;
    WORD bitCount = 0;
    LONG xPelsPerMeter = 0, yPelsPerMeter = 0;
    DWORD paletteEntries = 0;
    std::vector<RGBQUAD> palette;
    std::vector<BYTE> bits;  // bottom-up rows padded to 32 bits
    DWORD RowBytes() const { return static_cast<DWORD>((width * bitCount + 31) / 32 * 4); }
    bool Pixel(LONG x, LONG yFromTop) const;  // 1-bit: true for white
};

// Pixels that differ, counting only the row bits inside the width.
size_t DifferentPixels(const Raster& a, const Raster& b);
Raster RasterFromPackedDib(HGLOBAL dib);
// PlayEnhMetaFile into one bitmap of `width` x `height` (1 bit: monochrome, else 24 bits).
Raster PlayWhole(HENHMETAFILE emf, LONG width, LONG height, WORD bitCount, const RECT& rect);
// The EMF drawn at its own size in one piece, then stretched onto the page fifth by fifth:
// the fifths of the EMF are whole rows (height / 5), so the same slices must be stretched
// for the comparison to see banding faults rather than that rounding.
Raster PlayWholeScaled(HENHMETAFILE emf, SIZE emfSize, LONG width, LONG height, WORD bitCount);
HGLOBAL GlobalFromBytes(const std::string& bytes);

class RenderFixture {
public:
    RenderFixture();
    ~RenderFixture();
    twhost::DevModeBuilder& DevMode() { return m_builder; }
    tw::CTWJob& Job() { return m_job; }
    const std::wstring& Printer() const { return m_printer; }
    // A "Page Settings" value of this printer, removed again by the destructor.
    void SetPageSetting(const wchar_t* name, DWORD value);
    void SetPageSettingText(const wchar_t* name, const wchar_t* value);

private:
    twhost::HostEnvironment m_env;
    std::wstring m_printer;
    twhost::DevModeBuilder m_builder;
    tw::CTWJob m_job;
};

}  // namespace twtest
