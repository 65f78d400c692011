#pragma once
// The driver's side of the private DEVMODE: builds the 6879-byte record that the printer driver
// sends with every document and page, from defaults, named field overrides or a raw file.
//
// Defaults: dmSize 220, dmDriverExtra 6659, dmSpecVersion 0x401, dmDriverVersion 1651, the given
// device name, Letter paper (code 1, 2159 x 2794 tenths of a mm, dmScale 100), portrait, one
// copy, monochrome, simplex; File format 7 (TIFF Group 4), colour mode 0, dithering 0, brightness
// 100 (unchanged), loss ratio 75, file generation method 0, extension "tif", empty output
// directory, libraries "TIFF32.DLL" and "JPEG32.DLL", watermark brightness 40.
// The resolution is 204 x 196 dpi, stored as the numbers 204 and 196 rather than the fax code -6:
// the job's resolution correction turns negative codes other than -1, -2 and -4 into 300 dpi.
// The pixel size follows paper and resolution (1734 x 2156 by default). Like the driver, the
// record keeps the paper's portrait width and length in landscape too: the monitor swaps them.
#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "portcmd/TarnwellDEVMODE.h"

namespace twhost {

class DevModeBuilder {
public:
    static constexpr const wchar_t* kDefaultDeviceName = L"Tarnwell Image Printer";

    explicit DevModeBuilder(std::wstring_view deviceName = kDefaultDeviceName);

    // Replaces the record with the file's bytes. A file of any size other than the record's is
    // refused, with the reason in `error`, and the record is left as it was.
    bool LoadFile(const std::wstring& path, std::wstring& error);
    bool SaveFile(const std::wstring& path, std::wstring& error) const;

    // A named field or flag bit (DevModeFields.h), e.g. Set(L"FileGenerationMethod", L"7").
    // Raw: nothing else is recomputed, so overrides applied after the helpers win.
    bool Set(std::wstring_view name, std::wstring_view value, std::wstring* error = nullptr);
    // The field's value as text; empty for an unknown name.
    std::wstring Get(std::wstring_view name) const;

    // Helpers for common options; those that change the geometry recompute the pixel size.
    DevModeBuilder& Format(DWORD fileFormat);
    // Each value as the driver would store it: a DPI or a negative resolution code.
    DevModeBuilder& Dpi(int x, int y);
    DevModeBuilder& ColorMode(DWORD mode);
    DevModeBuilder& Dithering(LONG method);
    // A known paper code (Letter, Legal, A3, A4, A5, B4, B5, Executive, Tabloid); false for others.
    bool PaperCode(short code);
    // A custom paper (DMPAPER_USER) in tenths of a millimetre.
    DevModeBuilder& PaperSize(int widthTenthMm, int lengthTenthMm);
    DevModeBuilder& Landscape(bool landscape = true);
    DevModeBuilder& OutputDirectory(std::wstring_view directory);

    // Pixel width and height from the paper and the resolution, as the driver computes them.
    void UpdatePagePixels();

    const tw::TarnwellDEVMODE& Record() const { return m_dm; }
    tw::TarnwellDEVMODE& Record() { return m_dm; }
    std::span<const BYTE> View() const { return {m_dm.Bytes(), tw::kDevModeSize}; }
    std::vector<BYTE> Bytes() const { return {m_dm.Bytes(), m_dm.Bytes() + tw::kDevModeSize}; }

private:
    tw::TarnwellDEVMODE m_dm;
};

}  // namespace twhost
