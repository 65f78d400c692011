#pragma once
// The driver's private DEVMODE as the monitor keeps it, and the accessors through which every
// part of the monitor reads it. The accessors take a pointer that may be null: a job without a
// record still gets the values it would print with.
#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "portcmd/DevModeLayout.h"
#include "portcmd/DevModeDllName.h"
#include "portcmd/DevModeDump.h"

namespace tw {

// Exactly kDevModeSize bytes, laid out as DevModeLayout.h describes. The driver packs its
// fields without alignment, so every typed access copies bytes instead of casting.
class TarnwellDEVMODE {
public:
    // Views a block of kDevModeSize bytes (a locked command block, a pipe reply) as a record.
    static const TarnwellDEVMODE* FromBytes(const void* p) { return static_cast<const TarnwellDEVMODE*>(p); }
    static TarnwellDEVMODE* FromBytes(void* p) { return static_cast<TarnwellDEVMODE*>(p); }

    BYTE* Bytes() { return m_abRecord; }
    const BYTE* Bytes() const { return m_abRecord; }
    // The whole record for APIs that take a DEVMODEW (the printer DC); read by those as bytes.
    DEVMODEW* AsDevModeW() { return reinterpret_cast<DEVMODEW*>(m_abRecord); }
    const DEVMODEW* AsDevModeW() const { return reinterpret_cast<const DEVMODEW*>(m_abRecord); }

    void Clear() { std::memset(m_abRecord, 0, sizeof(m_abRecord)); }
    void CopyFrom(const void* p) { std::memcpy(m_abRecord, p, sizeof(m_abRecord)); }

    // A value of T at `offset`; zero for a range that does not lie inside the record.
    template <typename T>
    T Read(size_t offset) const {
        static_assert(std::is_trivially_copyable_v<T>);
        T value{};
        if (InRange(offset, sizeof(T))) std::memcpy(&value, m_abRecord + offset, sizeof(T));
        return value;
    }
    template <typename T>
    void Write(size_t offset, T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (InRange(offset, sizeof(T))) std::memcpy(m_abRecord + offset, &value, sizeof(T));
    }

    // A string field up to its terminator, or its whole capacity when the driver left it
    // unterminated.
    std::wstring GetText(DmTextField field) const;
    // Stores `text` cut to capacity − 1 characters, terminated, the rest of the field zeroed.
    void SetText(DmTextField field, std::wstring_view text);

    // Bits of a flags word of `width` bytes (1, 2 or 4) at `offset`.
    bool TestBits(size_t offset, size_t width, DWORD mask) const;
    void SetBits(size_t offset, size_t width, DWORD mask, bool on);

    DWORD Flags() const { return Read<DWORD>(dmoff::Flags); }
    bool HasFlag(DWORD mask) const { return (Flags() & mask) != 0; }
    void SetFlag(DWORD mask, bool on) { SetBits(dmoff::Flags, sizeof(DWORD), mask, on); }
    DWORD StartFlags() const { return Read<DWORD>(dmoff::StartFlags); }
    bool HasStartFlag(DWORD mask) const { return (StartFlags() & mask) != 0; }
    DWORD WatermarkFlags() const { return Read<DWORD>(dmoff::WatermarkFlags); }
    bool HasWatermarkFlag(DWORD mask) const { return (WatermarkFlags() & mask) != 0; }

    WORD DriverVersion() const { return Read<WORD>(dmoff::dmDriverVersion); }
    // dmSize and dmDriverExtra together describe a record of exactly kDevModeSize bytes.
    bool IsFullRecord() const;

private:
    static bool InRange(size_t offset, size_t size) {
        return offset <= kDevModeSize && size <= kDevModeSize - offset;
    }

