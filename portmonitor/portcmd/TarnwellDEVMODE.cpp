#include "portcmd/TarnwellDEVMODE.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace tw {

std::wstring TarnwellDEVMODE::GetText(DmTextField field) const {
    if (!InRange(field.offset, field.capacity * sizeof(wchar_t))) return {};
    std::wstring text;
    for (size_t i = 0; i < field.capacity; ++i) {
        wchar_t c = Read<wchar_t>(field.offset + i * sizeof(wchar_t));
        if (c == L'\0') break;
        text.push_back(c);
    }
    return text;
}

void TarnwellDEVMODE::SetText(DmTextField field, std::wstring_view text) {
    if (field.capacity == 0 || !InRange(field.offset, field.capacity * sizeof(wchar_t))) return;
    size_t n = std::min(text.size(), field.capacity - 1);
    BYTE* dest = m_abRecord + field.offset;
    std::memcpy(dest, text.data(), n * sizeof(wchar_t));
    std::memset(dest + n * sizeof(wchar_t), 0, (field.capacity - n) * sizeof(wchar_t));
}

bool TarnwellDEVMODE::TestBits(size_t offset, size_t width, DWORD mask) const {
    switch (width) {
    case sizeof(BYTE): return (Read<BYTE>(offset) & mask) != 0;
    case sizeof(WORD): return (Read<WORD>(offset) & mask) != 0;
    case sizeof(DWORD): return (Read<DWORD>(offset) & mask) != 0;
    default: return false;
    }
}

void TarnwellDEVMODE::SetBits(size_t offset, size_t width, DWORD mask, bool on) {
    switch (width) {
    case sizeof(BYTE): {
        BYTE v = Read<BYTE>(offset);
        Write<BYTE>(offset, static_cast<BYTE>(on ? (v | mask) : (v & ~mask)));
        break;
    }
    case sizeof(WORD): {
        WORD v = Read<WORD>(offset);
        Write<WORD>(offset, static_cast<WORD>(on ? (v | mask) : (v & ~mask)));
        break;
    }
    case sizeof(DWORD): {
        DWORD v = Read<DWORD>(offset);
        Write<DWORD>(offset, on ? (v | mask) : (v & ~mask));
        break;
    }
    default: break;
    }
}

bool TarnwellDEVMODE::IsFullRecord() const {
    return static_cast<size_t>(Read<WORD>(dmoff::dmSize)) + Read<WORD>(dmoff::dmDriverExtra) == kDevModeSize;
}

DWORD DmFileFormat(const TarnwellDEVMODE* dm) {
    return dm ? dm->Read<DWORD>(dmoff::FileFormat) : dmrule::kDefaultFileFormat;
}

DWORD DmColorMode(const TarnwellDEVMODE* dm) {
    return dm ? std::min(dm->Read<DWORD>(dmoff::ColorModeFormat), dmrule::kMaxColorMode)
              : dmrule::kColorModeBlackWhite;
}

WORD DmBitsPerPixel(const TarnwellDEVMODE* dm) {
    switch (DmColorMode(dm)) {
    case dmrule::kColorModeBlackWhite: return dmrule::kBitsBlackWhite;
    case dmrule::kColorModeGray:
    case dmrule::kColorModePalette: return dmrule::kBitsIndexed;
    default: return dmrule::kBitsTrueColor;
    }
}

DWORD DmLossRatio(const TarnwellDEVMODE* dm) {
    if (!dm) return 0;
    return std::clamp(dm->Read<DWORD>(dmoff::LossRatio), dmrule::kMinLossRatio, dmrule::kMaxLossRatio);
}

DWORD DmBrightness(const TarnwellDEVMODE* dm) {
    return dm ? std::min(dm->Read<DWORD>(dmoff::Brightness), dmrule::kMaxBrightness) : 0;
}

DWORD DmFileGenerationMethod(const TarnwellDEVMODE* dm) {
    if (!dm) return 0;
    DWORD method = dm->Read<DWORD>(dmoff::FileGenerationMethod);
    return method < dmrule::kFileGenerationMethods ? method : 0;
}

namespace {

// The resolution codes that mean the same on both axes; -5 and -6 differ by axis.
bool CommonResolution(int value, int& dpi) {
    switch (value) {
    case dmrule::kResCode600: dpi = dmrule::kDpi600; return true;
    case dmrule::kResCode300: dpi = dmrule::kDpi300; return true;
    case dmrule::kResCode200: dpi = dmrule::kDpi200; return true;
    case dmrule::kResCode100: dpi = dmrule::kDpi100; return true;
    default: break;
    }
    if (value >= dmrule::kMinDpi && value <= dmrule::kMaxDpi) {
        dpi = value;
        return true;
    }
    return false;
}

short ClampToShort(long long value) {
    return static_cast<short>(std::clamp<long long>(value, SHRT_MIN, SHRT_MAX));
}

// One side of the paper is set; the other is carried over into the unit both will share.
void SetPaperSide(TarnwellDEVMODE* dm, int tenthMm, size_t sideOffset, size_t otherOffset) {
    if (!dm) return;
    // A record without a scale would lose the other side entirely; its unit is tenths of a mm.
    long long scale = dm->Read<short>(dmoff::dmScale);
    if (scale <= 0) scale = dmrule::kScaleTenthMm;
    long long other = scale * dm->Read<short>(otherOffset);
    if (tenthMm > dmrule::kMaxPaperTenthMm || other / dmrule::kScaleTenthMm > dmrule::kMaxPaperTenthMm) {
        dm->Write<short>(otherOffset, ClampToShort(other / dmrule::kScaleMm));
        dm->Write<short>(sideOffset, ClampToShort(tenthMm / (dmrule::kScaleMm / dmrule::kScaleTenthMm)));
        dm->Write<short>(dmoff::dmScale, dmrule::kScaleMm);
    } else {
        dm->Write<short>(otherOffset, ClampToShort(other / dmrule::kScaleTenthMm));
        dm->Write<short>(sideOffset, ClampToShort(tenthMm));
        dm->Write<short>(dmoff::dmScale, dmrule::kScaleTenthMm);
    }
}

}  // namespace