    BYTE m_abRecord[kDevModeSize]{};  // a record made here starts zero-filled
};

static_assert(sizeof(TarnwellDEVMODE) == kDevModeSize);
static_assert(alignof(TarnwellDEVMODE) == 1);
static_assert(std::is_trivially_copyable_v<TarnwellDEVMODE>);
static_assert(std::is_standard_layout_v<TarnwellDEVMODE>);

// The public part sits where DEVMODEW keeps it.
static_assert(sizeof(DEVMODEW) == kDevModePublicSize);
static_assert(offsetof(DEVMODEW, dmDeviceName) == dmoff::dmDeviceName);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == dmoff::dmSpecVersion);
static_assert(offsetof(DEVMODEW, dmDriverVersion) == dmoff::dmDriverVersion);
static_assert(offsetof(DEVMODEW, dmSize) == dmoff::dmSize);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == dmoff::dmDriverExtra);
static_assert(offsetof(DEVMODEW, dmFields) == dmoff::dmFields);
static_assert(offsetof(DEVMODEW, dmOrientation) == dmoff::dmOrientation);
static_assert(offsetof(DEVMODEW, dmPaperSize) == dmoff::dmPaperSize);
static_assert(offsetof(DEVMODEW, dmPaperLength) == dmoff::dmPaperLength);
static_assert(offsetof(DEVMODEW, dmPaperWidth) == dmoff::dmPaperWidth);
static_assert(offsetof(DEVMODEW, dmScale) == dmoff::dmScale);
static_assert(offsetof(DEVMODEW, dmCopies) == dmoff::dmCopies);
static_assert(offsetof(DEVMODEW, dmPrintQuality) == dmoff::dmPrintQuality);
static_assert(offsetof(DEVMODEW, dmColor) == dmoff::dmColor);
static_assert(offsetof(DEVMODEW, dmDuplex) == dmoff::dmDuplex);
static_assert(offsetof(DEVMODEW, dmYResolution) == dmoff::dmYResolution);
static_assert(offsetof(DEVMODEW, dmCollate) == dmoff::dmCollate);
static_assert(offsetof(DEVMODEW, dmFormName) == dmoff::dmFormName);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == dmoff::dmBitsPerPel);

// Accessors. Each tolerates a null record and returns the default the monitor prints with.
DWORD DmFileFormat(const TarnwellDEVMODE* dm);            // as stored; 4
DWORD DmColorMode(const TarnwellDEVMODE* dm);             // at most 3; 0
WORD DmBitsPerPixel(const TarnwellDEVMODE* dm);           // 1, 8 or 24 by colour mode
DWORD DmLossRatio(const TarnwellDEVMODE* dm);             // 1 to 100; 0
DWORD DmBrightness(const TarnwellDEVMODE* dm);            // at most 199; 0
DWORD DmFileGenerationMethod(const TarnwellDEVMODE* dm);  // 0 to 9, anything else 0
int DmXDpi(const TarnwellDEVMODE* dm);                    // from dmPrintQuality; 300
int DmYDpi(const TarnwellDEVMODE* dm);                    // from dmYResolution; 300
int DmPaperSize(const TarnwellDEVMODE* dm);               // dmPaperSize; 1
int DmPaperWidth(const TarnwellDEVMODE* dm);              // dmPaperWidth; 1
int DmPaperLength(const TarnwellDEVMODE* dm);             // dmPaperLength; 1
bool DmIsAdvancedTextEnabled(const TarnwellDEVMODE* dm);  // by driver version; off
int DmFaxResolutionMode(const TarnwellDEVMODE* dm);       // 0 to 3; 1
// A flag of the option word; `withoutRecord` without a record.
bool DmHasFlag(const TarnwellDEVMODE* dm, DWORD mask, bool withoutRecord = false);
// A string field, empty without a record.
std::wstring DmText(const TarnwellDEVMODE* dm, DmTextField field);

// The DPI that a resolution field stands for: a negative code, a DPI from 50 to 3000, or 300.
int XDpiFromResolution(int value);
int YDpiFromResolution(int value);

// Setters used when the job corrects its record. Null records are left alone.
// Mode 1, 2 or 3 sets that mode's flag and clears the other two; any other mode clears all.
void DmSetFaxResolutionMode(TarnwellDEVMODE* dm, int mode);
// Store the DPI that the value stands for, as the getters would read it.
void DmSetXDpi(TarnwellDEVMODE* dm, int value);
void DmSetYDpi(TarnwellDEVMODE* dm, int value);
// Tenths of a millimetre; switches dmScale to 1000 (millimetres) when a side does not fit in
// 16 bits, converting the other side with it.
void DmSetPaperWidth(TarnwellDEVMODE* dm, int tenthMm);
void DmSetPaperLength(TarnwellDEVMODE* dm, int tenthMm);

// The start-application parameter codes the record carries: 9 before driver version 1470,
// 16 from it on; 0 without a record.
size_t DmStartAppParameterCount(const TarnwellDEVMODE* dm);
// Code `index`; 0 past the end or without a record.
WORD DmStartAppParameter(const TarnwellDEVMODE* dm, size_t index);

}  // namespace tw