int XDpiFromResolution(int value) {
    if (value == dmrule::kResCodeFaxFine || value == dmrule::kResCodeFaxNormal) return dmrule::kFaxXDpi;
    int dpi = 0;
    return CommonResolution(value, dpi) ? dpi : dmrule::kDefaultDpi;
}

int YDpiFromResolution(int value) {
    if (value == dmrule::kResCodeFaxFine) return dmrule::kFaxFineYDpi;
    if (value == dmrule::kResCodeFaxNormal) return dmrule::kFaxNormalYDpi;
    int dpi = 0;
    return CommonResolution(value, dpi) ? dpi : dmrule::kDefaultDpi;
}

int DmXDpi(const TarnwellDEVMODE* dm) {
    return dm ? XDpiFromResolution(dm->Read<short>(dmoff::dmPrintQuality)) : dmrule::kDefaultDpi;
}

int DmYDpi(const TarnwellDEVMODE* dm) {
    return dm ? YDpiFromResolution(dm->Read<short>(dmoff::dmYResolution)) : dmrule::kDefaultDpi;
}

int DmPaperSize(const TarnwellDEVMODE* dm) {
    return dm ? dm->Read<short>(dmoff::dmPaperSize) : dmrule::kDefaultPaper;
}

int DmPaperWidth(const TarnwellDEVMODE* dm) {
    return dm ? dm->Read<short>(dmoff::dmPaperWidth) : dmrule::kDefaultPaper;
}

int DmPaperLength(const TarnwellDEVMODE* dm) {
    return dm ? dm->Read<short>(dmoff::dmPaperLength) : dmrule::kDefaultPaper;
}

bool DmIsAdvancedTextEnabled(const TarnwellDEVMODE* dm) {
    if (!dm) return false;
    if (dm->DriverVersion() < dmrule::kAdvancedTextByteVersion) return dm->HasFlag(dmflag::IsAdvancedTextEnabled);
    return dm->Read<BYTE>(dmoff::AdvancedText) == dmrule::kAdvancedTextOn;
}

int DmFaxResolutionMode(const TarnwellDEVMODE* dm) {
    if (!dm) return dmrule::kDefaultFaxResolutionMode;
    if (dm->HasFlag(dmflag::FaxResolutionMode1)) return 1;
    if (dm->HasFlag(dmflag::FaxResolutionMode2)) return 2;
    if (dm->HasFlag(dmflag::FaxResolutionMode3)) return 3;
    return 0;
}

bool DmHasFlag(const TarnwellDEVMODE* dm, DWORD mask, bool withoutRecord) {
    return dm ? dm->HasFlag(mask) : withoutRecord;
}

std::wstring DmText(const TarnwellDEVMODE* dm, DmTextField field) {
    return dm ? dm->GetText(field) : std::wstring();
}

void DmSetFaxResolutionMode(TarnwellDEVMODE* dm, int mode) {
    if (!dm) return;
    dm->SetFlag(dmflag::FaxResolutionModes, false);
    switch (mode) {
    case 1: dm->SetFlag(dmflag::FaxResolutionMode1, true); break;
    case 2: dm->SetFlag(dmflag::FaxResolutionMode2, true); break;
    case 3: dm->SetFlag(dmflag::FaxResolutionMode3, true); break;
    default: break;
    }
}

void DmSetXDpi(TarnwellDEVMODE* dm, int value) {
    if (dm) dm->Write<short>(dmoff::dmPrintQuality, static_cast<short>(XDpiFromResolution(value)));
}

void DmSetYDpi(TarnwellDEVMODE* dm, int value) {
    if (dm) dm->Write<short>(dmoff::dmYResolution, static_cast<short>(YDpiFromResolution(value)));
}

void DmSetPaperWidth(TarnwellDEVMODE* dm, int tenthMm) {
    SetPaperSide(dm, tenthMm, dmoff::dmPaperWidth, dmoff::dmPaperLength);
}

void DmSetPaperLength(TarnwellDEVMODE* dm, int tenthMm) {
    SetPaperSide(dm, tenthMm, dmoff::dmPaperLength, dmoff::dmPaperWidth);
}

size_t DmStartAppParameterCount(const TarnwellDEVMODE* dm) {
    if (!dm) return 0;
    return dm->DriverVersion() < dmrule::kStartAppParameterBytesVersion ? dmrule::kStartAppLegacyParameters
                                                                         : dmrule::kStartAppParameters;
}

WORD DmStartAppParameter(const TarnwellDEVMODE* dm, size_t index) {
    if (index >= DmStartAppParameterCount(dm)) return 0;
    bool legacy = dm->DriverVersion() < dmrule::kStartAppParameterBytesVersion;
    if (legacy || index < dmrule::kStartAppWideParameters)
        return dm->Read<WORD>(dmoff::StartAppParameters + index * sizeof(WORD));
    return dm->Read<BYTE>(dmoff::StartAppParameterBytes + (index - dmrule::kStartAppWideParameters));
}

}  // namespace tw
